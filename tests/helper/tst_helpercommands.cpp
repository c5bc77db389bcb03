// Argument parsing, output shapes and the simulated camera, in-process.
#include "catalogue.h"
#include "commands.h"
#include "simulatedbackend.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace uvcc;

Q_DECLARE_METATYPE(std::optional<int64_t>)

namespace {

// A camera back end that answers from fixed data and records what reaches it.
class FakeBackend final : public CameraBackend {
public:
    std::vector<CameraInfo> cameraList;
    std::vector<ControlInfo> controlList;
    std::optional<Failure> setFailure;
    int calls = 0;
    std::vector<std::string> writes;

    Result<std::vector<CameraInfo>> cameras() override
    {
        ++calls;
        return cameraList;
    }
    Result<std::vector<ControlInfo>> controls(const CameraInfo &) override
    {
        ++calls;
        return controlList;
    }
    std::optional<Failure> setControl(const CameraInfo &camera, const std::string &name,
                                      int64_t value) override
    {
        ++calls;
        if (std::none_of(controlList.begin(), controlList.end(), [&](const ControlInfo &c) { return c.name == name; }))
            return Failure{ExitCode::NoControl, "this camera has no " + name};
        writes.push_back(camera.designator() + " " + name + " " + std::to_string(value));
        return setFailure;
    }
};

ControlInfo control(const char *name, int64_t min, int64_t max, int64_t step, std::optional<int64_t> value)
{
    return ControlInfo{name, ControlType::Integer, min, max, step, min, value, false, {}};
}

FakeBackend twoCameras()
{
    FakeBackend fake;
    fake.cameraList = {{"046d", "085c", "Cam A", "Maker", "/dev/video0"},
                       {"1BCF", "28C4", "Cam B", "", "/dev/video2"}};
    fake.controlList = {control("brightness", -64, 64, 1, 3), control("gain", 0, 255, 1, std::nullopt)};
    return fake;
}

Outcome run(CameraBackend &backend, std::vector<std::string> args) { return runCommand(args, backend); }

QJsonValue parseJson(const std::string &text)
{
    QJsonParseError error;
    QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    if (error.error != QJsonParseError::NoError)
        return QJsonValue(QJsonValue::Undefined);
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}

} // namespace

class TestHelperCommands : public QObject {
    Q_OBJECT

private slots:
    void parsesValues_data();
    void parsesValues();
    void rejectsBadCommandLines_data();
    void rejectsBadCommandLines();
    void selectsCameras();
    void formatsOutputs();
    void writesThroughTheBackend();
    void clampsLikeACamera_data();
    void clampsLikeACamera();
    void simulatedStateSurvivesOddFiles();
};

void TestHelperCommands::parsesValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<int64_t>>("expected");
    const std::optional<int64_t> none;
    QTest::newRow("zero") << "0" << std::optional<int64_t>(0);
    QTest::newRow("negative") << "-64" << std::optional<int64_t>(-64);
    QTest::newRow("leading zeros") << "007" << std::optional<int64_t>(7);
    QTest::newRow("int64 max") << "9223372036854775807"
                               << std::optional<int64_t>(std::numeric_limits<int64_t>::max());
    QTest::newRow("int64 min") << "-9223372036854775808"
                               << std::optional<int64_t>(std::numeric_limits<int64_t>::min());
    QTest::newRow("overflow") << "9223372036854775808" << none;
    QTest::newRow("underflow") << "-9223372036854775809" << none;
    QTest::newRow("fraction") << "1.5" << none;
    QTest::newRow("empty") << "" << none;
    QTest::newRow("minus only") << "-" << none;
    QTest::newRow("plus minus") << "+-3" << none;
    QTest::newRow("plus") << "+3" << none;
    QTest::newRow("hex") << "0x10" << none;
    QTest::newRow("trailing junk") << "12abc" << none;
    QTest::newRow("leading space") << " 12" << none;
    QTest::newRow("trailing newline") << "12\n" << none;
    QTest::newRow("exponent") << "1e3" << none;
}

void TestHelperCommands::parsesValues()
{
    QFETCH(QString, text);
    QFETCH(std::optional<int64_t>, expected);
    QCOMPARE(parseValue(text.toStdString()), expected);
}

