#pragma once

#include <QWidget>
#include <memory>

class CameraSessionManager;
class CaptureBackend;
class LoginItem;
class PresetManager;
class UVCController;

// The panel shown from the tray icon: 320 x 700, created once for the life of
// the process. It owns the three models, creates them when it is first built,
// and renders from their change signals.
class MenuBarView : public QWidget {
    Q_OBJECT

public:
    struct Options {
        // Empty: UVCController::locateHelper().
        QString helperPath;
        // Null: a login item that is never enabled and cannot be changed.
        std::unique_ptr<LoginItem> loginItem;
        // Null: the Qt Multimedia capture back end.
        std::unique_ptr<CaptureBackend> captureBackend;
    };

    explicit MenuBarView(QWidget *parent = nullptr);
    explicit MenuBarView(Options options, QWidget *parent = nullptr);
    ~MenuBarView() override;

    UVCController &uvc() const;
    PresetManager &presets() const;
    CameraSessionManager &camera() const;

protected:
    // Every showing starts the preview session (a no-op once it runs).
    void showEvent(QShowEvent *event) override;
};
