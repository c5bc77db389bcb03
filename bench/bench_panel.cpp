// The panel's cost on the GUI thread for one slider step during a drag, the
// commonest thing it does: the controller stores the value and the panel
// updates its rows in place. Baseline, timed in the same run: the same
// setSliderValue on a controller that no panel watches.
#include "menubarview.h"
#include "preferences.h"
#include "uvccontroller.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSlider>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double medianUs(int runs, const std::function<void(int)> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work(i);
        times.push_back(timer.nsecsElapsed() / 1e3);
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[runs / 2];
}

bool report(const char *name, double us, double baselineUs, double maxRatio)
{
    const double ratio = us / std::max(baselineUs, 0.001);
    const bool ok = ratio <= maxRatio;
    std::printf("%-30s %9.1f us  baseline %9.1f us  ratio %6.2f (goal <= %.0f)  %s\n", name, us,
                baselineUs, ratio, maxRatio, ok ? "ok" : "MISSED");
    return ok;
}

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
    const QString helper = QCoreApplication::applicationDirPath() + QStringLiteral("/uvcc-helper");
    constexpr int kRuns = 400;

    UVCController bare(helper);
    QCoreApplication::processEvents();
    const CameraSliderControl row = brightness(bare);
    if (row.id.isEmpty()) {
        std::fprintf(stderr, "bench_panel: the simulated camera has no brightness control\n");
        return 2;
    }
    const double baseline = medianUs(kRuns, [&](int i) { bare.setSliderValue(row, i % 2 ? row.min : row.max); });
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
        std::fprintf(stderr, "bench_panel: no Brightness slider in the panel\n");
        return 2;
    }
    const double panel = medianUs(kRuns, [&](int i) {
        slider->setValue(i % 2 ? slider->minimum() : slider->maximum());
    });
    view.uvc().waitForWrites();

    // Every step refreshes all rows in place (texts, ranges, positions); it
    // must stay a small multiple of the controller's own work, so that a drag
    // follows the hand.
    return report("slider step through the panel", panel, baseline, 40) ? 0 : 1;
}
