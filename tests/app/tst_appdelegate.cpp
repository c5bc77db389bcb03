#include "appdelegate.h"

#include "instanceregistry.h"
#include "popoverwindow.h"
#include "preferences.h"
#include "splashview.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Records start-up's calls instead of talking to other copies.
class FakeRegistry final : public InstanceRegistry {
public:
    explicit FakeRegistry(QStringList *log) : m_log(log) {}
    bool registerThisCopy() override
    {
        m_log->append(QStringLiteral("register"));
        return true;
    }
    QStringList askOlderCopiesToQuit() override
    {
        m_log->append(QStringLiteral("ask"));
        return {};
    }
    void requestQuit() { emit quitRequested(4242); }

private:
    QStringList *m_log;
};

// Notes the first-launch flag at the moment the welcome window shows.
class ShowWatcher : public QObject {
public:
    std::optional<bool> flagWhenWelcomeShown;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<SplashView *>(watched) && !flagWhenWelcomeShown)
            flagWhenWelcomeShown = Preferences::boolean(Preferences::kHasLaunchedBefore);
        return false;
    }
};

QStringList visibleLabelTexts(const QWidget *widget)
{
    QStringList texts;
    for (const QLabel *label : widget->findChildren<QLabel *>())
        texts.append(label->text());
    return texts;
}

} // namespace

class TestAppDelegate : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstLaunchInOrder();
    void laterLaunchesShowNoWelcome();
    void welcomeWindowClosedFromTitleBar();
    void togglePopoverKeepsTheOnePanel();
    void clickOutsideCloses();
    void withoutTrayThePanelOpensInAWindow();
    void quitRequestFromNewerCopyEndsTheApplication();
    void theIconsMenuOpensQuitsAndHoldsThePanelsEntries();
    void aTrayThatComesLaterIsUsed();
    void aTrayHostQtCannotJoinLateMeansANewStart();

private:
    std::unique_ptr<AppDelegate> makeDelegate(bool tray);

    std::unique_ptr<QTemporaryDir> m_temp;
    QStringList m_log;
    QList<QWidget *> m_panels;
    FakeRegistry *m_registry = nullptr;
};

void TestAppDelegate::init()
{
    m_temp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_temp->isValid());
    Preferences::setFileForTesting(m_temp->filePath(QStringLiteral("Lumarel.conf")));
    m_log.clear();
    m_panels.clear();
}

void TestAppDelegate::cleanup()
{
    for (QWidget *window : QApplication::topLevelWidgets())
        window->hide();
}

std::unique_ptr<AppDelegate> TestAppDelegate::makeDelegate(bool tray)
{
    AppDelegate::Options options;
    options.makePanel = [this] {
        m_log.append(QStringLiteral("panel"));
        auto *panel = new QWidget;
        panel->setObjectName(QStringLiteral("panel"));
        m_panels.append(panel);
        return panel;
    };
    auto registry = std::make_unique<FakeRegistry>(&m_log);
    m_registry = registry.get();
    options.registry = std::move(registry);
    options.trayAvailable = tray;
    return std::make_unique<AppDelegate>(std::move(options));
}

