// The panel's cost on the GUI thread for one slider step during a drag, the
// commonest thing it does: the controller stores the value and the panel
// updates its rows in place. Baseline, timed in the same run: the same
// setSliderValue on a controller that no panel watches. Then how soon a
// re-plugged camera has its last used preset back.
#include "benchtable.h"
#include "menubarview.h"
#include "preferences.h"
#include "uvccontroller.h"

#include "presetmanager.h"
#include "simulatedstate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSlider>
#include <QTemporaryDir>
#include <QThread>

namespace {

CameraSliderControl brightness(const UVCController &uvc)
{
    for (const CameraSliderControl &row : uvc.sliders())
        if (row.id == QLatin1String("brightness"))
            return row;
    return {};
}

// Runs the event loop until `done` or `ms` have passed; false on time-out.
template<typename Done>
bool spinUntil(Done &&done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}

std::optional<qint64> storedBrightness(const QString &statePath, const QString &camera)
{
    QFile file(statePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonValue value = QJsonDocument::fromJson(file.readAll())["cameras"][camera]["brightness"];
    return value.isDouble() ? std::optional<qint64>(value.toInteger()) : std::nullopt;
}

// The simulated camera pulled out and put back, five times, with a new last
// used preset each time: from the moment it is back until the preset's value
// is in the camera. Of this, the panel waits 0.5 s by design, and the helper's
// watch lets a change settle for 0.3 s.
bool reportReplug(const QString &helper, const QString &statePath)
{
    Bench::header("re-plug (simulated camera, followed by one watch run)");
    MenuBarView::Options options;
    options.helperPath = helper;
    options.followCameras = true;
    MenuBarView view(std::move(options));
    view.show();
    QCoreApplication::processEvents();
    const CameraSliderControl row = brightness(view.uvc());
    const std::optional<UVCDevice> camera = view.uvc().selectedDevice();
    if (row.id.isEmpty() || !camera || !view.uvc().isConnected()) {
        Bench::row("the panel did not connect to the simulated camera", "-", "always", false);
        return false;
    }
    std::vector<double> times;
    for (int round = 0; round < 5; ++round) {
        const qint64 value = row.min + 1 + round;
        view.presets().savePreset(QStringLiteral("Bench"), {{QStringLiteral("brightness"), value}});
        recordLastUsedPreset(view.presets(), QStringLiteral("Bench"));
        if (!setUnplugged(statePath, {camera->id()})
            || !spinUntil([&] { return !view.uvc().isConnected(); }, 10000)) {
            Bench::row("the panel did not see the camera go", "-", "always", false);
            return false;
        }
        QElapsedTimer clock;
        clock.start();
        if (!setUnplugged(statePath, {})
            || !spinUntil([&] { return storedBrightness(statePath, camera->id()) == value; }, 10000)) {
            Bench::row("the last used preset was not applied after a re-plug", "-", "always", false);
            return false;
        }
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    const double median = Bench::median(times);
    Bench::row("re-plug to last preset applied (median of 5)", Bench::ms(median), "< 1500 ms", median < 1500);
    Bench::row("  of it, the panel's wait before applying", Bench::ms(500), "by design", true);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    Preferences::setFileForTesting(dir.filePath(QStringLiteral("preferences.ini")));
    qputenv("UVCC_HELPER_SIMULATE", dir.filePath(QStringLiteral("camera.json")).toLocal8Bit());
    const QString helper = QStringLiteral(UVCC_HELPER_PATH);
    constexpr int kRuns = 400;
    Bench::header("panel (simulated camera)");

    UVCController bare(helper);
    QCoreApplication::processEvents();
    const CameraSliderControl row = brightness(bare);
    if (row.id.isEmpty()) {
        Bench::row("the simulated camera has no brightness control", "-", "always", false);
        return 1;
    }
    int step = 0;
    const double baselineMs = Bench::medianMs(kRuns, [&] {
        bare.setSliderValue(row, ++step % 2 ? row.min : row.max);
    });
    bare.waitForWrites();

    MenuBarView::Options options;
    options.helperPath = helper;
    MenuBarView view(std::move(options));
    view.show();
    QCoreApplication::processEvents();
    QSlider *slider = nullptr;
    for (QSlider *candidate : view.findChildren<QSlider *>())
        if (candidate->accessibleName() == QLatin1String("Brightness"))
            slider = candidate;
    if (!slider) {
        Bench::row("no Brightness slider in the panel", "-", "always", false);
        return 1;
    }
    const double panelMs = Bench::medianMs(kRuns, [&] {
        slider->setValue(++step % 2 ? slider->minimum() : slider->maximum());
    });
    view.uvc().waitForWrites();

    // Every step refreshes all rows in place (texts, ranges, positions); it
    // must stay a small multiple of the controller's own work, so that a drag
    // follows the hand.
    const double ratio = panelMs / std::max(baselineMs, 1e-6);
    Bench::row("one slider step through the panel (median)", Bench::us(panelMs), "<= 40 x baseline",
               ratio <= 40);
    Bench::row("one setSliderValue, no panel (median)", Bench::us(baselineMs), "baseline", true);
    Bench::row("  ratio panel / controller", Bench::ratio(ratio), "<= 40", ratio <= 40);
    if (!reportReplug(helper, dir.filePath(QStringLiteral("camera.json"))))
        return 1;
    return Bench::exitCode();
}
