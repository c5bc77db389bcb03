#pragma once

#include <QObject>
#include <memory>

class CaptureBackend;
class QMediaCaptureSession;

// Owns the capture session that feeds the panel's live picture. Always the
// system's default camera, whichever camera the panel's picker selected.
class CameraSessionManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isRunning READ isRunning NOTIFY isRunningChanged)

public:
    // Qt Multimedia back end. Creates the empty session; touches no camera.
    explicit CameraSessionManager(QObject *parent = nullptr);
    // Any back end (tests use a fake one); null means the Qt Multimedia one.
    explicit CameraSessionManager(std::unique_ptr<CaptureBackend> backend, QObject *parent = nullptr);
    ~CameraSessionManager() override;

    // Created with the manager and never replaced.
    QMediaCaptureSession *session() const;
    // Becomes true once starting has returned, frames or not; never goes back.
    bool isRunning() const { return m_isRunning; }

    // Does nothing while the session runs; otherwise configures the default
    // camera and starts it without blocking the calling (GUI) thread. With no
    // camera, or one that cannot be opened, isRunning stays false and the next
    // call tries again. Safe to call any number of times.
    void start();

signals:
    void isRunningChanged();

private:
    void setRunning(bool running);

    std::unique_ptr<CaptureBackend> m_backend;
    bool m_isRunning = false;
};
