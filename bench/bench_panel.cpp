// The panel's cost on the GUI thread for one slider step during a drag, the
// commonest thing it does: the controller stores the value and the panel
// updates its rows in place. Baseline, timed in the same run: the same
// setSliderValue on a controller that no panel watches.
#include "benchtable.h"
#include "menubarview.h"
#include "preferences.h"
#include "uvccontroller.h"

#include <QApplication>
#include <QSlider>
#include <QTemporaryDir>

namespace {

CameraSliderControl brightness(const UVCController &uvc)
{
    for (const CameraSliderControl &row : uvc.sliders())
        if (row.id == QLatin1String("brightness"))
            return row;
    return {};
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
    return Bench::exitCode();
}
