#include "splashview.h"

#include "appinfo.h"

#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QtTest>

class TestSplashView : public QObject {
    Q_OBJECT

private slots:
    void windowProperties();
    void texts();
    void versionText_data();
    void versionText();
    void getStartedRunsDismissOnly();
    void withoutTrayTheHintSaysSo();

private:
    static QStringList labelTexts(const QWidget &widget);
};

QStringList TestSplashView::labelTexts(const QWidget &widget)
{
    QStringList texts;
    for (const QLabel *label : widget.findChildren<QLabel *>())
        texts.append(label->text());
    return texts;
}

void TestSplashView::windowProperties()
{
    SplashView splash({});
    const Qt::WindowFlags flags = splash.windowFlags();
    QVERIFY(flags.testFlag(Qt::Window));
    QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(splash.windowTitle().isEmpty());
    QCOMPARE(splash.minimumSize(), QSize(480, 400));
    QCOMPARE(splash.maximumSize(), QSize(480, 400));

    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QCOMPARE(splash.size(), QSize(480, 400));
    // Everything fits: nothing is squeezed below the size it needs.
    QVERIFY2(splash.layout()->minimumSize().height() <= 400,
             qPrintable(QString::number(splash.layout()->minimumSize().height())));
    const QRect content = splash.rect();
    for (const QWidget *child : splash.findChildren<QWidget *>()) {
        if (child->isVisible() && child->parentWidget() == &splash)
            QVERIFY2(content.contains(child->geometry()), qPrintable(child->metaObject()->className()));
    }
}

void TestSplashView::texts()
{
    SplashView splash({});
    const QStringList texts = labelTexts(splash);
    for (const char *expected : {"Lum", "arel", "Camera Control for Linux", "Look for the",
                                 "icon in your system tray.", "\u2022"})
        QVERIFY2(texts.contains(QString::fromUtf8(expected)), expected);
    QVERIFY(texts.contains(QStringLiteral("I built Lumarel because I wasn't happy spending money on apps just "
                                          "to adjust the image quality of my webcam. I hope you enjoy it.")));
    QCOMPARE(splash.getStartedButton()->text(), QStringLiteral("Get Started"));

    const auto link = std::find_if(texts.begin(), texts.end(),
                                   [](const QString &text) { return text.startsWith(QStringLiteral("<a ")); });
    QVERIFY(link != texts.end());
    QVERIFY(link->contains(QStringLiteral("href=\"%1\"").arg(AppInfo::webUrl())));
    QVERIFY(link->contains(QStringLiteral(">%1</a>").arg(AppInfo::webLabel())));
    QVERIFY(!AppInfo::webLabel().isEmpty());
    QVERIFY(!AppInfo::webLabel().contains(u'/'));
}

void TestSplashView::versionText_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("shown");
    QTest::newRow("set") << QStringLiteral("2.3.1") << QStringLiteral("v2.3.1");
    QTest::newRow("none") << QString() << QStringLiteral("v1.0");
    QTest::newRow("the build's") << AppInfo::version() << QStringLiteral("v") + AppInfo::version();
}

void TestSplashView::versionText()
{
    QFETCH(QString, version);
    QFETCH(QString, shown);
    QCoreApplication::setApplicationVersion(version);
    QCOMPARE(SplashView::versionText(), shown);
    SplashView splash({});
    QVERIFY(labelTexts(splash).contains(shown));
}

void TestSplashView::getStartedRunsDismissOnly()
{
    int dismissed = 0;
    SplashView splash([&dismissed] { ++dismissed; });
    splash.show();
    QTest::mouseClick(splash.getStartedButton(), Qt::LeftButton);
    QCOMPARE(dismissed, 1);
    // Closing is the caller's part, through the closure.
    QVERIFY(splash.isVisible());
    QCOMPARE(QApplication::topLevelWidgets().size(), 1);
}

void TestSplashView::withoutTrayTheHintSaysSo()
{
    SplashView splash({}, false);
    const QStringList texts = labelTexts(splash);
    QVERIFY(!texts.contains(QStringLiteral("Look for the")));
    QVERIFY(texts.contains(QStringLiteral("Your desktop shows no system tray, so Lumarel opens in a window of its own.")));
    splash.show();
    QVERIFY(splash.layout()->minimumSize().height() <= 400);
}

QTEST_MAIN(TestSplashView)
#include "tst_splashview.moc"
