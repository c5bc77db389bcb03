// The built uvcc-helper end to end on the V4L2 path: the program runs
// unmodified with the fake UVC driver preloaded (libfakev4l2shim), over a fake
// sysfs tree with two USB cameras, a loopback and a platform device. The same
// fake serves v4l2-ctl, a program we did not write, and the two must agree.

#include "fakeuvcdriver.h"
#include "programrun.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <linux/videodev2.h>

#include <cerrno>
#include <memory>

namespace {

struct Run {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// v4l2-ctl's names for the catalogue controls (the kernel's control names).
const QMap<QString, QString> kV4l2CtlNames = {
    {"brightness", "brightness"},
    {"contrast", "contrast"},
    {"saturation", "saturation"},
    {"sharpness", "sharpness"},
    {"gain", "gain"},
    {"hue", "hue"},
    {"gamma", "gamma"},
    {"backlight_compensation", "backlight_compensation"},
    {"white_balance_temperature", "white_balance_temperature"},
    {"white_balance_automatic", "auto_white_balance_temperature"},
    {"exposure_time_absolute", "absolute_exposure_time"},
    {"auto_exposure", "auto_exposure_mode"},
    {"focus_absolute", "absolute_focus"},
    {"focus_automatic_continuous", "auto_focus"},
    {"zoom_absolute", "absolute_zoom"},
    {"iris_absolute", "iris_absolute"},
};

} // namespace

class TestV4l2Helper : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString node(const QString &name) const { return m_dir->path() + "/dev/" + name; }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("UVCC_HELPER_SIMULATE");
        env.insert("UVCC_HELPER_SYSFS_ROOT", m_dir->path() + "/sys");
        env.insert("UVCC_HELPER_DEV_ROOT", m_dir->path() + "/dev");
        env.insert("FAKE_V4L2_DEV_DIR", m_dir->path() + "/dev");
        env.insert("FAKE_V4L2_SYSFS_DIR", m_dir->path() + "/sys");
        env.insert("LD_PRELOAD", FAKE_V4L2_SHIM);
        // In sanitizer builds the preloaded shim comes before the ASan runtime.
        const QString asan = env.value("ASAN_OPTIONS");
        env.insert("ASAN_OPTIONS", (asan.isEmpty() ? "" : asan + ":") + "verify_asan_link_order=0");
        return env;
    }

    Run run(const QString &program, const QStringList &args) const
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(program, args);
        if (!process.waitForFinished(30000))
            return {};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }
    Run helper(const QStringList &args) const { return run(UVCC_HELPER_PATH, args); }

    QJsonObject json(const QStringList &args) const
    {
        const Run result = helper(args);
        if (result.code != 0)
            qWarning() << args << result.code << result.err;
        return QJsonDocument::fromJson(result.out).object();
    }

    void setField(const char *nodeName, uint32_t id, const char *field, const nlohmann::json &value) const
    {
        fakeuvc::setControlField(node(nodeName).toStdString(), id, field, value);
    }

    // v4l2-ctl --list-ctrls in our names and UVC values: name -> {min, max, default, value, inactive}.
    QMap<QString, QJsonObject> v4l2CtlControls(const QString &nodeName) const
    {
        const Run result = run("v4l2-ctl", {"-d", node(nodeName), "--list-ctrls"});
        if (result.code != 0)
            qWarning() << "v4l2-ctl:" << result.code << result.err;
        static const QRegularExpression line(R"(^\s*(\w+) 0x[0-9a-f]+ \((\w+)\)\s*:(.*)$)");
        static const QRegularExpression field(R"((\w+)=(-?\d+|\w+))");
        QMap<QString, QJsonObject> controls;
        for (const QString &text : QString::fromUtf8(result.out).split('\n')) {
            const QRegularExpressionMatch match = line.match(text);
            if (!match.hasMatch() || !kV4l2CtlNames.contains(match.captured(1)))
                continue;
            QJsonObject control{{"type", match.captured(2)}};
            for (auto it = field.globalMatch(match.captured(3)); it.hasNext();) {
                const QRegularExpressionMatch f = it.next();
                if (f.captured(1) == "flags")
                    control["inactive"] = f.captured(2).contains("inactive");
                else
                    control[f.captured(1)] = f.captured(2).toLongLong();
            }
            if (control["type"] == "menu") { // menu index -> UVC mode
                static const int kModes[] = {2, 1, 4, 8};
                for (const char *key : {"min", "max", "default", "value"})
                    control[key] = kModes[control[key].toInt() & 3];
            }
            controls.insert(kV4l2CtlNames.value(match.captured(1)), control);
        }
        return controls;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        fakeuvc::buildStandardTree(m_dir->path().toStdString());
    }

    // Unplugging removes the node (and its sysfs entry), plugging brings back
    // the sysfs entry first and then the node, whose access udev sets a
    // moment later.
    void watchFollowsCamerasComingAndGoing()
    {
        const QString sysfsEntry = m_dir->path() + "/sys/class/video4linux/video10";
        const QString away = m_dir->path() + "/away";
        QVERIFY(QDir().mkpath(away));
        auto count = [](const QByteArray &line) { return QJsonDocument::fromJson(line).array().size(); };

        LineRun watch(UVCC_HELPER_PATH, {"watch"}, environment());
        QCOMPARE(count(watch.nextLine()), 2);
        QVERIFY(QFile::rename(node("video10"), away + "/video10"));
        QVERIFY(QFile::rename(sysfsEntry, away + "/sysfs-video10"));
        QCOMPARE(count(watch.nextLine()), 1);

        nlohmann::json state = fakeuvc::readNodeFile((away + "/video10").toStdString());
        state["denyOpen"] = true;
        fakeuvc::writeNodeFile((away + "/video10").toStdString(), state);
        QVERIFY(QFile::rename(away + "/sysfs-video10", sysfsEntry));
        QVERIFY(QFile::rename(away + "/video10", node("video10")));
        QCOMPARE(watch.nextLine(500), QByteArray()); // waits for the access first
        state.erase("denyOpen");
        fakeuvc::writeNodeFile(node("video10").toStdString(), state);
        const QByteArray plugged = watch.nextLine();
        QCOMPARE(count(plugged), 2);
        QVERIFY(plugged.contains("\"6366\""));

        // Writes rewrite the fake's node files, which watch sees and must not report.
        QCOMPARE(helper({"set", "brightness", "3", "0c45:6366"}).code, 0);
        QCOMPARE(watch.nextLine(600), QByteArray());
        QCOMPARE(watch.finish(), 0);
    }

    // Two more cameras of the standard tree's first model: on ports 1-10 and
    // 1-3, registered in that order.
    void camerasOfOneModelEachAnswerToTheirOwnDesignator()
    {
        const std::string root = m_dir->path().toStdString();
        fakeuvc::addUsbCamera(root, {"1-10", "1a2b", "3c4d", "Lumarel Test Camera", "", {{"video20", fakeuvc::fullCameraNode()}}});
        fakeuvc::addUsbCamera(root, {"1-3", "1a2b", "3c4d", "Lumarel Test Camera", "", {{"video30", fakeuvc::fullCameraNode()}}});
        auto designators = [this] {
            QStringList listed;
            for (const QJsonValue &camera : QJsonDocument::fromJson(helper({"devices"}).out).array())
                listed << camera["vid"].toString() + ":" + camera["pid"].toString();
            return listed;
        };
        QCOMPARE(designators(), (QStringList{"1a2b:3c4d", "0c45:6366", "1a2b:3c4d#1-10", "1a2b:3c4d#1-3"}));

        const QStringList cameras{"1a2b:3c4d", "1A2B:3C4D#1-10", "1a2b:3c4d#1-3"};
        for (int i = 0; i < cameras.size(); ++i)
            QCOMPARE(helper({"set", "brightness", QString::number(10 + i), cameras[i]}).code, 0);
        for (int i = 0; i < cameras.size(); ++i)
            QCOMPARE(json({"export", cameras[i]})["brightness"].toInteger(), 10 + i);
        QCOMPARE(helper({"export", "1a2b:3c4d#1-4"}).code, 3);

        // The first one pulled out: the one on 1-3 is listed plainly now, and
        // still answers to its port.
        const QString sysfs = m_dir->path() + "/sys/class/video4linux/";
        QVERIFY(QFile::remove(node("video2")) && QFile::remove(node("video3")));
        QVERIFY(QFile::remove(sysfs + "video2") && QFile::remove(sysfs + "video3"));
        QCOMPARE(designators(), (QStringList{"0c45:6366", "1a2b:3c4d#1-10", "1a2b:3c4d"}));
        QCOMPARE(json({"export", "1a2b:3c4d#1-3"})["brightness"].toInteger(), 12);
        QCOMPARE(json({"export", "1a2b:3c4d"})["brightness"].toInteger(), 12);
    }

    void listsTheUsbCameras()
    {
        const Run result = helper({"devices"});
        QCOMPARE(result.code, 0);
        QVERIFY2(!result.out.startsWith("[]"),
                 "no cameras: is uvcc-helper linked fully statically? The LD_PRELOAD shim needs a dynamic libc");
        const QJsonArray expected = QJsonDocument::fromJson(
            R"([{"vid":"1a2b","pid":"3c4d","name":"Lumarel Test Camera","manufacturer":"Acme Optics"},
                {"vid":"0c45","pid":"6366","name":"USB 2.0 Camera: USB Camera"}])").array();
        QCOMPARE(QJsonDocument::fromJson(result.out).array(), expected);
    }

    void listsExportsAndRangesEachCamera()
    {
        const Run listing = helper({"controls", "1a2b:3c4d"});
        QCOMPARE(listing.code, 0);
        QVERIFY(listing.out.contains("brightness"));
        for (const char *locked : {"white_balance_temperature", "absolute_exposure_time", "absolute_focus"}) {
            const QRegularExpression inactiveLine(QString("\\b%1\\b.*inactive").arg(locked));
            QVERIFY2(inactiveLine.match(QString::fromUtf8(listing.out)).hasMatch(), locked);
        }
        QVERIFY(!helper({"controls", "0c45:6366"}).out.contains("absolute_focus"));

        const QJsonObject values = json({"export", "1a2b:3c4d"});
        QCOMPARE(values.size(), 16);
        QCOMPARE(values["auto_exposure_mode"].toInteger(), 8);
        QCOMPARE(json({"export", "0c45:6366"}).size(), 12);

        const QJsonObject ranges = json({"ranges", "0c45:6366"});
        QCOMPARE(ranges["auto_exposure_mode"].toObject(),
                 QJsonDocument::fromJson(R"({"min":1,"max":8,"step":1,"default":2,"modes":[1,2,4,8]})").object());
        QCOMPARE(ranges["white_balance_temperature"].toObject()["step"].toInteger(), 10);
        QVERIFY(!ranges.contains("iris_absolute"));
    }

    void setLastsIntoTheNextRun_data()
    {
        QTest::addColumn<QStringList>("sets");
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("negative") << QStringList{"brightness", "-7"} << "brightness" << qint64(-7);
        QTest::newRow("clamped by the kernel") << QStringList{"brightness", "1000"} << "brightness" << qint64(64);
        QTest::newRow("rounded to the step")
            << QStringList{"auto_white_balance_temperature", "0", "white_balance_temperature", "4604"}
            << "white_balance_temperature" << qint64(4600);
        QTest::newRow("manual exposure, then its time")
            << QStringList{"auto_exposure_mode", "1", "absolute_exposure_time", "500"} << "absolute_exposure_time"
            << qint64(500);
        QTest::newRow("exposure mode in UVC terms") << QStringList{"auto_exposure_mode", "1"} << "auto_exposure_mode"
                                                    << qint64(1);
    }

    void setLastsIntoTheNextRun()
    {
        QFETCH(QStringList, sets);
        QFETCH(QString, name);
        QFETCH(qint64, expected);
        for (int i = 0; i + 1 < sets.size(); i += 2) {
            const Run result = helper({"set", sets[i], sets[i + 1], "1a2b:3c4d"});
            QCOMPARE(result.code, 0);
            QVERIFY(result.out.isEmpty());
        }
        QCOMPARE(json({"export", "1a2b:3c4d"})[name].toInteger(), expected);
    }

    void refusedWritesExitNonZeroAndChangeNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("diagnostic");
        QTest::newRow("exposure under auto exposure")
            << QStringList{"set", "absolute_exposure_time", "500"} << 6
            << "uvcc-helper: absolute_exposure_time is locked while auto_exposure_mode is on; switch Auto Exposure off first\n";
        QTest::newRow("focus under auto focus") << QStringList{"set", "absolute_focus", "10"} << 6
                                                << "switch Auto Focus off first";
        QTest::newRow("white balance under auto") << QStringList{"set", "white_balance_temperature", "3000"} << 6
                                                  << "switch Auto White Balance off first";
        QTest::newRow("a mode the camera lacks") << QStringList{"set", "auto_exposure_mode", "4"} << 6
                                                 << "it offers 1 (manual), 8 (aperture priority)";
        QTest::newRow("a control the camera lacks") << QStringList{"set", "absolute_focus", "10", "0c45:6366"} << 4
                                                    << "has no control";
    }

    void refusedWritesExitNonZeroAndChangeNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, diagnostic);
        const QJsonObject before = json({"export", args.value(3)});
        const Run result = helper(args);
        QCOMPARE(result.code, code);
        QVERIFY(result.out.isEmpty());
        QVERIFY2(QString::fromUtf8(result.err).contains(diagnostic), result.err.constData());
        QCOMPARE(json({"export", args.value(3)}), before);
    }

    void aFailingControlIsLeftOutTheOthersStay()
    {
        setField("video2", V4L2_CID_GAIN, "fail", EIO);
        const QJsonObject values = json({"export"});
        QCOMPARE(values.size(), 15);
        QVERIFY(!values.contains("gain"));
        QVERIFY(helper({"controls"}).out.contains("unreadable"));
        QVERIFY(json({"ranges"}).contains("gain")); // its range is still known
        const Run write = helper({"set", "gain", "3"});
        QCOMPARE(write.code, 1);
        QVERIFY(write.err.contains("gain"));
    }

    void aNodeTheUserMayNotOpenIsNamed()
    {
        for (const char *name : {"video2", "video3"}) {
            nlohmann::json state = fakeuvc::readNodeFile(node(name).toStdString());
            state["denyOpen"] = true;
            fakeuvc::writeNodeFile(node(name).toStdString(), state);
        }
        QCOMPARE(QJsonDocument::fromJson(helper({"devices"}).out).array().size(), 2);
        for (const char *command : {"controls", "export", "ranges"}) {
            const Run result = helper({command, "1a2b:3c4d"});
            QCOMPARE(result.code, 7);
            QVERIFY(result.out.isEmpty());
            QVERIFY2(result.err.contains("permission denied") && result.err.contains("'video' group"),
                     result.err.constData());
        }
        QCOMPARE(helper({"export", "0c45:6366"}).code, 0); // the other camera is unaffected
    }

    void v4l2CtlAndExportAgree()
    {
        // Both programs write through the same fake: each sees the other's change.
        QCOMPARE(run("v4l2-ctl", {"-d", node("video2"), "--set-ctrl=brightness=-20,auto_exposure=1"}).code, 0);
        QCOMPARE(helper({"set", "gamma", "250"}).code, 0);

        const QMap<QString, QJsonObject> theirs = v4l2CtlControls("video2");
        const QJsonObject values = json({"export"});
        const QJsonObject ranges = json({"ranges"});
        QCOMPARE(theirs.size(), 16);
        QCOMPARE(values.size(), 16);
        for (auto it = theirs.begin(); it != theirs.end(); ++it) {
            const QJsonObject range = ranges[it.key()].toObject();
            QVERIFY2(values.contains(it.key()), qPrintable(it.key()));
            QCOMPARE(values[it.key()].toInteger(), it.value()["value"].toInteger());
            QCOMPARE(range["default"].toInteger(), it.value()["default"].toInteger());
            if (it.value().contains("min")) { // v4l2-ctl prints no range for booleans
                QCOMPARE(range["min"].toInteger(), it.value()["min"].toInteger());
                QCOMPARE(range["max"].toInteger(), it.value()["max"].toInteger());
            }
        }
        QCOMPARE(values["brightness"].toInteger(), -20);
        QCOMPARE(values["auto_exposure_mode"].toInteger(), 1);
        QCOMPARE(theirs["gamma"]["value"].toInteger(), 250);
        QVERIFY(!theirs["absolute_exposure_time"].contains("inactive")); // manual now
        QVERIFY(theirs["absolute_focus"]["inactive"].toBool());

        // The metadata node has no controls for either program.
        QVERIFY(v4l2CtlControls("video3").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestV4l2Helper)
#include "tst_v4l2helper.moc"
