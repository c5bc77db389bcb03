// uvcc-helper runs outside our control: it may hang, flood, crash or speak
// garbage. Each case here plays one such helper against the real controller,
// which must end every run, keep its memory and rows sane, show the fixed
// messages, and never make the GUI thread wait for a camera write.
#include "fakehelperscript.h"
#include "menubarview.h"
#include "uvccontroller.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <sys/types.h>

namespace {

const QString kNotFound = QStringLiteral("Cannot find uvcc-helper or camera not connected");
const QString kUnreadable = QStringLiteral("Could not read camera controls");

const QByteArray kDevices = R"([{"vid":"1a2b","pid":"3c4d","name":"Desk Camera"}])";
const QByteArray kControls = "brightness int min=-64 max=64 value=3\n";
const QByteArray kExport = R"({"brightness":3,"gain":10,"auto_focus":1})";
const QByteArray kRanges = R"({"brightness":{"min":-64,"max":64},"gain":{"min":0,"max":255}})";

void scriptCamera(FakeHelperScript &fake)
{
    fake.answer("devices", kDevices);
    fake.answer("controls", kControls);
    fake.answer("export", kExport);
    fake.answer("ranges", kRanges);
}

void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// Process ids of fake runs that started but never reached their end.
QList<pid_t> unfinishedRuns(const FakeHelperScript &fake)
{
    QList<pid_t> started;
    QList<pid_t> ended;
    for (const QByteArray &line : fake.trace()) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 2)
            (parts[0] == "start" ? started : ended) << pid_t(parts[1].toLongLong());
    }
    for (pid_t pid : ended)
        started.removeAll(pid);
    return started;
}

bool processGone(pid_t pid)
{
    // A killed child of ours is reaped by QProcess; a zombie would still answer.
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

CameraSliderControl brightnessRow(const UVCController &controller)
{
    for (const CameraSliderControl &row : controller.sliders())
        if (row.id == QLatin1String("brightness"))
            return row;
    return {};
}

// The longest time the event loop went without running a 1 ms timer while
// `work` ran one step per turn for `steps` turns.
qint64 longestStall(int steps, const std::function<void(int)> &work)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    probe.start(1);
    int step = 0;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (step < steps)
            work(step++);
    });
    driver.start(2);
    while (step < steps)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    // Let the probe see the turn after the last step too.
    QTest::qWait(20);
    return longest;
}

} // namespace

class HostileHelpersTest : public QObject {
    Q_OBJECT

private slots:
    void helperThatNeverExits();
    void floodOfOutput_data();
    void floodOfOutput();
    void invalidUtf8_data();
    void invalidUtf8();
    void crashHalfWayThroughJson();
    void slowWritesWhileDragging();
};

void HostileHelpersTest::helperThatNeverExits()
{
    FakeHelperScript fake;
    scriptCamera(fake);
    fake.option("controls", "sleep", "600000");

    UVCController controller(FakeHelperScript::program());

    QCOMPARE(controller.isConnected(), false);
    QCOMPARE(controller.errorMessage(), std::optional<QString>(kNotFound));
    QVERIFY(controller.sliders().isEmpty());
    // The hanging run was killed, not left behind.
    const QList<pid_t> hung = unfinishedRuns(fake);
    QCOMPARE(hung.size(), 1);
    QVERIFY(processGone(hung.first()));

    // The panel shows the same text in its disconnected notice.
    {
        fake.clearLog();
        MenuBarView::Options options;
        options.helperPath = FakeHelperScript::program();
        MenuBarView panel(std::move(options));
        panel.show();
        bool shown = false;
        for (QLabel *label : panel.findChildren<QLabel *>())
            shown = shown || (label->isVisible() && label->text() == kNotFound);
        QVERIFY(shown);
        QVERIFY(processGone(unfinishedRuns(fake).value(0)));
    }

    // Retry against a helper that answers again connects.
    fake.clearOption("controls", "sleep");
    controller.checkConnection();
    settle();
    QVERIFY(controller.isConnected());
    QCOMPARE(controller.sliders().size(), 2);
}

void HostileHelpersTest::floodOfOutput_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("message");
    QTest::newRow("controls") << "controls" << false << kNotFound;
    QTest::newRow("export") << "export" << true << kUnreadable;
    QTest::newRow("ranges") << "ranges" << true << kUnreadable;
}

// 50 MB on standard output; a line of the answer is a valid start, so only
// the amount gives it away.
void HostileHelpersTest::floodOfOutput()
{
    QFETCH(QString, command);
    QFETCH(bool, connected);
    QFETCH(QString, message);
    FakeHelperScript fake;
    scriptCamera(fake);
    const QByteArray line = QByteArray("brightness ").append(1013, 'x').append('\n');
    fake.answer(command, line);
    fake.option(command, "repeat", QByteArray::number(50 * 1024 * 1024 / line.size()));

    UVCController controller(FakeHelperScript::program());
    settle();

    QCOMPARE(controller.isConnected(), connected);
    QCOMPARE(controller.errorMessage(), std::optional<QString>(message));
    QVERIFY(controller.sliders().isEmpty());
    QVERIFY(controller.toggles().isEmpty());
    for (pid_t pid : unfinishedRuns(fake))
        QVERIFY(processGone(pid));
}

