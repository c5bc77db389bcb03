#pragma once

// Builds a MenuBarView over the scripted fake helper, a fake login item and a
// fake capture back end, with the preferences in a fresh temporary file.

#include "camerapreset.h"
#include "fakecapturebackend.h"
#include "fakehelperscript.h"
#include "loginitem.h"
#include "menubarview.h"
#include "preferences.h"
#include "uvccontroller.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

struct FakeLoginState {
    bool enabled = false;
    bool registerWorks = true;
    bool unregisterWorks = true;
    int registerCalls = 0;
    int unregisterCalls = 0;
};

class FakeLoginItem : public LoginItem {
public:
    explicit FakeLoginItem(FakeLoginState &state) : m_state(state) {}
    bool isEnabled() const override { return m_state.enabled; }
    bool registerItem() override
    {
        ++m_state.registerCalls;
        if (m_state.registerWorks)
            m_state.enabled = true;
        return m_state.registerWorks;
    }
    bool unregisterItem() override
    {
        ++m_state.unregisterCalls;
        if (m_state.unregisterWorks)
            m_state.enabled = false;
        return m_state.unregisterWorks;
    }

private:
    FakeLoginState &m_state;
};

// One camera with two sliders and two switches, unless a test says otherwise.
struct PanelFixture {
    FakeHelperScript helper;
    FakeLoginState login;
    // The preview's camera: none, unless a test plugs one in.
    std::shared_ptr<FakeCaptureState> capture = noCamera();
    QTemporaryDir preferencesDir;
    std::unique_ptr<MenuBarView> view;
    // Whether the panel runs the helper's `watch` (scripted like any command).
    bool followCameras = false;
    // Emit its resumed() to play a wake from sleep.
    SleepMonitor *sleep = nullptr;
    // As the application builds it: models made later, and not yet shown.
    bool asAtStartUp = false;

    PanelFixture()
    {
        Preferences::setFileForTesting(preferencesDir.filePath(QStringLiteral("prefs.ini")));
        helper.answer("devices", R"([{"vid":"1a2b","pid":"3c4d","name":"Desk Camera"}])");
        helper.answer("controls", "brightness int min=-64 max=64\n");
        helper.answer("export", R"({"brightness":10,"contrast":4000,"auto_focus":1,"auto_exposure_mode":8})");
        helper.answer("ranges", R"({"brightness":{"min":-64,"max":64},"contrast":{"min":0,"max":10000}})");
    }

    void storePresets(const QList<CameraPreset> &presets, const QString &lastUsed = {})
    {
        Preferences::setData(Preferences::kPresets, encodePresetDocument(presets));
        if (!lastUsed.isEmpty())
            Preferences::setString(Preferences::kLastUsedPreset, lastUsed);
    }

    MenuBarView &build()
    {
        MenuBarView::Options options;
        options.helperPath = FakeHelperScript::program();
        options.loginItem = std::make_unique<FakeLoginItem>(login);
        options.captureBackend = std::make_unique<FakeCaptureBackend>(capture);
        options.followCameras = followCameras;
        options.sleepMonitor = std::make_unique<SleepMonitor>();
        options.createModelsLater = asAtStartUp;
        sleep = options.sleepMonitor.get();
        view = std::make_unique<MenuBarView>(std::move(options));
        if (asAtStartUp)
            return *view;
        // Shown, as in the popup; the controller publishes its rows one
        // event-loop turn after connecting.
        view->show();
        QCoreApplication::processEvents();
        return *view;
    }

    static std::shared_ptr<FakeCaptureState> noCamera()
    {
        auto state = std::make_shared<FakeCaptureState>();
        state->hasCamera = false;
        return state;
    }

    template <typename T = QWidget>
    T *named(const QString &objectName) const
    {
        return view->findChild<T *>(objectName);
    }

    // The interactive widget a screen reader would announce with this name.
    template <typename T = QWidget>
    T *accessible(const QString &name) const
    {
        for (T *widget : view->findChildren<T *>())
            if (widget->accessibleName() == name && widget->isVisibleTo(view.get()))
                return widget;
        return nullptr;
    }

    bool shown(const QString &objectName) const
    {
        const QWidget *widget = named(objectName);
        return widget && widget->isVisibleTo(view.get());
    }

    qsizetype runsOf(const QString &command) const
    {
        qsizetype count = 0;
        for (const QStringList &run : helper.runs())
            count += !run.isEmpty() && run.first() == command;
        return count;
    }

    qint64 sliderValue(const QString &id) const
    {
        for (const auto &row : view->uvc().sliders())
            if (row.id == id)
                return row.value;
        return -1;
    }
};
