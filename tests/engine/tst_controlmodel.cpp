// The records, the catalogue and the checks every helper answer passes
// before anything is published.

#include "controlcatalogue.h"
#include "helperanswers.h"
#include "uvccontroller.h"

#include <QJsonArray>
#include <QSet>
#include <QTest>

using namespace HelperAnswers;

namespace {

QJsonObject object(const char *json)
{
    return QJsonDocument::fromJson(json).object();
}

QStringList ids(const QList<CameraSliderControl> &rows)
{
    QStringList result;
    for (const auto &row : rows)
        result << row.id;
    return result;
}

QStringList ids(const QList<CameraToggleControl> &rows)
{
    QStringList result;
    for (const auto &row : rows)
        result << row.id;
    return result;
}

QByteArray fixture(const QString &name)
{
    QFile file(QFINDTESTDATA("data/" + name));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

} // namespace

class ControlModelTest : public QObject {
    Q_OBJECT

private slots:
    void deviceIdentity()
    {
        const UVCDevice a{"1", "2", "Cam", "Acme"};
        QCOMPARE(a.id(), QStringLiteral("1:2"));
        const UVCDevice upper{"1A2B", "3C4D", "Cam", "Acme"};
        const UVCDevice lower{"1a2b", "3c4d", "Cam", "Acme"};
        QCOMPARE(upper.id(), QStringLiteral("1A2B:3C4D"));
        QVERIFY(upper != lower);

        const UVCDevice otherMaker{"1", "2", "Cam", "Other"};
        QVERIFY(a != otherMaker);
        QCOMPARE(a.id(), otherMaker.id());

        const UVCDevice copy = a;
        QVERIFY(copy == a);
        QCOMPARE(qHash(copy), qHash(a));
        QSet<UVCDevice> set{a, copy, otherMaker};
        QCOMPARE(set.size(), 2);
        // Fields are hashed in order, not as one joined text.
        QVERIFY(qHash(UVCDevice{"ab", "c", "", ""}) != qHash(UVCDevice{"a", "bc", "", ""}));
    }

    void catalogue()
    {
        QCOMPARE(sliderCatalogue().size(), 13u);
        QCOMPARE(toggleCatalogue().size(), 3u);
        QSet<QString> names;
        for (const auto &list : {sliderCatalogue(), toggleCatalogue()}) {
            for (const ControlDefinition &definition : list) {
                QVERIFY(!QString(definition.label).isEmpty());
                QVERIFY(!QString(definition.tooltip).isEmpty());
                names.insert(definition.controlName);
            }
        }
        QCOMPARE(names.size(), 16);
        QCOMPARE(QString(sliderCatalogue().front().controlName), QStringLiteral("brightness"));
        QCOMPARE(QString(sliderCatalogue()[7].label), QStringLiteral("Exposure"));
        QCOMPARE(QString(sliderCatalogue().back().controlName), QStringLiteral("iris_absolute"));
        QCOMPARE(QString(toggleCatalogue().back().controlName), QStringLiteral("auto_exposure_mode"));
    }

    void switchMapping_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<bool>("on");
        QTest::newRow("exposure 8") << "auto_exposure_mode" << qint64(8) << true;
        QTest::newRow("exposure 1") << "auto_exposure_mode" << qint64(1) << false;
        QTest::newRow("exposure 2 (full auto)") << "auto_exposure_mode" << qint64(2) << true;
        QTest::newRow("exposure 4") << "auto_exposure_mode" << qint64(4) << false;
        QTest::newRow("exposure 0") << "auto_exposure_mode" << qint64(0) << false;
        QTest::newRow("focus 2") << "auto_focus" << qint64(2) << true;
        QTest::newRow("focus -1") << "auto_focus" << qint64(-1) << true;
        QTest::newRow("focus 0") << "auto_focus" << qint64(0) << false;
        QTest::newRow("white balance 1") << "auto_white_balance_temperature" << qint64(1) << true;
    }
    void switchMapping()
    {
        QFETCH(QString, control);
        QFETCH(qint64, value);
        QFETCH(bool, on);
        QCOMPARE(switchStateFromValue(control, value), on);
        const bool exposure = control == QLatin1String("auto_exposure_mode");
        QCOMPARE(switchValueFromState(control, true), exposure ? 8 : 1);
        QCOMPARE(switchValueFromState(control, false), exposure ? 1 : 0);
    }

