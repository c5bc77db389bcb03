#pragma once

#include "capturebackend.h"

#include <QObject>
#include <memory>

class QMediaCaptureSession;

// Owns the capture session that feeds the panel's live picture. Always the
// system's default camera, whichever camera the panel's picker selected.
class CameraSessionManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isRunning READ isRunning NOTIFY isRunningChanged)

public:
    // Qt Multimedia back end, created when first needed (session() or
    // start()); touches no camera until start().
    explicit CameraSessionManager(QObject *parent = nullptr);
    // Any back end (tests use a fake one); null means the Qt Multimedia one.
    explicit CameraSessionManager(std::unique_ptr<CaptureBackend> backend, QObject *parent = nullptr);
    ~CameraSessionManager() override;

    // The same for the manager's life.
    QMediaCaptureSession *session() const;
    // Becomes true once starting has returned, frames or not; never goes back.
    bool isRunning() const { return m_isRunning; }

    // Does nothing while the session runs; otherwise configures the default
    // camera and starts it without blocking the calling (GUI) thread. With no
    // camera, or one that cannot be opened, isRunning stays false and the next
    // call tries again. Safe to call any number of times.
    void start();
    // Stops capturing and lets the device go at once, also when a start is
    // under way (its result is then dropped). isRunning stays as it is.
    void stop();

    // Why the last start gave no pictures; None once one gives them, and
    // after stop().
    PreviewProblem problem() const { return m_problem; }

signals:
    void isRunningChanged();
    void problemChanged();

private:
    void setRunning(bool running);
    void setProblem(PreviewProblem problem);

    CaptureBackend &backend() const;

    mutable std::unique_ptr<CaptureBackend> m_backend;
    bool m_isRunning = false;
    PreviewProblem m_problem = PreviewProblem::None;
    // Counts stops: a start begun before the latest stop must not run on.
    quint64 m_stops = 0;
};
