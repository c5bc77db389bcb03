#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QTimer>

// One `uvcc-helper watch` run kept going for the owner's life: the helper
// prints the "devices" answer at start and again whenever cameras come or go.
// The run lives on the GUI thread's event loop and is never waited for there.
// A run that ends is started again after a pause that doubles up to a minute;
// a helper without `watch` (it exits at once with a usage error) is left alone.
class CameraWatch : public QObject {
    Q_OBJECT

public:
    static constexpr int kFirstPauseMs = 1000;
    static constexpr int kLongestPauseMs = 60000;
    // A line longer than this is no devices answer: it is dropped unread.
    static constexpr qsizetype kMaxLineBytes = 1024 * 1024;

    explicit CameraWatch(QString helperPath, QObject *parent = nullptr);
    ~CameraWatch() override;

    void start();
    bool isRunning() const { return m_process && m_process->state() != QProcess::NotRunning; }

signals:
    // The newest whole line; lines that came in a burst are coalesced.
    void answered(const QByteArray &line);

private:
    void launch();
    void readLines();
    void ended(int exitCode, QProcess::ExitStatus status);
    void stop();

    QString m_helperPath;
    QProcess *m_process = nullptr;
    QByteArray m_partial;
    bool m_discarding = false; // inside an overlong line, until its end
    int m_pauseMs = kFirstPauseMs;
    QTimer m_restart;
    QElapsedTimer m_runTime;
};
