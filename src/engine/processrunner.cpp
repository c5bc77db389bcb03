#include "processrunner.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringDecoder>

#include <algorithm>

namespace {

// How often a wait wakes up to look at the cancel flag.
constexpr int kCancelPollMs = 20;

ProcessOutcome stopped(QProcess &process, ProcessOutcome::Status status)
{
    process.kill();
    process.waitForFinished(1000);
    return {status, {}};
}

int waitSlice(const QDeadlineTimer &deadline, const std::atomic_bool *cancel)
{
    const qint64 remaining = std::max<qint64>(deadline.remainingTime(), 1);
    return int(cancel ? std::min<qint64>(remaining, kCancelPollMs) : remaining);
}

QString decodeUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    return decoder.hasError() ? QString() : text;
}

} // namespace

ProcessOutcome runProcessCancellable(const QString &program, const QStringList &arguments,
                                     int timeoutMs, const std::atomic_bool *cancel)
{
    const QDeadlineTimer deadline(timeoutMs);
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(std::max<qint64>(deadline.remainingTime(), 1)))
        return stopped(process, ProcessOutcome::Status::FailedToStart);

    // Read while the helper runs: a large answer would otherwise fill the
    // pipe and leave both sides waiting for each other.
    QByteArray output;
    while (process.state() != QProcess::NotRunning) {
        if (cancel && cancel->load())
            return stopped(process, ProcessOutcome::Status::Cancelled);
        if (deadline.hasExpired())
            return stopped(process, ProcessOutcome::Status::TimedOut);
        // waitForReadyRead() gives up at once when the helper has closed its
        // output but not yet exited; waitForFinished() covers that stretch.
        if (!process.waitForReadyRead(waitSlice(deadline, cancel))
            && process.state() != QProcess::NotRunning)
            process.waitForFinished(waitSlice(deadline, cancel));
        output += process.readAllStandardOutput();
        if (output.size() > kMaxProcessOutputBytes)
            return stopped(process, ProcessOutcome::Status::TooMuchOutput);
    }
    output += process.readAllStandardOutput();
    if (output.size() > kMaxProcessOutputBytes)
        return {ProcessOutcome::Status::TooMuchOutput, {}};
    return {ProcessOutcome::Status::Finished, decodeUtf8(output)};
}
