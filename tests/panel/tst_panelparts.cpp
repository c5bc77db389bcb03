// Small pieces of the panel: the blank set for preset names, the mapping of
// 64-bit control ranges onto a slider, and how a switch stands out.

#include "blanks.h"
#include "sliderscale.h"
#include "style.h"
#include "switchbutton.h"

#include <QApplication>
#include <QTest>
#include <limits>

class TestPanelParts : public QObject {
    Q_OBJECT

private slots:
    void trimmedBlanks_data();
    void trimmedBlanks();
    void sliderScale_data();
    void sliderScale();
    void scaledPositionsRoundTrip();
    void switchesStandOutInEveryTheme_data();
    void switchesStandOutInEveryTheme();
    void symbolsFollowThePaletteAndTheScale();
};

void TestPanelParts::trimmedBlanks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("trimmed");
    QTest::newRow("spaces") << " Desk " << "Desk";
    QTest::newRow("tabs") << "\tDesk\t" << "Desk";
    QTest::newRow("no-break and ideographic spaces") << QString::fromUtf8("\u00a0\u3000Desk\u2009")
                                                      << "Desk";
    QTest::newRow("inner blanks stay") << " my  desk " << "my  desk";
    QTest::newRow("line breaks are not blanks") << "\nDesk\r\n" << "\nDesk\r\n";
    QTest::newRow("line separator is not a blank") << QString::fromUtf8("\u2028") << QString::fromUtf8("\u2028");
    QTest::newRow("only blanks") << " \t \u00a0" << "";
    QTest::newRow("empty") << "" << "";
}

void TestPanelParts::trimmedBlanks()
{
    QFETCH(QString, text);
    QFETCH(QString, trimmed);
    QCOMPARE(::trimmedBlanks(text), trimmed);
}

void TestPanelParts::sliderScale_data()
{
    constexpr qint64 lo = std::numeric_limits<qint64>::min();
    constexpr qint64 hi = std::numeric_limits<qint64>::max();
    constexpr int intMax = std::numeric_limits<int>::max();
    QTest::addColumn<qint64>("min");
    QTest::addColumn<qint64>("max");
    QTest::addColumn<int>("sliderMin");
    QTest::addColumn<int>("sliderMax");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<int>("position");
    QTest::addColumn<qint64>("valueAtPosition");

    QTest::newRow("int range is direct") << qint64(-64) << qint64(64) << -64 << 64 << qint64(-5) << -5 << qint64(-5);
    QTest::newRow("swapped bounds") << qint64(64) << qint64(-64) << -64 << 64 << qint64(3) << 3 << qint64(3);
    QTest::newRow("value above range shows at the end") << qint64(0) << qint64(10) << 0 << 10 << qint64(99) << 10 << qint64(10);
    QTest::newRow("narrow range beyond int is shifted") << qint64(3000000000) << qint64(3000000100) << 0 << 100
                                                        << qint64(3000000007) << 7 << qint64(3000000007);
    QTest::newRow("whole 64-bit range: minimum") << lo << hi << 0 << intMax << lo << 0 << lo;
    QTest::newRow("whole 64-bit range: maximum") << lo << hi << 0 << intMax << hi << intMax << hi;
    QTest::newRow("whole 64-bit range: below the int limit") << lo << hi << 0 << intMax << qint64(-1)
                                                             << intMax / 2 + 1 << qint64(4294967297);
}

void TestPanelParts::sliderScale()
{
    QFETCH(qint64, min);
    QFETCH(qint64, max);
    QFETCH(int, sliderMin);
    QFETCH(int, sliderMax);
    QFETCH(qint64, value);
    QFETCH(int, position);
    QFETCH(qint64, valueAtPosition);

    const SliderScale scale(min, max);
    QCOMPARE(scale.sliderMinimum(), sliderMin);
    QCOMPARE(scale.sliderMaximum(), sliderMax);
    QCOMPARE(scale.toSlider(value), position);
    QCOMPARE(scale.fromSlider(position), valueAtPosition);
}

