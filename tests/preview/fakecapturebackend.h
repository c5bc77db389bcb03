#pragma once

#include "capturebackend.h"

#include <QMediaCaptureSession>
#include <functional>
#include <memory>
#include <vector>

// What a fake capture back end sees and does. The test keeps it, so it can
// change the camera and finish pending starts also after the back end (and
// its manager) are gone.
struct FakeCaptureState {
    // The system's camera.
    bool hasCamera = true;
    bool canOpen = true;
    bool sessionAcceptsInput = true;
    // Whether a start leaves the session running (false: refused or failed),
    // and why not.
    bool startSucceeds = true;
    PreviewProblem failure = PreviewProblem::CameraUnavailable;

    // The session.
    bool running = false;
    int configurations = 0;
    int inputsAttached = 0;
    int startRequests = 0;
    bool backendAlive = false;
    // The device is open: from a start that returned until the next stop.
    bool deviceOpen = false;
    int stops = 0;
    PreviewProblem problem = PreviewProblem::None;

    // Starts the session has been asked for and that have not returned yet.
    std::vector<std::function<void()>> pendingStarts;

    // Lets every pending start return, in order.
    void finishStarts();
    // The system stops the session, as after an unplug.
    void stopBySystem() { running = false; }
};

class FakeCaptureBackend : public CaptureBackend {
public:
    explicit FakeCaptureBackend(std::shared_ptr<FakeCaptureState> state);
    ~FakeCaptureBackend() override;

    QMediaCaptureSession *session() const override { return m_session.get(); }
    bool isRunning() const override { return m_state->running; }
    Configuration configure() override;
    void startRunning(std::function<void()> done) override;
    void stopRunning() override;
    PreviewProblem problem() const override { return m_state->problem; }

private:
    std::shared_ptr<FakeCaptureState> m_state;
    std::unique_ptr<QMediaCaptureSession> m_session;
};
