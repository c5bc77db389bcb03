#include "camerapreset.h"

#include <QTest>
#include <limits>

namespace {

using Values = QMap<QString, qint64>;

constexpr qint64 kMax = std::numeric_limits<qint64>::max();
constexpr qint64 kMin = std::numeric_limits<qint64>::min();

const QString kComposed = QStringLiteral("Caf\u00e9");
const QString kDecomposed = QStringLiteral("Cafe\u0301");

// Names are compared exactly here: the document must keep them as typed.
bool sameList(const QList<CameraPreset> &a, const QList<CameraPreset> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a.at(i).name != b.at(i).name || a.at(i).values != b.at(i).values)
            return false;
    }
    return true;
}

} // namespace

class PresetDocumentTest : public QObject {
    Q_OBJECT

private slots:
    void writesExactCompactBytes_data();
    void writesExactCompactBytes();
    void roundTripsEveryNameAndValue_data();
    void roundTripsEveryNameAndValue();
    void readsAnyValidShape_data();
    void readsAnyValidShape();
    void rejectsWholeDocument_data();
    void rejectsWholeDocument();
    void comparesNames_data();
    void comparesNames();
};

void PresetDocumentTest::writesExactCompactBytes_data()
{
    QTest::addColumn<QList<CameraPreset>>("presets");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty list") << QList<CameraPreset>{} << QByteArray("[]");
    QTest::newRow("no values") << QList<CameraPreset>{{"Desk", {}}}
                               << QByteArray(R"([{"name":"Desk","values":{}}])");
    QTest::newRow("two presets in list order")
        << QList<CameraPreset>{{"Zoom", {{"zoom", 3}, {"brightness", -7}}}, {"Alpha", {{"auto_exposure_mode", 8}}}}
        << QByteArray(R"([{"name":"Zoom","values":{"brightness":-7,"zoom":3}},)"
                      R"({"name":"Alpha","values":{"auto_exposure_mode":8}}])");
    QTest::newRow("extreme values")
        << QList<CameraPreset>{{"x", {{"max", kMax}, {"min", kMin}, {"zero", 0}}}}
        << QByteArray(R"([{"name":"x","values":{"max":9223372036854775807,"min":-9223372036854775808,"zero":0}}])");
    QTest::newRow("escapes and UTF-8")
        << QList<CameraPreset>{{QStringLiteral(" \"a\\b\"\t\n\u0001/\u00e9 "), {}}}
        << QByteArray("[{\"name\":\" \\\"a\\\\b\\\"\\t\\n\\u0001/\xc3\xa9 \",\"values\":{}}]");
}

void PresetDocumentTest::writesExactCompactBytes()
{
    QFETCH(QList<CameraPreset>, presets);
    QFETCH(QByteArray, expected);

    QCOMPARE(encodePresetDocument(presets), expected);
}

void PresetDocumentTest::roundTripsEveryNameAndValue_data()
{
    QTest::addColumn<QList<CameraPreset>>("presets");

    QTest::newRow("blanks kept") << QList<CameraPreset>{{"  Desk ", {{"gain", 1}}}, {"Desk", {{"gain", 2}}}};
    QTest::newRow("composed and decomposed kept apart")
        << QList<CameraPreset>{{kComposed, {{"hue", 1}}}, {kDecomposed, {{"hue", 2}}}};
    QTest::newRow("extreme values") << QList<CameraPreset>{{"x", {{"a", kMax}, {"b", kMin}, {"c", -1}}}};
    QTest::newRow("empty name and key") << QList<CameraPreset>{{"", {{"", 4}}}};
    QTest::newRow("control characters and NUL")
        << QList<CameraPreset>{{QString::fromUtf16(u"a\0b\u001f\u007f\u2028", 6), {}}};
    QTest::newRow("astral and lone surrogates")
        << QList<CameraPreset>{{QString::fromUtf16(u"\U0001F4F7\xD800x\xDC00", 5), {}}};
    QTest::newRow("zero-width no-break spaces") << QList<CameraPreset>{{QStringLiteral("\uFEFFx"), {{QStringLiteral("\uFEFF"), 1}}}};
    QTest::newRow("same name twice") << QList<CameraPreset>{{"Desk", {{"zoom", 1}}}, {"Desk", {{"zoom", 2}}}};
}

void PresetDocumentTest::roundTripsEveryNameAndValue()
{
    QFETCH(QList<CameraPreset>, presets);

    const QByteArray document = encodePresetDocument(presets);
    const std::optional<QList<CameraPreset>> decoded = decodePresetDocument(document);
    QVERIFY2(decoded, document.constData());
    QVERIFY(sameList(*decoded, presets));
}

