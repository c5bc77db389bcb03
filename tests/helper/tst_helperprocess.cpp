// The built uvcc-helper program end to end, on its simulated cameras.
#include "programrun.h"
#include "simulatedstate.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

namespace {

const QString kDemo = "fe1a:0c01";
const QString kMini = "fe2b:0102";

using Run = ProgramRun;

class TestHelperProcess : public QObject {
    Q_OBJECT

private slots:
    void init();
    void listsDevices();
    void readsControlsAndRanges();
    void setsAndClamps();
    void failsWithCodesAndNoOutput_data();
    void failsWithCodesAndNoOutput();
    void keepsTheLastOfConcurrentWrites();
    void reportsNoCameraWithoutSimulation();
    void unpluggedCamerasAreAbsentAndWatched();

private:
    QProcessEnvironment environment(bool simulate) const;
    Run helper(const QStringList &args, bool simulate = true) const;
    QJsonObject exportOf(const QString &designator = {}) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_state;
};

void TestHelperProcess::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_state = m_dir->filePath("state.json");
}

QProcessEnvironment TestHelperProcess::environment(bool simulate) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("UVCC_HELPER_SIMULATE");
    if (simulate)
        env.insert("UVCC_HELPER_SIMULATE", m_state);
    return env;
}

Run TestHelperProcess::helper(const QStringList &args, bool simulate) const
{
    return runProgram(UVCC_HELPER_PATH, args, environment(simulate));
}

QJsonObject TestHelperProcess::exportOf(const QString &designator) const
{
    Run run = helper(designator.isEmpty() ? QStringList{"export"} : QStringList{"export", designator});
    return QJsonDocument::fromJson(run.out).object();
}

void TestHelperProcess::listsDevices()
{
    Run run = helper({"devices"});
    QCOMPARE(run.code, 0);
    QVERIFY(run.err.isEmpty());
    QVERIFY(run.out.endsWith("]\n"));
    QCOMPARE(run.out.count('\n'), 1);
    QJsonArray devices = QJsonDocument::fromJson(run.out).array();
    QCOMPARE(devices.size(), 2);
    QJsonObject demo = devices[0].toObject();
    QCOMPARE(demo["vid"].toString() + ":" + demo["pid"].toString(), kDemo);
    QCOMPARE(demo["name"].toString(), "Lumarel Demo Camera");
    QVERIFY(!demo["manufacturer"].toString().isEmpty());
    QJsonObject mini = devices[1].toObject();
    QCOMPARE(mini["vid"].toString() + ":" + mini["pid"].toString(), kMini);
    QVERIFY(!mini.contains("manufacturer"));
    QVERIFY(QFile::exists(m_state));
}

void TestHelperProcess::readsControlsAndRanges()
{
    Run listing = helper({"controls"});
    QCOMPARE(listing.code, 0);
    QVERIFY(listing.out.contains("brightness"));
    QVERIFY(listing.out.contains("absolute_focus"));
    QCOMPARE(listing.out.count('\n'), 17); // a heading and 16 controls

    QJsonObject demo = exportOf();
    QCOMPARE(demo.size(), 16);
    QCOMPARE(demo["absolute_exposure_time"].toInteger(), 250);
    QCOMPARE(demo["auto_exposure_mode"].toInteger(), 8);

    Run ranges = helper({"ranges", kDemo});
    QCOMPARE(ranges.code, 0);
    QJsonObject all = QJsonDocument::fromJson(ranges.out).object();
    QCOMPARE(all.size(), 16);
    QJsonObject exposure = all["absolute_exposure_time"].toObject();
    QCOMPARE(exposure["min"].toInteger(), 3);
    QCOMPARE(exposure["max"].toInteger(), 2047);
    QCOMPARE(all["auto_exposure_mode"].toObject()["modes"].toArray(), (QJsonArray{1, 8}));

    // The second camera, chosen by designator, lacks focus, zoom and iris.
    QJsonObject mini = exportOf(kMini);
    QVERIFY(mini.contains("brightness"));
    for (const char *missing : {"absolute_focus", "absolute_zoom", "iris_absolute", "auto_focus"})
        QVERIFY2(!mini.contains(missing), missing);
    QVERIFY(!helper({"controls", kMini}).out.contains("absolute_focus"));
    QCOMPARE(QJsonDocument::fromJson(helper({"ranges", kMini}).out).object().keys(), mini.keys());
}

void TestHelperProcess::setsAndClamps()
{
    Run set = helper({"set", "brightness", "-12"});
    QCOMPARE(set.code, 0);
    QVERIFY(set.out.isEmpty());
    QCOMPARE(exportOf()["brightness"].toInteger(), -12);

    // Manual controls take writes only once their automatic mode is off.
    QCOMPARE(helper({"set", "absolute_exposure_time", "500"}).code, 6);
    QVERIFY(helper({"controls"}).out.contains("value 250  inactive"));
    QCOMPARE(helper({"set", "auto_exposure_mode", "1"}).code, 0);
    QCOMPARE(helper({"set", "auto_white_balance_temperature", "0"}).code, 0);
    QCOMPARE(helper({"set", "auto_focus", "-3"}).code, 0); // a switch clamps to 0..1
    QVERIFY(!helper({"controls"}).out.contains("inactive"));

    QCOMPARE(helper({"set", "absolute_exposure_time", "99999"}).code, 0);
    QCOMPARE(helper({"set", "white_balance_temperature", "100"}).code, 0);
    QCOMPARE(helper({"set", "absolute_focus", "12"}).code, 0);
    QJsonObject demo = exportOf();
    QCOMPARE(demo["absolute_exposure_time"].toInteger(), 2047);
    QCOMPARE(demo["white_balance_temperature"].toInteger(), 2800);
    QCOMPARE(demo["absolute_focus"].toInteger(), 10); // step 5
    QCOMPARE(demo["auto_focus"].toInteger(), 0);
    QCOMPARE(demo["brightness"].toInteger(), -12);

    // A write to the second camera leaves the first alone.
    QCOMPARE(helper({"set", "brightness", "200", kMini}).code, 0);
    QCOMPARE(exportOf(kMini)["brightness"].toInteger(), 200);
    QCOMPARE(exportOf(kDemo)["brightness"].toInteger(), -12);
}