void TestHelperCommands::rejectsBadCommandLines_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("reachesBackend");
    QTest::newRow("nothing") << QStringList{} << int(ExitCode::Usage) << false;
    QTest::newRow("unknown command") << QStringList{"reset"} << int(ExitCode::Usage) << false;
    QTest::newRow("command case") << QStringList{"Devices"} << int(ExitCode::Usage) << false;
    QTest::newRow("devices with designator") << QStringList{"devices", "046d:085c"} << int(ExitCode::Usage) << false;
    QTest::newRow("export two designators") << QStringList{"export", "a:b", "c:d"} << int(ExitCode::Usage) << false;
    QTest::newRow("set without value") << QStringList{"set", "brightness"} << int(ExitCode::Usage) << false;
    QTest::newRow("set too many") << QStringList{"set", "gain", "1", "046d:085c", "x"} << int(ExitCode::Usage) << false;
    QTest::newRow("unknown control") << QStringList{"set", "bright", "1"} << int(ExitCode::NoControl) << false;
    QTest::newRow("bad value") << QStringList{"set", "gain", "1.5"} << int(ExitCode::BadValue) << false;
    QTest::newRow("line breaks in arguments") << QStringList{"set", "a\nb\r", "1"} << int(ExitCode::NoControl) << false;
    QTest::newRow("long argument") << QStringList{"x" + QString(5000, 'y')} << int(ExitCode::Usage) << false;
    QTest::newRow("unknown camera") << QStringList{"export", "dead:beef"} << int(ExitCode::NoCamera) << true;
    QTest::newRow("camera lacks control") << QStringList{"set", "absolute_zoom", "150"} << int(ExitCode::NoControl) << true;
}

void TestHelperCommands::rejectsBadCommandLines()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(bool, reachesBackend);
    FakeBackend fake = twoCameras();
    std::vector<std::string> list;
    for (const QString &arg : args)
        list.push_back(arg.toStdString());
    Outcome outcome = run(fake, list);
    QCOMPARE(int(outcome.code), code);
    QVERIFY(outcome.out.empty());
    QVERIFY2(outcome.err.starts_with("uvcc-helper: "), outcome.err.c_str());
    QCOMPARE(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1);
    QVERIFY(outcome.err.ends_with("\n"));
    QVERIFY(outcome.err.find('\r') == std::string::npos);
    QVERIFY(outcome.err.size() < 200);
    QCOMPARE(fake.calls > 0, reachesBackend);
    QVERIFY(fake.writes.empty());
}

void TestHelperCommands::selectsCameras()
{
    FakeBackend fake = twoCameras();
    QCOMPARE(selectCamera(fake.cameraList, std::nullopt).value().handle, "/dev/video0");
    QCOMPARE(selectCamera(fake.cameraList, "1BCF:28C4").value().handle, "/dev/video2");
    QCOMPARE(selectCamera(fake.cameraList, "1bcf:28c4").value().handle, "/dev/video2");
    Result<CameraInfo> missing = selectCamera(fake.cameraList, "046d:0000");
    QVERIFY(!missing);
    QCOMPARE(missing.failure().code, ExitCode::NoCamera);
    QVERIFY(missing.failure().message.find("046d:085c, 1BCF:28C4") != std::string::npos);
    QCOMPARE(selectCamera({}, std::nullopt).failure().code, ExitCode::NoCamera);

    // Two cameras of one model share a designator; the first is addressed.
    fake.cameraList[1].vid = "046d";
    fake.cameraList[1].pid = "085c";
    QCOMPARE(selectCamera(fake.cameraList, "046d:085c").value().handle, "/dev/video0");
}

