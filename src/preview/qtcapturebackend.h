#pragma once

#include "capturebackend.h"

#include <QCamera>
#include <QList>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QObject>
#include <QSize>
#include <QVideoFrameFormat>
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
    void stopRunning() override;
    PreviewProblem problem() const override { return m_problem; }

    // What a failed start's error text tells: GStreamer and FFmpeg say the
    // device is busy when another program streams from it.
    static PreviewProblem problemOf(const QString &errorString);

    // One way a camera can deliver its pictures.
    struct FormatOffer {
        QSize resolution;
        QVideoFrameFormat::PixelFormat pixelFormat = QVideoFrameFormat::Format_Invalid;
        float maxFrameRate = 0;
    };
    // The offer that stands for medium quality: the resolution closest in
    // pixel count to 640 x 480 (the smaller on a tie); at that resolution one
    // with at least 15 frames a second, then one that needs no JPEG decoding,
    // then the fastest, then the first. -1 when nothing has a usable size.
    static qsizetype chooseMediumFormat(const QList<FormatOffer> &offers);

private:
    void startCamera(std::function<void()> done);
    bool cameraUsable() const;
    void noteUnplugged();

    // A QMediaCaptureSession cannot be copied or moved, and session() hands
    // out a stable pointer: keep it on the heap for the life of the back end.
    std::unique_ptr<QMediaCaptureSession> m_session;
    // Declared after the session so that it goes first and detaches itself.
    std::unique_ptr<QCamera> m_camera;
    // The camera's device went away since the camera was made: even if the
    // same device comes back, this camera's stream has ended for good.
    bool m_cameraUnplugged = false;
    PreviewProblem m_problem = PreviewProblem::None;
    QMediaDevices *m_devices = nullptr;
};
