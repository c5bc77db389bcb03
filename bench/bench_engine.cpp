// The camera control engine against the real uvcc-helper on its simulated
// cameras: the cost of one helper run, of constructing the controller, and
// how soon the last value of a fast slider drag is on the camera.

#include "benchtable.h"
#include "helperanswers.h"
#include "uvccontroller.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

namespace {

constexpr int kRuns = 41;

void helperRunAgainstTrue(const QString &helper)
{
    // Interleaved, so both see the same machine load.
    std::vector<double> helperTimes, trueTimes;
    for (int i = 0; i < kRuns; ++i) {
        helperTimes.push_back(Bench::medianMs(1, [&] { UVCController::runProcess(helper, {"export"}); }));
        trueTimes.push_back(Bench::medianMs(1, [] { UVCController::runProcess("/bin/true", {}); }));
    }
    const double helperMs = Bench::median(helperTimes);
    const double trueMs = Bench::median(trueTimes);
    const double ratio = helperMs / trueMs;
    Bench::row("one `uvcc-helper export` run (median)", Bench::ms(helperMs),
               "<= 1.5 x /bin/true", ratio <= 1.5);
    Bench::row("one `/bin/true` run, same runner (median)", Bench::ms(trueMs), "baseline", true);
    Bench::row("  ratio helper / true", Bench::ratio(ratio), "<= 1.5", ratio <= 1.5);
}

void construction(const QString &helper)
{
    const double constructMs = Bench::medianMs(15, [&] {
        UVCController controller(helper);
        QCoreApplication::processEvents();
    });
    Bench::row("construct UVCController (4 helper runs, median)", Bench::ms(constructMs),
               "< 20 ms", constructMs < 20);
}

void lastOfManyWrites(const QString &helper)
{
    UVCController controller(helper);
    QCoreApplication::processEvents();
    CameraSliderControl row;
    for (const auto &candidate : controller.sliders())
        if (candidate.id == QLatin1String("gain"))
            row = candidate;
    std::vector<double> delays;
    bool allArrived = true;
    for (int trial = 0; trial < 5; ++trial) {
        const qint64 last = row.min + (row.max - row.min) / 2 + trial;
        for (int i = 0; i < 499; ++i)
            controller.setSliderValue(row, row.min + i % (row.max - row.min + 1));
        QElapsedTimer timer;
        timer.start();
        controller.setSliderValue(row, last);
        controller.waitForWrites();
        delays.push_back(timer.nsecsElapsed() / 1e6);
        const auto values = HelperAnswers::parseObject(
            controller.runHelper({"export"}).value_or(QString()));
        allArrived = allArrived && values && values->value("gain").toInteger(-1) == last;
    }
    const double delay = Bench::median(delays);
    Bench::row("last of 500 setSliderValue calls on camera (median)", Bench::ms(delay), "< 50 ms",
               delay < 50 && allArrived);
    if (!allArrived)
        Bench::row("  the camera did not end on the last value", "-", "always", false);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir state;
    qputenv("UVCC_HELPER_SIMULATE", state.filePath("camera.json").toLocal8Bit());
    const QString helper = QStringLiteral(UVCC_HELPER_PATH);

    Bench::header("camera control engine (simulated camera)");
    helperRunAgainstTrue(helper);
    construction(helper);
    lastOfManyWrites(helper);
    return Bench::exitCode();
}
