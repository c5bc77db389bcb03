#pragma once

// Complete types, so that callers can build and destroy Options.
#include "capturebackend.h"
#include "loginitem.h"
#include "sleepmonitor.h"

#include <QTimer>
#include <QWidget>
#include <memory>

class CameraPreviewView;
class CameraSessionManager;
class ControlSection;
class ElidedLabel;
class PresetManager;
class PresetsSection;
class QComboBox;
class QLabel;
class QMenu;
class SwitchButton;
class UVCController;
struct UVCDevice;

// The panel shown from the tray icon: 320 x 700, created once for the life of
// the process. It owns the three models, creates them once (when it is
// built, or later when Options::createModelsLater says so), and renders from
// their change signals.
class MenuBarView : public QWidget {
    Q_OBJECT

public:
    struct Options {
        // Empty: UVCController::locateHelper().
        QString helperPath;
        // Never null; by default a login item that is never enabled and
        // cannot be changed.
        std::unique_ptr<LoginItem> loginItem = std::make_unique<NullLoginItem>();
        // Null: the Qt Multimedia capture back end.
        std::unique_ptr<CaptureBackend> captureBackend;
        // Follow cameras that are plugged in or pulled out while the panel
        // lives (UVCController::followCameras()).
        bool followCameras = false;
        // Tells when the system wakes; null: it is never told.
        std::unique_ptr<SleepMonitor> sleepMonitor;
        // Make the models, and the rows that show them, only at the first
        // showing, the first use of the accessors, or kModelDelayMs after
        // construction, whichever comes first: the
        // controller's first helper runs then do not hold up the tray icon.
        bool createModelsLater = false;
    };
    static constexpr int kModelDelayMs = 200;

    explicit MenuBarView(QWidget *parent = nullptr);
    explicit MenuBarView(Options options, QWidget *parent = nullptr);
    ~MenuBarView() override;

    // The presets as entries of the tray icon's menu, present only while a
    // camera is connected: the last used one checked, and choosing one
    // applies it exactly as its Load button does. None before the models
    // exist.
    void addPresetActions(QMenu *menu);

    UVCController &uvc();
    PresetManager &presets();
    CameraSessionManager &camera();
    // Whether the models exist yet.
    bool hasModels() const { return m_uvc != nullptr; }

signals:
    // What addPresetActions() adds has changed: a menu filled anew only as it
    // opens would change its size while opening, which some tray hosts draw
    // badly.
    void trayMenuEntriesChanged();

protected:
    // Every showing starts the preview session (a no-op once it runs);
    // hiding stops it and lets the camera go, for a video call to use.
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void createModels();
    QWidget *buildTopBlock();
    QWidget *buildScrollArea();
    QWidget *buildFooter();
    QWidget *buildNotice();
    void connectModels();

    void renderCamera();
    void renderPreview();
    void renderNotice();
    void renderPresets();

    void selectDevice(const UVCDevice &device);
    void retry();
    // Registers or unregisters; on failure the switch follows the item's status.
    void setLaunchAtLogin(bool on);
    // Assigns the switch state; a real change runs setLaunchAtLogin again.
    void assignLaunchAtLogin(bool on);
    void connectionChanged();
    // 0.5 s after a camera becomes usable, applies the last used preset's
    // values as they were at that moment.
    void reapplyLastUsedPreset(bool connected);
    // After a resume, asks the camera until it answers (or a while has
    // passed), then applies the last used preset again.
    void systemResumed();
    void checkAfterResume();

    std::unique_ptr<LoginItem> m_loginItem;
    std::unique_ptr<UVCController> m_uvc;
    std::unique_ptr<PresetManager> m_presets;
    std::unique_ptr<CameraSessionManager> m_camera;
    // What createModels() still needs, until it has run.
    std::unique_ptr<Options> m_modelOptions;
    // The connection state last seen, so that only real changes count.
    bool m_wasConnected = false;
    std::unique_ptr<SleepMonitor> m_sleepMonitor;
    QTimer m_resumeCheck;
    int m_resumeChecksLeft = 0;

    QWidget *m_topColumn = nullptr;
    ElidedLabel *m_cameraName = nullptr;
    QWidget *m_pickerRow = nullptr;
    QComboBox *m_picker = nullptr;
    CameraPreviewView *m_preview = nullptr;
    QWidget *m_notice = nullptr;
    QLabel *m_noticeMessage = nullptr;
    ControlSection *m_modes = nullptr;
    ControlSection *m_adjustments = nullptr;
    PresetsSection *m_presetsSection = nullptr;
    SwitchButton *m_loginSwitch = nullptr;
};
