#pragma once

#include <functional>

class QMediaCaptureSession;

// Why a start gave no pictures, as the preview tells the user.
enum class PreviewProblem {
    None,
    CameraBusy,        // another program streams from the camera
    CameraUnavailable, // it failed or gave up for another reason
};

// The capture framework as CameraSessionManager sees it: one implementation
// drives Qt Multimedia, tests drive a fake. Every call comes from the GUI
// thread.
class CaptureBackend {
public:
    enum class Configuration {
        NoCamera,      // the system has no default video input
        CannotOpen,    // the default input could not be opened (or access was refused)
        InputAttached, // an input for the default camera is in place for the next start
        InputRefused,  // the session kept the input it had; the new one was dropped
    };

    virtual ~CaptureBackend() = default;

    // Created with the back end and never replaced; the preview draws its frames.
    virtual QMediaCaptureSession *session() const = 0;
    // Whether the session runs now; false again once the system stopped it
    // (for example after the camera was unplugged).
    virtual bool isRunning() const = 0;
    // Sets the modest picture quality and offers the system's default camera to
    // the session. Never waits for the device.
    virtual Configuration configure() = 0;
    // Asks the session to start and returns without waiting for the device.
    // Calls `done` at most once, on the GUI thread, when starting has returned,
    // whether or not the session started; `done` may outlive its caller.
    virtual void startRunning(std::function<void()> done) = 0;
    // Stops capturing and closes the device, so that another program (a video
    // call) can stream from it; the next start configures it again. A start
    // under way is abandoned: its `done` may come later, or never.
    virtual void stopRunning() = 0;
    // Why the last start that returned gave no pictures; None while it runs.
    virtual PreviewProblem problem() const = 0;
};
