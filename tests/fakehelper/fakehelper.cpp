// A scripted stand-in for uvcc-helper, for tests of anything that runs the
// helper. It records every argument list it gets and answers from files.
//
//   FAKE_HELPER_DIR=<dir>    where the answers are (required)
//   FAKE_HELPER_LOG=<file>   optional: one line per run, appended as the run
//                            starts: the argument list as a compact JSON array
//   FAKE_HELPER_TRACE=<file> optional: "start <pid>" and "end <pid>" lines, to
//                            check that runs do not overlap
//
// A run's first argument CMD picks the files (CMD is "none" without arguments):
//
//   <dir>/CMD.out     written to standard output byte for byte (missing: nothing
//                     is printed); may hold anything, invalid UTF-8 included
//   <dir>/CMD.fixture the path of a file to answer with instead of CMD.out; if
//                     that file cannot be read, the run says so on standard
//                     error and exits with kFakeHelperBrokenScript (125), so a
//                     mistyped fixture never passes for an empty answer
//   <dir>/CMD.repeat  decimal N: write CMD.out N times (large answers cheaply)
//   <dir>/CMD.sleep   decimal milliseconds to sleep before answering
//   <dir>/CMD.crash   present: write the first half of the answer, then abort()
//   <dir>/CMD.exit    decimal exit status (default 0)
//   <dir>/CMD.err     written to standard error
//   <dir>/CMD.linger  decimal milliseconds: for that long from the start, the
//                     run's exit (even by SIGKILL) stays hidden from its
//                     parent, as with a helper stuck in a USB control transfer;
//                     a child holds the run under ptrace and then lets go.
//                     "held <pid>" goes to the trace once that is in place
//
// A test writes these files into a temporary directory, sets the variables in
// its own environment (children inherit it) and points the controller at the
// target file of `lumarel_fake_helper`.

#include "fakehelperstatus.h"

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <unistd.h>

namespace {

std::optional<QByteArray> readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

int readNumber(const QString &path, int fallback)
{
    const auto text = readFile(path);
    bool ok = false;
    const int number = text ? text->trimmed().toInt(&ok) : 0;
    return ok ? number : fallback;
}

// One write() on an O_APPEND file, so lines of concurrent runs never interleave.
void appendLine(const QByteArray &variable, const QByteArray &line)
{
    const QString path = qEnvironmentVariable(variable.constData());
    if (path.isEmpty())
        return;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        file.write(line + '\n');
}

void writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            return;
        done += n;
    }
}

// The scripted answer: the fixture CMD.fixture names, else CMD.out, else nothing.
std::optional<QByteArray> scriptedAnswer(const QString &stem, const QString &command)
{
    const auto fixture = readFile(stem + QLatin1String(".fixture"));
    if (!fixture)
        return readFile(stem + QLatin1String(".out")).value_or(QByteArray());
    QFile file(QString::fromUtf8(*fixture));
    if (!fixture->isEmpty() && file.open(QIODevice::ReadOnly))
        return file.readAll();
    const QByteArray reason = fixture->isEmpty() ? "the path is empty" : file.errorString().toUtf8();
    writeAll(STDERR_FILENO, "lumarel_fake_helper: cannot read the fixture file '" + *fixture + "' scripted for '"
                                + command.toUtf8() + "': " + reason + '\n');
    return std::nullopt;
}

// A child traces this process for `ms`: until the tracer is gone, the parent
// cannot reap this process, whatever kills it. False if ptrace is refused.
bool hideExitFor(int ms)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return false;
    ::prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY);
    const pid_t traced = ::getpid();
    const pid_t holder = ::fork();
    if (holder == 0) {
        ::close(STDOUT_FILENO); // the runner's pipe must not stay open through us
        const char attached = ::ptrace(PTRACE_SEIZE, traced, nullptr, nullptr) == 0 ? '1' : '0';
        writeAll(ready[1], QByteArray(1, attached));
        if (attached == '1')
            QThread::msleep(ulong(ms));
        ::_exit(0);
    }
    ::close(ready[1]);
    char attached = '0';
    const bool answered = holder > 0 && ::read(ready[0], &attached, 1) == 1;
    ::close(ready[0]);
    return answered && attached == '1';
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QByteArray pid = QByteArray::number(qint64(::getpid()));
    appendLine("FAKE_HELPER_LOG",
               QJsonDocument(QJsonArray::fromStringList(arguments)).toJson(QJsonDocument::Compact));
    appendLine("FAKE_HELPER_TRACE", "start " + pid);

    const QString dir = qEnvironmentVariable("FAKE_HELPER_DIR");
    const QString command = arguments.isEmpty() ? QStringLiteral("none") : arguments.first();
    const QString stem = dir + QLatin1Char('/') + command;

    if (const int ms = readNumber(stem + QLatin1String(".linger"), 0); ms > 0) {
        if (!hideExitFor(ms)) {
            writeAll(STDERR_FILENO, "lumarel_fake_helper: ptrace refused, cannot linger\n");
            return kFakeHelperBrokenScript;
        }
        appendLine("FAKE_HELPER_TRACE", "held " + pid);
    }

    if (const int ms = readNumber(stem + QLatin1String(".sleep"), 0); ms > 0)
        QThread::msleep(ulong(ms));
    if (const auto err = readFile(stem + QLatin1String(".err")))
        writeAll(STDERR_FILENO, *err);

    std::optional<QByteArray> scripted = scriptedAnswer(stem, command);
    if (!scripted)
        return kFakeHelperBrokenScript;
    const QByteArray answer = scripted->repeated(readNumber(stem + QLatin1String(".repeat"), 1));
    if (QFile::exists(stem + QLatin1String(".crash"))) {
        writeAll(STDOUT_FILENO, answer.left(answer.size() / 2));
        std::abort();
    }
    writeAll(STDOUT_FILENO, answer);
    appendLine("FAKE_HELPER_TRACE", "end " + pid);
    return readNumber(stem + QLatin1String(".exit"), 0);
}
