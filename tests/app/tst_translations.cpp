// The panel, the tray menu and the welcome window in the user's language, and
// untouched English where Lumarel has no translation.

#include "appdelegate.h"
#include "instanceregistry.h"
#include "paneltestsupport.h"
#include "splashview.h"
#include "translations.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

namespace {

class QuietRegistry final : public InstanceRegistry {
public:
    bool registerThisCopy() override { return true; }
    QStringList askOlderCopiesToQuit() override { return {}; }
};

// What a user reads in a widget: its labels' and buttons' texts, its
// accessible names and the tooltips of its labels.
QStringList textsOf(const QWidget *widget)
{
    QStringList texts;
    for (const QLabel *label : widget->findChildren<QLabel *>())
        texts << label->text() << label->toolTip() << label->accessibleName();
    for (const QAbstractButton *button : widget->findChildren<QAbstractButton *>())
        texts << button->text() << button->accessibleName();
    texts.removeAll(QString());
    return texts;
}

QStringList trayEntries()
{
    AppDelegate::Options options;
    options.makePanel = [] { return new QWidget; };
    options.registry = std::make_unique<QuietRegistry>();
    options.trayAvailable = true;
    AppDelegate delegate(std::move(options));
    delegate.applicationDidFinishLaunching();
    QStringList entries;
    for (const QAction *action : delegate.statusMenu()->actions())
        if (!action->isSeparator())
            entries << action->text();
    return entries;
}

} // namespace

class TestTranslations : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void textsFollowTheLocale_data();
    void textsFollowTheLocale();
};

void TestTranslations::cleanup()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    installTranslations(*qApp);
}

void TestTranslations::textsFollowTheLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("panel");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<QStringList>("tray");
    QTest::addColumn<QString>("getStarted");

    QTest::newRow("German")
        << QLocale(QLocale::German)
        << QStringList{"Lumarel beenden", "Beim Anmelden öffnen", "MODI", "EINSTELLUNGEN", "VOREINSTELLUNGEN",
                       "Helligkeit", "Autofokus", "Speichern", "Keine gespeicherten Voreinstellungen"}
        << "Diese Kamera unterstützt keine UVC-Steuerung" << QStringList{"Lumarel öffnen", "Lumarel beenden"}
        << "Los geht’s";
    QTest::newRow("French")
        << QLocale(QLocale::French, QLocale::Canada)
        << QStringList{"Quitter Lumarel", "Ouvrir à la connexion", "RÉGLAGES", "Luminosité", "Enregistrer"}
        << "Cette caméra ne prend pas en charge les réglages UVC" << QStringList{"Ouvrir Lumarel", "Quitter Lumarel"}
        << "Commencer";
    const QStringList english{"Quit Lumarel", "Open at Login", "MODES", "ADJUSTMENTS", "PRESETS", "Brightness",
                              "Auto Focus", "Save", "Reset", "No saved presets"};
    const QStringList englishTray{"Open Lumarel", "Quit Lumarel"};
    const QString englishNotice = QStringLiteral("This camera does not support UVC controls");
    QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedKingdom) << english << englishNotice
                             << englishTray << "Get Started";
    QTest::newRow("no translation") << QLocale(QLocale::Japanese) << english << englishNotice << englishTray
                                    << "Get Started";
}

void TestTranslations::textsFollowTheLocale()
{
    QFETCH(QLocale, locale);
    QFETCH(QStringList, panel);
    QFETCH(QString, notice);
    QFETCH(QStringList, tray);
    QFETCH(QString, getStarted);
    QLocale::setDefault(locale);
    installTranslations(*qApp);

    {
        PanelFixture f;
        f.helper.answer("controls", "brightness int min=-64 max=64\nauto_focus bool\n");
        f.helper.answer("export", R"({"brightness":10,"auto_focus":1})");
        f.build();
        const QStringList shown = textsOf(f.view.get());
        for (const QString &text : panel)
            QVERIFY2(shown.contains(text), qPrintable(text + QStringLiteral(" not in ") + shown.join(u'|')));
        // The rows keep the catalogue's English, which nothing but the
        // panel's drawing of them may change.
        QCOMPARE(f.view->uvc().sliders().first().label, QStringLiteral("Brightness"));
    }
    {
        PanelFixture f;
        f.helper.answer("controls", "Brightness only\n");
        f.build();
        QCOMPARE(f.named<QLabel>("noticeMessage")->text(), notice);
        QCOMPARE(*f.view->uvc().errorMessage(), QStringLiteral("This camera does not support UVC controls"));
    }
    Preferences::setBoolean(Preferences::kHasLaunchedBefore, true);
    QCOMPARE(trayEntries(), tray);
    SplashView splash({}, true);
    QVERIFY2(textsOf(&splash).contains(getStarted), qPrintable(textsOf(&splash).join(u'|')));
}

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