void TestPanelParts::scaledPositionsRoundTrip()
{
    // A value written from a position must show at that same position again,
    // or the handle would jump under the user's hand.
    const QList<std::pair<qint64, qint64>> ranges{
        {std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()},
        {-5, std::numeric_limits<qint64>::max()},
        {0, qint64(1) << 40},
        {0, qint64(std::numeric_limits<int>::max()) * 3 + 1},
    };
    for (const auto &[min, max] : ranges) {
        const SliderScale scale(min, max);
        qint64 previous = min;
        for (int position : {0, 1, 2, 1000, 1 << 20, 1 << 30, std::numeric_limits<int>::max() - 1,
                             std::numeric_limits<int>::max()}) {
            const qint64 value = scale.fromSlider(position);
            QVERIFY(value >= min && value <= max);
            QVERIFY(value >= previous);
            previous = value;
            QCOMPARE(scale.toSlider(value), position);
        }
    }
}

void TestPanelParts::switchesStandOutInEveryTheme_data()
{
    // Window, Base, Mid and Highlight of each theme (the dark ones as Breeze
    // Dark and Adwaita-dark have them, near enough).
    QTest::addColumn<QStringList>("colours");
    QTest::newRow("light") << QStringList{"#efefef", "#ffffff", "#c4c4c4", "#308cc6"};
    QTest::newRow("Breeze Dark") << QStringList{"#2a2e32", "#1b1e20", "#25292d", "#3daee9"};
    QTest::newRow("Adwaita-dark") << QStringList{"#353535", "#2d2d2d", "#303030", "#15539e"};
    QTest::newRow("mid grey") << QStringList{"#808080", "#7a7a7a", "#858585", "#707070"};
}

// Track against the panel and knob against the track, at least 3:1 (WCAG
// 2.1 non-text contrast), read from the painted switch, off and on.
void TestPanelParts::switchesStandOutInEveryTheme()
{
    QFETCH(QStringList, colours);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(colours[0]));
    palette.setColor(QPalette::Base, QColor(colours[1]));
    palette.setColor(QPalette::Mid, QColor(colours[2]));
    palette.setColor(QPalette::Highlight, QColor(colours[3]));
    SwitchButton button(QStringLiteral("Auto Focus"));
    button.setPalette(palette);
    button.resize(button.sizeHint());
    // The widget is 38 x 24 around a 34 x 20 track with a 16 px knob.
    for (bool on : {false, true}) {
        button.setChecked(on);
        const QImage image = button.grab().toImage();
        const QColor track = image.pixelColor(on ? 8 : 30, 12);
        const QColor knob = image.pixelColor(on ? 26 : 12, 12);
        QVERIFY2(Style::contrastRatio(track, palette.color(QPalette::Window)) >= 3,
                 qPrintable(QString("track %1 on %2").arg(track.name(), colours[0])));
        QVERIFY2(Style::contrastRatio(knob, track) >= 3, qPrintable(QString("knob %1 on %2").arg(knob.name(), track.name())));
    }
}

// The most opaque pixel's colour: what a symbol is drawn in.
static QColor inkOf(const QImage &image)
{
    QColor ink(0, 0, 0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (const QColor c = image.pixelColor(x, y); c.alpha() > ink.alpha())
                ink = c;
    return ink;
}

void TestPanelParts::symbolsFollowThePaletteAndTheScale()
{
    Style::SymbolLabel label(QStringLiteral("video.slash"), 24, &Style::secondaryColor);
    QPalette light;
    light.setColor(QPalette::Window, Qt::white);
    light.setColor(QPalette::WindowText, Qt::black);
    label.setPalette(light);
    label.grab();
    QCOMPARE(inkOf(label.pixmap().toImage()).rgb(), Style::secondaryColor(light).rgb());

    // A dark theme switched on while it runs.
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor("#202020"));
    dark.setColor(QPalette::WindowText, QColor("#f0f0f0"));
    label.setPalette(dark);
    label.grab();
    QCOMPARE(inkOf(label.pixmap().toImage()).rgb(), Style::secondaryColor(dark).rgb());
    QCOMPARE(label.pixmap().devicePixelRatio(), label.devicePixelRatioF());

    // An icon is sharp at twice the scale too, not an enlarged 1x picture.
    const QIcon icon = Style::symbolIcon(QStringLiteral("xmark.circle.fill"), Style::TextStyle::Callout, Qt::red);
    const int side = Style::symbolSide(Style::TextStyle::Callout);
    const QPixmap sharp = icon.pixmap(QSize(side, side), 2.0);
    QCOMPARE(sharp.devicePixelRatio(), 2.0);
    QCOMPARE(sharp.size(), QSize(side, side) * 2);
}

QTEST_MAIN(TestPanelParts)
#include "tst_panelparts.moc"
