#pragma once

#include "capturebackend.h"

#include <QCamera>
#include <QList>
#include <QMediaCaptureSession>
#include <QObject>
#include <QSize>
#include <memory>

// Qt Multimedia: one QMediaCaptureSession, and a QCamera on the system's
// default video input at about 640 x 480.
class QtCaptureBackend : public QObject, public CaptureBackend {
    Q_OBJECT

public:
    explicit QtCaptureBackend(QObject *parent = nullptr);
    ~QtCaptureBackend() override;

    QMediaCaptureSession *session() const override;
    bool isRunning() const override;
    Configuration configure() override;
    void startRunning(std::function<void()> done) override;

    // Index of the resolution closest in pixel count to 640 x 480 (the
    // smaller one on a tie), or -1 for an empty list.
    static qsizetype closestToMedium(const QList<QSize> &resolutions);

private:
    bool cameraUsable() const;

    // A QMediaCaptureSession cannot be copied or moved, and session() hands
    // out a stable pointer: keep it on the heap for the life of the back end.
    std::unique_ptr<QMediaCaptureSession> m_session;
    // Declared after the session so that it goes first and detaches itself.
    std::unique_ptr<QCamera> m_camera;
};