void TestHelperProcess::failsWithCodesAndNoOutput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::newRow("no command") << QStringList{} << 2;
    QTest::newRow("unknown camera on set") << QStringList{"set", "gain", "1", "dead:beef"} << 3;
    QTest::newRow("control the camera lacks") << QStringList{"set", "absolute_zoom", "200", kMini} << 4;
    QTest::newRow("fraction") << QStringList{"set", "gain", "1.5"} << 5;
    QTest::newRow("unsupported mode") << QStringList{"set", "auto_exposure_mode", "2"} << 6;
    QTest::newRow("manual while automatic") << QStringList{"set", "white_balance_temperature", "3000"} << 6;
}

void TestHelperProcess::failsWithCodesAndNoOutput()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    Run run = helper(args);
    QCOMPARE(run.code, code);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.startsWith("uvcc-helper: "), run.err.constData());
    QCOMPARE(run.err.count('\n'), 1);
    QCOMPARE(exportOf()["gain"].toInteger(), 0); // nothing was written
}

void TestHelperProcess::keepsTheLastOfConcurrentWrites()
{
    QVERIFY(helper({"devices"}).code == 0);
    // Per round, one run per control of its own (a write lost to a racing
    // read-modify-write shows as a stale value) and several runs that fight
    // over gain (the state must end on a value one of them wrote).
    const QList<QPair<QString, qint64>> own = {{"brightness", -30}, {"contrast", 0},
                                               {"saturation", 10}, {"hue", -20},
                                               {"gamma", 100}, {"absolute_zoom", 200}};
    constexpr int rounds = 20;
    constexpr int gainWriters = 4;
    QSet<qint64> gainWritten;
    for (int round = 0; round < rounds; ++round) {
        QList<QStringList> commands;
        for (const auto &[name, base] : own)
            commands.append({"set", name, QString::number(base + round)});
        for (int w = 0; w < gainWriters; ++w) {
            const qint64 value = 10 + round * gainWriters + w;
            gainWritten.insert(value);
            commands.append({"set", "gain", QString::number(value)});
        }
        std::vector<std::unique_ptr<QProcess>> runs;
        for (const QStringList &command : commands) {
            auto run = std::make_unique<QProcess>();
            run->setProcessEnvironment(environment(true));
            run->start(UVCC_HELPER_PATH, command);
            runs.push_back(std::move(run));
        }
        for (auto &run : runs) {
            QVERIFY(run->waitForFinished(30000));
            QCOMPARE(run->exitCode(), 0);
        }
    }
    QJsonObject after = exportOf();
    QCOMPARE(after.size(), 16);
    for (const auto &[name, base] : own)
        QCOMPARE(after[name].toInteger(), base + rounds - 1);
    QVERIFY(gainWritten.contains(after["gain"].toInteger()));

    QCOMPARE(helper({"set", "gain", "7"}).code, 0);
    QCOMPARE(exportOf()["gain"].toInteger(), 7);
}

void TestHelperProcess::reportsNoCameraWithoutSimulation()
{
    Run devices = helper({"devices"}, false);
    QCOMPARE(devices.code, 0);
    QVERIFY(QJsonDocument::fromJson(devices.out).isArray());
    QVERIFY(!QFile::exists(m_state));
    if (!QJsonDocument::fromJson(devices.out).array().isEmpty())
        QSKIP("this machine has a camera");
    Run controls = helper({"controls"}, false);
    QCOMPARE(controls.code, 3);
    QVERIFY(controls.out.isEmpty());
    QVERIFY(!controls.err.isEmpty());
}

void TestHelperProcess::unpluggedCamerasAreAbsentAndWatched()
{
    LineRun watch(UVCC_HELPER_PATH, {"watch"}, environment(true));
    QCOMPARE(QJsonDocument::fromJson(watch.nextLine()).array().size(), 2);
    // Idle, it sleeps: no wake-ups while nothing changes.
    const qint64 before = watch.settledWakeups();
    QTest::qWait(500);
    QCOMPARE(watch.wakeups(), before);

    QVERIFY(setUnplugged(m_state, {kMini.toUpper()}));
    QCOMPARE(QJsonDocument::fromJson(watch.nextLine()).array().size(), 1);
    QCOMPARE(helper({"export", kMini}).code, 3);
    QCOMPARE(QJsonDocument::fromJson(helper({"devices"}).out).array().size(), 1);
    // A write to the camera still there keeps the other one unplugged, and
    // changes nothing watch reports.
    QCOMPARE(helper({"set", "gain", "9", kDemo}).code, 0);
    QCOMPARE(QJsonDocument::fromJson(helper({"devices"}).out).array().size(), 1);

    QVERIFY(setUnplugged(m_state, {}));
    QCOMPARE(QJsonDocument::fromJson(watch.nextLine()).array().size(), 2);
    QCOMPARE(watch.nextLine(300), QByteArray()); // one line per change
    QCOMPARE(watch.finish(), 0);
}

} // namespace

QTEST_GUILESS_MAIN(TestHelperProcess)
#include "tst_helperprocess.moc"