void PresetDocumentTest::readsAnyValidShape_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QList<CameraPreset>>("expected");

    QTest::newRow("empty array") << QByteArray(" [ ] ") << QList<CameraPreset>{};
    QTest::newRow("whitespace and member order")
        << QByteArray("[\n  { \"values\" : { \"zoom\" : 2 } ,\r\n \"name\" : \"Desk\" }\t]\n")
        << QList<CameraPreset>{{"Desk", {{"zoom", 2}}}};
    QTest::newRow("extra members ignored")
        << QByteArray(R"([{"name":"Desk","icon":"star","values":{"zoom":2},"order":[1,2]}])")
        << QList<CameraPreset>{{"Desk", {{"zoom", 2}}}};
    QTest::newRow("whole numbers written as decimals")
        << QByteArray(R"([{"name":"n","values":{"a":5.0,"b":1e3,"c":-0,"d":-2.0E1}}])")
        << QList<CameraPreset>{{"n", {{"a", 5}, {"b", 1000}, {"c", 0}, {"d", -20}}}};
    QTest::newRow("64-bit extremes")
        << QByteArray(R"([{"name":"n","values":{"a":9223372036854775807,"b":-9223372036854775808}}])")
        << QList<CameraPreset>{{"n", {{"a", kMax}, {"b", kMin}}}};
    // Beyond 2^53 a double cannot hold these; they must still come out exact.
    QTest::newRow("64-bit extremes in other notations")
        << QByteArray(R"([{"name":"n","values":{"a":9223372036854775807.000,"b":-9.223372036854775808e18,)"
                      R"("c":9007199254740993.0,"d":100e-2,"e":0e999999999,"f":-0.0}}])")
        << QList<CameraPreset>{{"n", {{"a", kMax}, {"b", kMin}, {"c", 9007199254740993}, {"d", 1}, {"e", 0}, {"f", 0}}}};
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF[]") << QList<CameraPreset>{};
    QTest::newRow("zero-width no-break space opening a name")
        << QByteArray("[{\"name\":\"\xEF\xBB\xBF\\u00e9\xEF\xBB\xBF\",\"values\":{}}]")
        << QList<CameraPreset>{{QStringLiteral("\uFEFF\u00e9\uFEFF"), {}}};
    QTest::newRow("deep extra member")
        << (R"([{"name":"n","values":{},"x":)" + QByteArray(100, '[') + QByteArray(100, ']') + "}]")
        << QList<CameraPreset>{{"n", {}}};
    QTest::newRow("repeated member counts last")
        << QByteArray(R"([{"name":"a","values":{"x":1,"x":2},"name":"b"}])")
        << QList<CameraPreset>{{"b", {{"x", 2}}}};
    QTest::newRow("escaped name") << QByteArray(R"([{"name":"Caf\u00e9","values":{}}])")
                                  << QList<CameraPreset>{{kComposed, {}}};
    QTest::newRow("duplicate names kept in order")
        << QByteArray(R"([{"name":"A","values":{"x":1}},{"name":"A","values":{"x":2}}])")
        << QList<CameraPreset>{{"A", {{"x", 1}}}, {"A", {{"x", 2}}}};
}

void PresetDocumentTest::readsAnyValidShape()
{
    QFETCH(QByteArray, document);
    QFETCH(QList<CameraPreset>, expected);

    const std::optional<QList<CameraPreset>> decoded = decodePresetDocument(document);
    QVERIFY(decoded);
    QVERIFY(sameList(*decoded, expected));
}