void TestHelperCommands::formatsOutputs()
{
    FakeBackend fake = twoCameras();
    fake.cameraList[1].name = "Bad \xff name";
    std::string devices = formatDevices(fake.cameraList);
    QVERIFY(devices.ends_with("}]\n"));
    QCOMPARE(std::count(devices.begin(), devices.end(), '\n'), 1);
    QJsonArray list = parseJson(devices).toArray();
    QCOMPARE(list.size(), 2);
    QCOMPARE(list[0].toObject()["manufacturer"].toString(), "Maker");
    QVERIFY(!list[1].toObject().contains("manufacturer"));
    QCOMPARE(list[1].toObject()["vid"].toString(), "1BCF");
    QCOMPARE(list[1].toObject()["name"].toString(), QString("Bad \uFFFD name"));
    QCOMPARE(formatDevices({}), "[]\n");

    // A control whose read failed is left out of export but keeps its range.
    QCOMPARE(formatExport(fake.controlList), "{\"brightness\":3}\n");
    QCOMPARE(formatExport({}), "{}\n");
    ControlInfo menu{"auto_exposure_mode", ControlType::Menu, 1, 8, 1, 8, 8, false, {1, 2, 8}};
    fake.controlList.push_back(menu);
    QCOMPARE(formatRanges(fake.controlList),
             "{\"brightness\":{\"min\":-64,\"max\":64,\"step\":1,\"default\":-64},"
             "\"gain\":{\"min\":0,\"max\":255,\"step\":1,\"default\":0},"
             "\"auto_exposure_mode\":{\"min\":1,\"max\":8,\"step\":1,\"default\":8,\"modes\":[1,2,8]}}\n");

    // Callers tell "the camera has UVC controls" by the word brightness in
    // the listing, so it is there whenever any control is, and only then,
    // whatever the camera's own name says.
    CameraInfo camera{"046d", "085c", "brightness cam", "", ""};
    fake.controlList[1].inactive = true;
    std::string listing = formatControls(camera, fake.controlList);
    QVERIFY(listing.find("brightness") != std::string::npos);
    QVERIFY(listing.find("unreadable") != std::string::npos);
    QVERIFY(listing.find("inactive") != std::string::npos);
    QVERIFY(listing.find("modes 1,2,8") != std::string::npos);
    std::vector<ControlInfo> noBrightness(fake.controlList.begin() + 1, fake.controlList.end());
    const std::string withoutBrightness = formatControls(camera, noBrightness);
    QVERIFY(withoutBrightness.find("brightness") != std::string::npos);
    QVERIFY(withoutBrightness.find("gain") != std::string::npos);
    const std::string none = formatControls(camera, {});
    QVERIFY(!none.empty());
    QVERIFY(none.find("brightness") == std::string::npos);
}

void TestHelperCommands::writesThroughTheBackend()
{
    FakeBackend fake = twoCameras();
    Outcome ok = run(fake, {"set", "brightness", "-7", "1bcf:28c4"});
    QCOMPARE(ok.code, ExitCode::Ok);
    QVERIFY(ok.out.empty() && ok.err.empty());
    QCOMPARE(fake.writes, std::vector<std::string>{"1BCF:28C4 brightness -7"});

    fake.setFailure = Failure{ExitCode::Refused, "camera refused"};
    Outcome refused = run(fake, {"set", "gain", "3"});
    QCOMPARE(refused.code, ExitCode::Refused);
    QCOMPARE(refused.err, "uvcc-helper: camera refused\n");

    Outcome help = run(fake, {"--help"});
    QCOMPARE(help.code, ExitCode::Ok);
    for (const Command &command : commandTable())
        QVERIFY(help.out.find(std::string("  ") + command.name) != std::string::npos);
    for (std::string_view name : kControlNames)
        QVERIFY(help.out.find(name) != std::string::npos);
}

void TestHelperCommands::clampsLikeACamera_data()
{
    QTest::addColumn<qint64>("min");
    QTest::addColumn<qint64>("max");
    QTest::addColumn<qint64>("step");
    QTest::addColumn<qint64>("requested");
    QTest::addColumn<qint64>("stored");
    const qint64 big = std::numeric_limits<qint64>::max();
    const qint64 small = std::numeric_limits<qint64>::min();
    QTest::newRow("inside") << 3LL << 2047LL << 1LL << 500LL << 500LL;
    QTest::newRow("below") << 3LL << 2047LL << 1LL << -5LL << 3LL;
    QTest::newRow("above") << 3LL << 2047LL << 1LL << 99999LL << 2047LL;
    QTest::newRow("round down") << 2800LL << 6500LL << 10LL << 4604LL << 4600LL;
    QTest::newRow("half rounds up") << 2800LL << 6500LL << 10LL << 4605LL << 4610LL;
    QTest::newRow("max off the grid") << 0LL << 7LL << 5LL << 7LL << 5LL;
    QTest::newRow("int64 extremes") << small << big << 1LL << big << big;
    QTest::newRow("full range step") << small << big << 10LL << big << big - 5;
    QTest::newRow("below full range") << small << big << 10LL << small << small;
    QTest::newRow("zero step") << 0LL << 10LL << 0LL << 4LL << 4LL;
    QTest::newRow("switch") << 0LL << 1LL << 1LL << 5LL << 1LL;
}