void TestAppDelegate::firstLaunchInOrder()
{
    ShowWatcher watcher;
    qApp->installEventFilter(&watcher);
    auto delegate = makeDelegate(true);
    // The constructor does nothing yet.
    QVERIFY(m_log.isEmpty());
    QVERIFY(!delegate->statusItem() && !delegate->popover() && !delegate->splashWindow());

    delegate->applicationDidFinishLaunching();
    qApp->removeEventFilter(&watcher);
    QCOMPARE(m_log, (QStringList{QStringLiteral("register"), QStringLiteral("ask"), QStringLiteral("panel")}));

    QSystemTrayIcon *item = delegate->statusItem();
    QVERIFY(item);
    QCOMPARE(item->toolTip(), QStringLiteral("Lumarel"));
    QVERIFY(!item->icon().isNull());
    QVERIFY(!delegate->popover()->isVisible());

    QPointer<SplashView> splash = delegate->splashWindow();
    QVERIFY(splash && splash->isVisible());
    QCOMPARE(watcher.flagWhenWelcomeShown, std::optional<bool>(true));
    // Centred, give or take the window frame.
    const QPoint offCentre = splash->geometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY2(offCentre.manhattanLength() <= 8, qPrintable(QStringLiteral("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
    QVERIFY(visibleLabelTexts(splash).contains(QStringLiteral("icon in your system tray.")));

    // The tray icon works as usual while the welcome window is open.
    emit item->activated(QSystemTrayIcon::Trigger);
    QVERIFY(delegate->popover()->isVisible());
    delegate->togglePopover();
    QVERIFY(splash && splash->isVisible());

    QTest::mouseClick(splash->getStartedButton(), Qt::LeftButton);
    QTRY_VERIFY(!splash);
    QVERIFY(!delegate->splashWindow());
    QVERIFY(Preferences::boolean(Preferences::kHasLaunchedBefore));
    QVERIFY(!delegate->popover()->isVisible());
    const QWidgetList windows = QApplication::topLevelWidgets();
    QVERIFY(std::none_of(windows.begin(), windows.end(), [](QWidget *w) { return w->isVisible(); }));
}

void TestAppDelegate::laterLaunchesShowNoWelcome()
{
    Preferences::setBoolean(Preferences::kHasLaunchedBefore, true);
    auto delegate = makeDelegate(true);
    delegate->applicationDidFinishLaunching();
    QVERIFY(!delegate->splashWindow());
    const QWidgetList windows = QApplication::topLevelWidgets();
    // the hidden popover, and the icon's menu
    QCOMPARE(std::count_if(windows.begin(), windows.end(), [](QWidget *w) { return !qobject_cast<QMenu *>(w); }), 1);
    QVERIFY(Preferences::boolean(Preferences::kHasLaunchedBefore));

    // Quitting while the welcome window was open counts as launched too.
    Preferences::setFileForTesting(m_temp->filePath(QStringLiteral("second.conf")));
    auto first = makeDelegate(true);
    first->applicationDidFinishLaunching();
    QVERIFY(first->splashWindow());
    first.reset();
    auto second = makeDelegate(true);
    second->applicationDidFinishLaunching();
    QVERIFY(!second->splashWindow());
}

void TestAppDelegate::welcomeWindowClosedFromTitleBar()
{
    auto delegate = makeDelegate(true);
    delegate->applicationDidFinishLaunching();
    QPointer<SplashView> splash = delegate->splashWindow();
    QVERIFY(splash);
    splash->close();
    QTRY_VERIFY(!splash);
    QVERIFY(!delegate->splashWindow());
}

void TestAppDelegate::togglePopoverKeepsTheOnePanel()
{
    Preferences::setBoolean(Preferences::kHasLaunchedBefore, true);
    auto delegate = makeDelegate(true);
    delegate->applicationDidFinishLaunching();
    PopoverWindow *popover = delegate->popover();
    QCOMPARE(m_panels.size(), 1);
    QWidget *panel = m_panels.first();
    QCOMPARE(popover->panel(), panel);

    delegate->togglePopover();
    QVERIFY(popover->isVisible());
    QVERIFY(popover->windowFlags().testFlag(Qt::Popup));
    QCOMPARE(popover->size(), QSize(320, 700));
    QVERIFY(QTest::qWaitForWindowActive(popover));
    QVERIFY(panel->isVisible());

    delegate->togglePopover();
    QVERIFY(!popover->isVisible());

    // Only a left click (Trigger) is the icon's action.
    emit delegate->statusItem()->activated(QSystemTrayIcon::Context);
    emit delegate->statusItem()->activated(QSystemTrayIcon::MiddleClick);
    QVERIFY(!popover->isVisible());
    emit delegate->statusItem()->activated(QSystemTrayIcon::Trigger);
    QVERIFY(popover->isVisible());
    QCOMPARE(delegate->popover(), popover);
    QCOMPARE(popover->panel(), panel);
    QCOMPARE(m_panels.size(), 1);
}

void TestAppDelegate::clickOutsideCloses()
{
    Preferences::setBoolean(Preferences::kHasLaunchedBefore, true);
    auto delegate = makeDelegate(true);
    delegate->applicationDidFinishLaunching();
    PopoverWindow *popover = delegate->popover();
    delegate->togglePopover();
    QVERIFY(QTest::qWaitForWindowActive(popover));

    QTest::mousePress(popover, Qt::LeftButton, {}, QPoint(-30, 350));
    QTRY_VERIFY(!popover->isVisible());
    // That click was on the icon: its activation right after must not reopen.
    emit delegate->statusItem()->activated(QSystemTrayIcon::Trigger);
    QVERIFY(!popover->isVisible());
    // A later click opens it again, with the same panel.
    QTRY_VERIFY_WITH_TIMEOUT(!popover->justClosedByOutsideClick(), PopoverWindow::kReopenGuardMs * 10);
    emit delegate->statusItem()->activated(QSystemTrayIcon::Trigger);
    QVERIFY(popover->isVisible());
    QCOMPARE(m_panels.size(), 1);
}

void TestAppDelegate::withoutTrayThePanelOpensInAWindow()
{
    auto delegate = makeDelegate(false);
    delegate->applicationDidFinishLaunching();
    PopoverWindow *window = delegate->popover();
    QCOMPARE(window->mode(), PopoverWindow::Mode::Window);
    QVERIFY(!window->windowFlags().testFlag(Qt::Popup));
    QVERIFY(window->isVisible());
    QCOMPARE(window->panel(), m_panels.value(0));

    QVERIFY(delegate->splashWindow());
    const QStringList texts = visibleLabelTexts(delegate->splashWindow());
    QVERIFY(!texts.contains(QStringLiteral("icon in your system tray.")));
    QVERIFY(std::any_of(texts.begin(), texts.end(),
                        [](const QString &text) { return text.contains(QStringLiteral("no system tray")); }));
}

void TestAppDelegate::quitRequestFromNewerCopyEndsTheApplication()
{
    Preferences::setBoolean(Preferences::kHasLaunchedBefore, true);
    auto delegate = makeDelegate(true);
    delegate->applicationDidFinishLaunching();
    QTimer::singleShot(0, m_registry, [this] { m_registry->requestQuit(); });
    QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);
}

void TestAppDelegate::theIconsMenuOpensQuitsAndHoldsThePanelsEntries()
{
    Preferences::setBoolean(Preferences::kHasLaunchedBefore, true);
    AppDelegate::Options options;
    options.makePanel = [] { return new QWidget; };
    options.registry = std::make_unique<FakeRegistry>(&m_log);
    options.trayAvailable = true;
    int fills = 0;
    options.addTrayMenuEntries = [&fills](QWidget *, QMenu *menu) {
        menu->addAction(QStringLiteral("Desk"))->setCheckable(true);
        ++fills;
    };
    std::function<void()> entriesChanged;
    options.watchTrayMenuEntries = [&entriesChanged](QWidget *, std::function<void()> changed) {
        entriesChanged = std::move(changed);
    };
    AppDelegate delegate(std::move(options));
    delegate.applicationDidFinishLaunching();
    QMenu *menu = delegate.statusMenu();
    QVERIFY(menu);
    QCOMPARE(delegate.statusItem()->contextMenu(), menu);

    // Filled anew each time it is about to show: the presets may have changed.
    emit menu->aboutToShow();
    QCOMPARE(fills, 2);
    // And when they change, before a tray host asks for the menu again.
    QVERIFY(entriesChanged);
    entriesChanged();
    QCOMPARE(fills, 3);
    QStringList texts;
    for (QAction *action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(texts, (QStringList{"Open Lumarel", "-", "Desk", "-", "Quit Lumarel"}));

    menu->actions().first()->trigger();
    QVERIFY(delegate.popover()->isVisible());
    menu->actions().first()->trigger(); // opens, never closes
    QVERIFY(delegate.popover()->isVisible());

    QTimer::singleShot(0, menu, [menu] { menu->actions().last()->trigger(); });
    QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);
}

void TestAppDelegate::aTrayThatComesLaterIsUsed()
{
    bool tray = false;
    AppDelegate::Options options;
    options.makePanel = [] { return new QWidget; };
    options.registry = std::make_unique<FakeRegistry>(&m_log);
    options.trayProbe = [&tray] { return tray; };
    options.trayCheckIntervalMs = 20;
    AppDelegate delegate(std::move(options));
    delegate.applicationDidFinishLaunching();
    QWidget *panel = delegate.popover()->panel();
    QCOMPARE(delegate.popover()->mode(), PopoverWindow::Mode::Window);
    QVERIFY(delegate.popover()->isVisible());

    // The tray starts after us, as at login: the panel moves into the popover,
    // closed until the icon is clicked, and the welcome window points at it.
    auto hintTexts = [&delegate] {
        QStringList texts;
        for (QLabel *label : delegate.splashWindow()->findChildren<QLabel *>())
            texts << label->text();
        return texts.join(' ');
    };
    QVERIFY(hintTexts().contains("no system tray"));
    tray = true;
    QTRY_COMPARE(delegate.popover()->mode(), PopoverWindow::Mode::Popover);
    QVERIFY(!hintTexts().contains("no system tray"));
    QVERIFY(hintTexts().contains("icon in your system tray"));
    QCOMPARE(delegate.popover()->panel(), panel);
    QVERIFY(!delegate.popover()->isVisible());
    QVERIFY(delegate.statusItem()->isVisible());
    delegate.togglePopover();
    QVERIFY(delegate.popover()->isVisible());
    QVERIFY(panel->isVisible());

    // Its host restarts: the popover stays what it is.
    PopoverWindow *popover = delegate.popover();
    tray = false;
    QTest::qWait(100);
    tray = true;
    QTest::qWait(100);
    QCOMPARE(delegate.popover(), popover);
    QVERIFY(delegate.statusItem()->isVisible());
}

void TestAppDelegate::aTrayHostQtCannotJoinLateMeansANewStart()
{
    bool host = false;
    int relaunches = 0;
    AppDelegate::Options options;
    options.makePanel = [] { return new QWidget; };
    options.registry = std::make_unique<FakeRegistry>(&m_log);
    options.trayProbe = [] { return false; }; // Qt settled on no tray
    options.trayCheckIntervalMs = 20;
    options.lateTrayHost = [&host] { return host; };
    options.relaunch = [&relaunches] { return ++relaunches > 0; };
    AppDelegate delegate(std::move(options));
    delegate.applicationDidFinishLaunching();
    QTest::qWait(100);
    QCOMPARE(relaunches, 0);
    host = true;
    QTRY_COMPARE(relaunches, 1);
    QTest::qWait(100);
    QCOMPARE(relaunches, 1); // once

    // A copy started to join the tray never starts another, should Qt not
    // see the tray either.
    qputenv("LUMAREL_STARTED_FOR_TRAY", "1");
    AppDelegate::Options again;
    again.makePanel = [] { return new QWidget; };
    again.registry = std::make_unique<FakeRegistry>(&m_log);
    again.trayProbe = [] { return false; };
    again.trayCheckIntervalMs = 20;
    again.lateTrayHost = [] { return true; };
    again.relaunch = [&relaunches] { return ++relaunches > 0; };
    AppDelegate joined(std::move(again));
    joined.applicationDidFinishLaunching();
    QTest::qWait(100);
    qunsetenv("LUMAREL_STARTED_FOR_TRAY");
    QCOMPARE(relaunches, 1);
}

QTEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