void PresetDocumentTest::rejectsWholeDocument_data()
{
    QTest::addColumn<QByteArray>("document");

    QTest::newRow("empty bytes") << QByteArray();
    QTest::newRow("not JSON") << QByteArray("presets: Desk");
    QTest::newRow("cut short") << QByteArray(R"([{"name":"Desk","values":{"zoom":2}})");
    QTest::newRow("trailing garbage") << QByteArray(R"([]x)");
    QTest::newRow("invalid UTF-8") << QByteArray("[{\"name\":\"\xff\",\"values\":{}}]");
    QTest::newRow("top level object") << QByteArray(R"({"name":"Desk","values":{}})");
    QTest::newRow("top level string") << QByteArray(R"("[]")");
    QTest::newRow("element not an object") << QByteArray(R"([["Desk",{}]])");
    QTest::newRow("element null") << QByteArray(R"([null])");
    QTest::newRow("name missing") << QByteArray(R"([{"values":{}}])");
    QTest::newRow("name a number") << QByteArray(R"([{"name":7,"values":{}}])");
    QTest::newRow("name null") << QByteArray(R"([{"name":null,"values":{}}])");
    QTest::newRow("values missing") << QByteArray(R"([{"name":"Desk"}])");
    QTest::newRow("values an array") << QByteArray(R"([{"name":"Desk","values":[1]}])");
    QTest::newRow("values null") << QByteArray(R"([{"name":"Desk","values":null}])");
    QTest::newRow("fraction") << QByteArray(R"([{"name":"Desk","values":{"zoom":1.5}}])");
    QTest::newRow("number as text") << QByteArray(R"([{"name":"Desk","values":{"zoom":"5"}}])");
    QTest::newRow("boolean") << QByteArray(R"([{"name":"Desk","values":{"zoom":true}}])");
    QTest::newRow("null value") << QByteArray(R"([{"name":"Desk","values":{"zoom":null}}])");
    QTest::newRow("nested value") << QByteArray(R"([{"name":"Desk","values":{"zoom":{"v":1}}}])");
    QTest::newRow("one past the largest") << QByteArray(R"([{"name":"D","values":{"z":9223372036854775808}}])");
    QTest::newRow("one past the smallest") << QByteArray(R"([{"name":"D","values":{"z":-9223372036854775809}}])");
    QTest::newRow("huge exponent") << QByteArray(R"([{"name":"D","values":{"z":1e300}}])");
    QTest::newRow("ten to the nineteenth") << QByteArray(R"([{"name":"D","values":{"z":1e19}}])");
    QTest::newRow("twenty digits") << QByteArray(R"([{"name":"D","values":{"z":12345678901234567890}}])");
    // A double would round these to whole numbers.
    QTest::newRow("tiny fraction") << QByteArray(R"([{"name":"D","values":{"z":1.0000000000000001}}])");
    QTest::newRow("negative exponent") << QByteArray(R"([{"name":"D","values":{"z":15e-1}}])");
    QTest::newRow("past the smallest, fraction")
        << QByteArray(R"([{"name":"D","values":{"z":-9223372036854775808.5}}])");
    QTest::newRow("plus sign") << QByteArray(R"([{"name":"D","values":{"z":+1}}])");
    QTest::newRow("leading zero") << QByteArray(R"([{"name":"D","values":{"z":01}}])");
    QTest::newRow("bare fraction") << QByteArray(R"([{"name":"D","values":{"z":.5}}])");
    QTest::newRow("dangling point") << QByteArray(R"([{"name":"D","values":{"z":1.}}])");
    QTest::newRow("dangling exponent") << QByteArray(R"([{"name":"D","values":{"z":1e}}])");
    QTest::newRow("hexadecimal") << QByteArray(R"([{"name":"D","values":{"z":0x10}}])");
    QTest::newRow("not a number") << QByteArray(R"([{"name":"D","values":{"z":NaN}}])");
    QTest::newRow("trailing comma") << QByteArray(R"([{"name":"D","values":{}},])");
    QTest::newRow("raw tab in name") << QByteArray("[{\"name\":\"a\tb\",\"values\":{}}]");
    QTest::newRow("short escape") << QByteArray(R"([{"name":"\u12","values":{}}])");
    QTest::newRow("unknown escape") << QByteArray(R"([{"name":"\x41","values":{}}])");
    QTest::newRow("surrogate in UTF-8") << QByteArray("[{\"name\":\"\xED\xA0\x80\",\"values\":{}}]");
    QTest::newRow("overlong UTF-8") << QByteArray("[{\"name\":\"\xC0\xAF\",\"values\":{}}]");
    QTest::newRow("too deep")
        << (R"([{"name":"n","values":{},"x":)" + QByteArray(100000, '[') + QByteArray(100000, ']') + "}]");
    QTest::newRow("trailing NUL") << QByteArray("[]\0", 3);
    QTest::newRow("one bad element among good ones")
        << QByteArray(R"([{"name":"A","values":{"x":1}},{"name":"B"},{"name":"C","values":{"x":3}}])");
}

void PresetDocumentTest::rejectsWholeDocument()
{
    QFETCH(QByteArray, document);

    QVERIFY(!decodePresetDocument(document));
}

void PresetDocumentTest::comparesNames_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("equal");

    QTest::newRow("same") << "Desk" << "Desk" << true;
    QTest::newRow("composed and decomposed") << kComposed << kDecomposed << true;
    QTest::newRow("Hangul syllable and jamo") << QStringLiteral("\uD55C") << QStringLiteral("\u1112\u1161\u11AB") << true;
    QTest::newRow("case") << "Desk" << "desk" << false;
    QTest::newRow("leading blank") << " Desk" << "Desk" << false;
    QTest::newRow("trailing blank") << "Desk " << "Desk" << false;
    QTest::newRow("tab for space") << "My\tDesk" << "My Desk" << false;
    // Compatibility forms look alike but are different texts.
    QTest::newRow("ligature") << QStringLiteral("\uFB01le") << "file" << false;
    QTest::newRow("empty") << "" << "" << true;
}

void PresetDocumentTest::comparesNames()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, equal);

    QCOMPARE(presetNamesEqual(a, b), equal);
    QCOMPARE(presetNamesEqual(b, a), equal);
}

QTEST_GUILESS_MAIN(PresetDocumentTest)
#include "tst_presetdocument.moc"