void HostileHelpersTest::invalidUtf8_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("devices");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("message");
    // A lone continuation byte, an overlong '/', a surrogate, and a cut sequence.
    QTest::newRow("devices") << "devices" << QByteArray(R"([{"vid":"1a2b","pid":"3c4d","name":"Cam )"
                                                        "\x80\"}]")
                             << 0 << true << QString();
    QTest::newRow("controls") << "controls" << QByteArray("brightness \xc0\xaf\n") << 1 << false << kNotFound;
    QTest::newRow("export") << "export" << QByteArray("{\"brightness\":3,\"\xed\xa0\x80\":1}") << 1 << true
                            << kUnreadable;
    QTest::newRow("ranges") << "ranges" << QByteArray("{\"gain\":{\"min\":0,\"max\":255}}\xe2\x82") << 1 << true
                            << kUnreadable;
}

void HostileHelpersTest::invalidUtf8()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, answer);
    QFETCH(int, devices);
    QFETCH(bool, connected);
    QFETCH(QString, message);
    FakeHelperScript fake;
    scriptCamera(fake);
    fake.answer(command, answer);

    UVCController controller(FakeHelperScript::program());
    settle();

    QCOMPARE(controller.devices().size(), devices);
    QCOMPARE(controller.isConnected(), connected);
    QCOMPARE(controller.errorMessage(), message.isEmpty() ? std::nullopt : std::optional<QString>(message));
    if (!message.isEmpty())
        QVERIFY(controller.sliders().isEmpty());
}

void HostileHelpersTest::crashHalfWayThroughJson()
{
    FakeHelperScript fake;
    scriptCamera(fake);
    // Half of "devices" leaves no camera known, and nothing half-parsed.
    fake.option("devices", "crash");
    {
        UVCController controller(FakeHelperScript::program());
        QVERIFY(controller.devices().isEmpty());
        QCOMPARE(controller.selectedDevice(), std::nullopt);
    }
    fake.clearOption("devices", "crash");

    // Half of "export" on the first load: no rows built from the part read.
    fake.option("export", "crash");
    UVCController controller(FakeHelperScript::program());
    settle();
    QVERIFY(controller.isConnected());
    QCOMPARE(controller.errorMessage(), std::optional<QString>(kUnreadable));
    QVERIFY(controller.sliders().isEmpty());
    QVERIFY(controller.toggles().isEmpty());

    // Half of "ranges" on a Reset: the rows already shown stay as they were.
    fake.clearOption("export", "crash");
    controller.checkConnection();
    settle();
    QCOMPARE(controller.sliders().size(), 2);
    fake.option("ranges", "crash");
    controller.loadControls();
    settle();
    QCOMPARE(controller.sliders().size(), 2);
    QCOMPARE(controller.toggles().size(), 1);
    QCOMPARE(controller.errorMessage(), std::optional<QString>(kUnreadable));
}

// The real helper and simulated camera behind a wrapper that takes a second
// over every "set": a drag of 200 steps must not stall the event loop longer
// than the same drag against the unwrapped helper, and the camera must end on
// the value the drag ended on.
void HostileHelpersTest::slowWritesWhileDragging()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString state = dir.filePath(QStringLiteral("camera.json"));
    qputenv("UVCC_HELPER_SIMULATE", state.toLocal8Bit());
    const QString slowHelper = dir.filePath(QStringLiteral("slow-helper"));
    {
        QFile script(slowHelper);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n"
                     "[ \"$1\" = set ] && sleep 1\n"
                     "exec '" UVCC_HELPER_PATH "' \"$@\"\n");
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    }
    constexpr int kSteps = 200;
    auto dragValue = [](int step) { return qint64(std::abs(step % 129 - 64)); };

    UVCController fast(QStringLiteral(UVCC_HELPER_PATH));
    settle();
    QVERIFY(fast.isConnected());
    const CameraSliderControl fastRow = brightnessRow(fast);
    const qint64 baseline = longestStall(kSteps, [&](int step) { fast.setSliderValue(fastRow, dragValue(step)); });
    QVERIFY(fast.waitForWrites());

    UVCController slow(slowHelper);
    settle();
    QVERIFY(slow.isConnected());
    const CameraSliderControl slowRow = brightnessRow(slow);
    QElapsedTimer clock;
    clock.start();
    int lagging = 0;
    const qint64 stall = longestStall(kSteps, [&](int step) {
        slow.setSliderValue(slowRow, dragValue(step));
        // The row follows the hand at once.
        lagging += brightnessRow(slow).value != dragValue(step);
    });
    qInfo("longest event-loop stall: %lld ms with 1 s writes, %lld ms with the plain helper (drag of %d steps took %lld ms)",
          stall, baseline, kSteps, clock.elapsed());
    QCOMPARE(lagging, 0);
    // A single write on the GUI thread would have stalled it for a second.
    QVERIFY2(stall < baseline + 500, qPrintable(QStringLiteral("stall %1 ms, baseline %2 ms").arg(stall).arg(baseline)));

    QVERIFY(slow.waitForWrites(60000));
    QProcess exporter;
    exporter.start(QStringLiteral(UVCC_HELPER_PATH), {QStringLiteral("export"), QStringLiteral("fe1a:0c01")});
    QVERIFY(exporter.waitForFinished(30000));
    const QJsonObject values = QJsonDocument::fromJson(exporter.readAllStandardOutput()).object();
    QCOMPARE(values.value(QStringLiteral("brightness")).toInteger(), dragValue(kSteps - 1));
    qunsetenv("UVCC_HELPER_SIMULATE");
}

QTEST_MAIN(HostileHelpersTest)
#include "tst_hostilehelpers.moc"