    void integers_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("isInteger");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("zero") << QByteArray("[0]") << true << qint64(0);
        QTest::newRow("one") << QByteArray("[1]") << true << qint64(1);
        QTest::newRow("negative") << QByteArray("[-64]") << true << qint64(-64);
        QTest::newRow("5.0") << QByteArray("[5.0]") << true << qint64(5);
        QTest::newRow("5.5") << QByteArray("[5.5]") << false << qint64(0);
        QTest::newRow("string") << QByteArray("[\"5\"]") << false << qint64(0);
        QTest::newRow("bool") << QByteArray("[true]") << false << qint64(0);
        QTest::newRow("null") << QByteArray("[null]") << false << qint64(0);
        QTest::newRow("object") << QByteArray("[{}]") << false << qint64(0);
        QTest::newRow("int64 max") << QByteArray("[9223372036854775807]") << true
                                   << std::numeric_limits<qint64>::max();
        QTest::newRow("int64 min") << QByteArray("[-9223372036854775808]") << true
                                   << std::numeric_limits<qint64>::min();
        QTest::newRow("2^63") << QByteArray("[9223372036854775808]") << false << qint64(0);
        QTest::newRow("1e300") << QByteArray("[1e300]") << false << qint64(0);
        // A double holds neither of these: rounded, they would pass as in range.
        QTest::newRow("below int64 min") << QByteArray("[-9223372036854775809]") << false
                                         << qint64(0);
        QTest::newRow("1 + 1e-16") << QByteArray("[1.0000000000000001]") << false << qint64(0);
        // Beyond a double: refused as a value, not as the whole answer.
        QTest::newRow("1e400") << QByteArray("[1e400]") << false << qint64(0);
        QTest::newRow("1e2") << QByteArray("[1e2]") << true << qint64(100);
        QTest::newRow("-0") << QByteArray("[-0.0]") << true << qint64(0);
    }
    void integers()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, isInteger);
        QFETCH(qint64, expected);
        const auto document = parseStrict(QString::fromUtf8(json));
        QVERIFY(document);
        const auto value = integerValue(document->array().at(0));
        QCOMPARE(value.has_value(), isInteger);
        if (isInteger)
            QCOMPARE(*value, expected);
    }

    void strictJson_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("object") << "{}" << true;
        QTest::newRow("array with white space") << " \n[1]\n" << true;
        QTest::newRow("line break only") << "\n" << false;
        QTest::newRow("scalar") << "5" << false;
        QTest::newRow("two documents") << "{}{}" << false;
        QTest::newRow("trailing text") << "{} ok" << false;
        QTest::newRow("truncated") << "{\"brightness\": 1" << false;
        QTest::newRow("exponent without digits") << "[1e]" << false;
        QTest::newRow("minus alone") << "[-]" << false;
    }
    void strictJson()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QCOMPARE(parseStrict(text).has_value(), accepted);
    }

    void numbersInsideStringsStayText()
    {
        // Escapes too: a quote or backslash taken for the end of a string
        // would expose the numbers behind it.
        const auto object = parseObject(QString::fromUtf8(fixture("numbers-in-strings.json")));
        QVERIFY(object);
        QCOMPARE(object->value("a").toString(), QStringLiteral(R"(-9223372036854775809 "1.5" 1e2)"));
        QVERIFY(object->value("b").isNull());
        QCOMPARE(integerValue(object->value("c")), 100);
        QCOMPARE(object->value("d").toString(), QStringLiteral("\\"));
    }

    void devices_data()
    {
        QTest::addColumn<QString>("json");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("empty array") << "[]" << true << QStringList{};
        QTest::newRow("one lacks pid")
            << R"([{"vid":"1"},{"vid":"1a2b","pid":"3c4d"}])" << true << QStringList{"1a2b:3c4d"};
        QTest::newRow("numeric vid skipped")
            << R"([{"vid":1,"pid":"2"},{"vid":"5","pid":"6"}])" << true << QStringList{"5:6"};
        QTest::newRow("number beside objects") << R"([{"vid":"1","pid":"2"},3])" << false
                                               << QStringList{};
        QTest::newRow("object, not array") << R"({"vid":"1","pid":"2"})" << false << QStringList{};
        QTest::newRow("not JSON") << "no cameras" << false << QStringList{};
    }
    void devices()
    {
        QFETCH(QString, json);
        QFETCH(bool, accepted);
        QFETCH(QStringList, ids);
        const auto devices = parseDevices(json);
        QCOMPARE(devices.has_value(), accepted);
        if (!devices)
            return;
        QStringList got;
        for (const auto &device : *devices)
            got << device.id();
        QCOMPARE(got, ids);
    }

    void deviceFields()
    {
        const auto bare = UVCController::parseDevice(object(R"({"vid":"1","pid":"2"})"));
        QVERIFY(bare);
        QCOMPARE(bare->name, QStringLiteral("Unknown Camera"));
        QCOMPARE(bare->manufacturer, QString());
        const auto odd = UVCController::parseDevice(
            object(R"({"vid":" 0A ","pid":"x","name":7,"manufacturer":"Ünïcode","serial":1})"));
        QVERIFY(odd);
        QCOMPARE(odd->vid, QStringLiteral(" 0A "));
        QCOMPARE(odd->name, QStringLiteral("Unknown Camera"));
        QCOMPARE(odd->manufacturer, QStringLiteral("Ünïcode"));
        const auto devices = parseDevices(QString::fromUtf8(fixture("devices-two.json")));
        QVERIFY(devices);
        QCOMPARE(devices->size(), 2);
        QCOMPARE(devices->at(0), (UVCDevice{"1a2b", "3c4d", "Desk Camera", "Acme"}));
    }

    void fullCameraRows()
    {
        const QJsonObject values = QJsonDocument::fromJson(fixture("export-full.json")).object();
        const QJsonObject ranges = QJsonDocument::fromJson(fixture("ranges-full.json")).object();
        const auto sliders = sliderRows(values, ranges);
        QStringList catalogueOrder;
        for (const auto &definition : sliderCatalogue())
            catalogueOrder << definition.controlName;
        QCOMPARE(ids(sliders), catalogueOrder);
        for (const auto &row : sliders) {
            QCOMPARE(row.controlName, row.id);
            QCOMPARE(row.step, 1);
        }
        QCOMPARE(sliders[5].label, QStringLiteral("White Balance"));
        QCOMPARE(sliders[5].min, 2800);
        QCOMPARE(sliders[5].max, 6500);
        QCOMPARE(sliders[5].value, 4600);
        const auto toggles = toggleRows(values);
        QCOMPARE(ids(toggles),
                 (QStringList{"auto_white_balance_temperature", "auto_focus", "auto_exposure_mode"}));
        QCOMPARE(toggles[0].value, true);
        QCOMPARE(toggles[1].value, false);
        QCOMPARE(toggles[2].value, true);
        QCOMPARE(toggles[2].label, QStringLiteral("Auto Exposure"));
    }

    void rowEdgeCases_data()
    {
        QTest::addColumn<QByteArray>("values");
        QTest::addColumn<QByteArray>("ranges");
        QTest::addColumn<QStringList>("sliders");
        QTest::addColumn<QStringList>("toggles");
        const QByteArray range = R"({"brightness":{"min":0,"max":10},"gain":{"min":0,"max":10}})";
        QTest::newRow("empty export") << QByteArray("{}") << range << QStringList{} << QStringList{};
        QTest::newRow("empty ranges: switches only")
            << QByteArray(R"({"brightness":1,"auto_focus":1})") << QByteArray("{}") << QStringList{}
            << QStringList{"auto_focus"};
        QTest::newRow("value without range")
            << QByteArray(R"({"brightness":1,"contrast":2})") << range << QStringList{"brightness"}
            << QStringList{};
        QTest::newRow("5.5 and \"5\" dropped, 5.0 kept")
            << QByteArray(R"({"brightness":5.5,"gain":5.0,"auto_focus":"5"})") << range
            << QStringList{"gain"} << QStringList{};
        QTest::newRow("fractional range dropped")
            << QByteArray(R"({"brightness":1,"gain":1})")
            << QByteArray(R"({"brightness":{"min":0.5,"max":10},"gain":{"min":0,"max":10}})")
            << QStringList{"gain"} << QStringList{};
        QTest::newRow("range not an object")
            << QByteArray(R"({"brightness":1,"gain":1})")
            << QByteArray(R"({"brightness":[0,10],"gain":{"min":0,"max":10}})") << QStringList{"gain"}
            << QStringList{};
        QTest::newRow("unknown controls ignored, catalogue order kept")
            << QByteArray(R"({"gain":1,"zoom_relative":3,"brightness":2})") << range
            << QStringList{"brightness", "gain"} << QStringList{};
    }
    void rowEdgeCases()
    {
        QFETCH(QByteArray, values);
        QFETCH(QByteArray, ranges);
        QFETCH(QStringList, sliders);
        QFETCH(QStringList, toggles);
        const QJsonObject valuesObject = QJsonDocument::fromJson(values).object();
        QCOMPARE(ids(sliderRows(valuesObject, QJsonDocument::fromJson(ranges).object())), sliders);
        QCOMPARE(ids(toggleRows(valuesObject)), toggles);
    }

    void valuesAndRangesAsReported()
    {
        const auto rows = sliderRows(
            object(R"({"brightness":99,"gain":-3,"hue":7})"),
            object(R"({"brightness":{"min":0,"max":10},"gain":{"min":20,"max":-20},"hue":{"min":7,"max":7}})"));
        QCOMPARE(rows.size(), 3);
        // A value outside its range is published as the camera reports it.
        QCOMPARE(rows[0].value, 99);
        // An inverted range is turned round so that no slider gets min > max.
        QCOMPARE(rows[1].min, -20);
        QCOMPARE(rows[1].max, 20);
        QCOMPARE(rows[1].value, -3);
        QCOMPARE(rows[2].min, 7);
        QCOMPARE(rows[2].max, 7);
    }

    void addressing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("controls") << QStringList{"controls"} << true << QStringList{"controls", "1a:2b"};
        QTest::newRow("devices") << QStringList{"devices"} << true << QStringList{"devices"};
        QTest::newRow("Devices") << QStringList{"Devices"} << true << QStringList{"Devices", "1a:2b"};
        QTest::newRow("empty list") << QStringList{} << true << QStringList{"1a:2b"};
        QTest::newRow("none selected") << QStringList{"export"} << false << QStringList{"export"};
        QTest::newRow("negative set") << setArguments("brightness", -5) << true
                                      << QStringList{"set", "brightness", "-5", "1a:2b"};
        QTest::newRow("int64 min") << setArguments("gain", std::numeric_limits<qint64>::min())
                                   << false << QStringList{"set", "gain", "-9223372036854775808"};
    }
    void addressing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, selected);
        QFETCH(QStringList, expected);
        const std::optional<QString> designator =
            selected ? std::optional<QString>("1a:2b") : std::nullopt;
        QCOMPARE(addressed(arguments, designator), expected);
    }
};

QTEST_GUILESS_MAIN(ControlModelTest)
#include "tst_controlmodel.moc"