void TestHelperCommands::clampsLikeACamera()
{
    QFETCH(qint64, min);
    QFETCH(qint64, max);
    QFETCH(qint64, step);
    QFETCH(qint64, requested);
    QFETCH(qint64, stored);
    ControlInfo info{"gain", ControlType::Integer, min, max, step, min, std::nullopt, false, {}};
    QCOMPARE(acceptedValue(info, requested), std::optional<int64_t>(stored));

    ControlInfo menu{"auto_exposure_mode", ControlType::Menu, 1, 8, 1, 8, std::nullopt, false, {1, 8}};
    QCOMPARE(acceptedValue(menu, 8), std::optional<int64_t>(8));
    QCOMPARE(acceptedValue(menu, 2), std::nullopt);
    QCOMPARE(acceptedValue(menu, 100), std::nullopt);
    // Asked for aperture priority, a camera with only manual and fully
    // automatic exposure gets the automatic one; shutter priority stays refused.
    menu.modes = {1, 2};
    QCOMPARE(acceptedValue(menu, 8), std::optional<int64_t>(2));
    QCOMPARE(acceptedValue(menu, 4), std::nullopt);
}

void TestHelperCommands::simulatedStateSurvivesOddFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("nested/deeper/state.json");
    std::vector<std::string> warnings;
    SimulatedBackend backend(path.toStdString(), [&](const std::string &line) { warnings.push_back(line); });

    // Created with defaults, parent directories included.
    QVERIFY(run(backend, {"devices"}).code == ExitCode::Ok);
    QVERIFY(QFile::exists(path));

    // Values planted by hand are reported as they stand; null reads as a failure.
    auto plant = [&](const QByteArray &bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    };
    plant(R"({"cameras":{"fe1a:0c01":{"brightness":999,"gain":null}}})");
    QJsonObject values = parseJson(run(backend, {"export"}).out).toObject();
    QCOMPARE(values["brightness"].toInteger(), 999);
    QVERIFY(!values.contains("gain"));
    QCOMPARE(values["contrast"].toInteger(), 32);
    QVERIFY(warnings.empty());

    // A damaged file is kept beside, and the cameras start from defaults.
    for (const QByteArray &damaged : {QByteArray("{\"cameras\":"), QByteArray("[1,2]"),
                                      QByteArray(R"({"cameras":{"fe1a:0c01":{"gain":1.5}}})"),
                                      QByteArray(R"({"cameras":{"fe1a:0c01":{"gain":18446744073709551615}}})")}) {
        plant(damaged);
        warnings.clear();
        Outcome outcome = run(backend, {"set", "gain", "9"});
        QCOMPARE(outcome.code, ExitCode::Ok);
        QCOMPARE(warnings.size(), 1u);
        QVERIFY(warnings[0].find("moved it to") != std::string::npos);
        QJsonObject after = parseJson(run(backend, {"export"}).out).toObject();
        QCOMPARE(after["gain"].toInteger(), 9);
        QCOMPARE(after["brightness"].toInteger(), 0);
    }
    QStringList kept = QDir(dir.filePath("nested/deeper")).entryList({"state.json.broken-*"});
    QCOMPARE(kept.size(), 4);

    // An empty file (as a freshly made temporary file is) simply starts from defaults.
    plant("");
    warnings.clear();
    QCOMPARE(parseJson(run(backend, {"export"}).out).toObject()["brightness"].toInteger(), 0);
    QVERIFY(warnings.empty());
}

QTEST_GUILESS_MAIN(TestHelperCommands)
#include "tst_helpercommands.moc"
