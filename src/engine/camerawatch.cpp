#include "camerawatch.h"

#include <algorithm>

namespace {

// uvcc-helper's exit code for an unknown command.
constexpr int kHelperExitUsage = 2;
// A usage error this soon after the start means the helper has no `watch`.
constexpr qint64 kNoWatchWithinMs = 5000;
// A run that lasted this long was healthy: the next pause starts short again.
constexpr qint64 kHealthyRunMs = 60000;

} // namespace

CameraWatch::CameraWatch(QString helperPath, QObject *parent)
    : QObject(parent)
    , m_helperPath(std::move(helperPath))
{
    m_restart.setSingleShot(true);
    connect(&m_restart, &QTimer::timeout, this, &CameraWatch::launch);
}

CameraWatch::~CameraWatch() { stop(); }

void CameraWatch::start()
{
    if (!m_process && !m_restart.isActive())
        launch();
}

void CameraWatch::launch()
{
    m_partial.clear();
    m_discarding = false;
    m_process = new QProcess(this);
    // Its diagnostics go where ours go; its input stays an open pipe, whose
    // end tells it to stop.
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &CameraWatch::readLines);
    connect(m_process, &QProcess::finished, this, &CameraWatch::ended);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            ended(-1, QProcess::CrashExit);
    });
    m_runTime.start();
    m_process->start(m_helperPath, {QStringLiteral("watch")});
}

void CameraWatch::readLines()
{
    const QByteArray chunk = m_process->readAllStandardOutput();
    qsizetype start = 0;
    QByteArray newest;
    bool complete = false;
    for (qsizetype end = chunk.indexOf('\n'); end >= 0; end = chunk.indexOf('\n', start)) {
        if (!m_discarding) {
            m_partial.append(chunk.constData() + start, end - start);
            if (m_partial.size() <= kMaxLineBytes) {
                newest = m_partial;
                complete = true;
            }
        }
        m_partial.clear();
        m_discarding = false;
        start = end + 1;
    }
    if (!m_discarding)
        m_partial.append(chunk.constData() + start, chunk.size() - start);
    if (m_partial.size() > kMaxLineBytes) {
        m_partial.clear();
        m_discarding = true;
    }
    if (complete)
        emit answered(newest);
}

void CameraWatch::ended(int exitCode, QProcess::ExitStatus status)
{
    if (!m_process)
        return;
    const qint64 ran = m_runTime.elapsed();
    readLines(); // what it wrote last may still be in the buffer
    m_process->disconnect(this);
    m_process->deleteLater();
    m_process = nullptr;
    if (status == QProcess::NormalExit && exitCode == kHelperExitUsage && ran < kNoWatchWithinMs)
        return;
    if (ran >= kHealthyRunMs)
        m_pauseMs = kFirstPauseMs;
    m_restart.start(m_pauseMs);
    m_pauseMs = std::min(m_pauseMs * 2, kLongestPauseMs);
}

void CameraWatch::stop()
{
    m_restart.stop();
    if (!m_process)
        return;
    QProcess *process = m_process;
    m_process = nullptr;
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        // An idle watch ends as soon as its input closes; one stuck in a USB
        // transfer is killed, and if even that has not ended it the object is
        // left behind rather than have QProcess wait for it here.
        process->closeWriteChannel();
        if (!process->waitForFinished(200)) {
            process->kill();
            if (!process->waitForFinished(500)) {
                process->setParent(nullptr);
                return;
            }
        }
    }
    delete process;
}
