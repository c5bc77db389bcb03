#include "appdelegate.h"

#include "instanceregistry.h"
#include "popoverwindow.h"
#include "preferences.h"
#include "splashview.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QSystemTrayIcon>

namespace {

// Set for a copy started to join a tray: should Qt not see that tray either,
// that copy must not start yet another.
constexpr char kRelaunchedVariable[] = "LUMAREL_STARTED_FOR_TRAY";

} // namespace

AppDelegate::AppDelegate(Options options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
{
}

AppDelegate::~AppDelegate()
{
    delete m_splashWindow;
    // The icon goes before its menu.
    delete m_statusItem;
}

bool AppDelegate::trayAvailable() const
{
    return m_options.trayAvailable ? *m_options.trayAvailable : probeTray();
}

bool AppDelegate::relaunchThisProgram()
{
    QProcess process;
    process.setProgram(QCoreApplication::applicationFilePath());
    process.setArguments(QCoreApplication::arguments().mid(1));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kRelaunchedVariable), QStringLiteral("1"));
    process.setProcessEnvironment(environment);
    if (!process.startDetached())
        return false;
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    return true;
}

bool AppDelegate::probeTray() const
{
    return m_options.trayProbe ? m_options.trayProbe() : QSystemTrayIcon::isSystemTrayAvailable();
}

void AppDelegate::checkTray()
{
    const bool available = probeTray();
    if (!available && m_startedWithoutTray && !m_relaunched && m_options.lateTrayHost && m_options.lateTrayHost()) {
        // Qt settled at start-up that there is no tray of this kind and does
        // not look again: a new start of Lumarel joins it.
        m_relaunched = m_options.relaunch ? m_options.relaunch() : relaunchThisProgram();
        return;
    }
    if (available == trayAvailable())
        return;
    m_options.trayAvailable = available;
    if (!available)
        return; // the icon registers again when a tray comes back
    // A tray came: at login after us, or its host restarted. The icon
    // registers with it anew, and the panel's own window becomes the popover
    // under the icon (closed, until the icon is clicked).
    m_statusItem->hide();
    m_statusItem->show();
    if (m_popover && m_popover->mode() == PopoverWindow::Mode::Window)
        m_popover = std::make_unique<PopoverWindow>(m_popover->panel(), PopoverWindow::Mode::Popover);
    if (m_splashWindow)
        m_splashWindow->setTrayAvailable(true);
}

void AppDelegate::applicationDidFinishLaunching()
{
    terminateOtherInstances();
    // Asked once, so that every step of start-up builds on the same answer;
    // each asking is a round trip to the X server or the session bus.
    m_options.trayAvailable = trayAvailable();
    m_startedWithoutTray = !trayAvailable();
    m_relaunched = qEnvironmentVariableIsSet(kRelaunchedVariable);
    createPopover();
    createStatusItem();
    connect(&m_trayCheck, &QTimer::timeout, this, &AppDelegate::checkTray);
    m_trayCheck.start(m_options.trayCheckIntervalMs);

    if (!trayAvailable())
        m_popover->show();

    if (!Preferences::boolean(Preferences::kHasLaunchedBefore)) {
        // Written first, so that a crash or quit while the window is open
        // does not bring it back on the next launch.
        Preferences::setBoolean(Preferences::kHasLaunchedBefore, true);
        showSplashWindow();
    }
}

void AppDelegate::terminateOtherInstances()
{
    InstanceRegistry *registry = m_options.registry.get();
    connect(registry, &InstanceRegistry::quitRequested, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    if (registry->registerThisCopy())
        registry->askOlderCopiesToQuit();
}

void AppDelegate::createPopover()
{
    const auto mode = trayAvailable() ? PopoverWindow::Mode::Popover : PopoverWindow::Mode::Window;
    m_popover = std::make_unique<PopoverWindow>(m_options.makePanel(), mode);
}

void AppDelegate::createStatusItem()
{
    m_statusItem = new QSystemTrayIcon(QIcon(QStringLiteral(":/lumarel/lumarel.svg")), this);
    m_statusItem->setToolTip(QStringLiteral("Lumarel"));
    connect(m_statusItem, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            togglePopover();
    });
    // Right click, or the tray host's menu request: a way to the presets and
    // to quitting without opening the panel.
    m_statusMenu = std::make_unique<QMenu>();
    connect(m_statusMenu.get(), &QMenu::aboutToShow, this, &AppDelegate::fillStatusMenu);
    fillStatusMenu();
    if (m_options.watchTrayMenuEntries && m_popover)
        m_options.watchTrayMenuEntries(m_popover->panel(), [this] { fillStatusMenu(); });
    m_statusItem->setContextMenu(m_statusMenu.get());
    // Shown even without a tray: Qt docks it should one appear later.
    m_statusItem->show();
}

void AppDelegate::fillStatusMenu()
{
    m_statusMenu->clear();
    connect(m_statusMenu->addAction(tr("Open Lumarel")), &QAction::triggered, this, &AppDelegate::openPopover);
    m_statusMenu->addSeparator();
    const int before = int(m_statusMenu->actions().size());
    if (m_options.addTrayMenuEntries && m_popover)
        m_options.addTrayMenuEntries(m_popover->panel(), m_statusMenu.get());
    if (m_statusMenu->actions().size() > before)
        m_statusMenu->addSeparator();
    connect(m_statusMenu->addAction(tr("Quit Lumarel")), &QAction::triggered, qApp, &QCoreApplication::quit,
            Qt::QueuedConnection);
}

void AppDelegate::togglePopover()
{
    if (!m_popover)
        return;
    if (m_popover->isVisible()) {
        m_popover->dismiss();
        return;
    }
    // The click that closed the popup from outside was on the icon itself.
    if (m_popover->justClosedByOutsideClick())
        return;
    openPopover();
}

void AppDelegate::openPopover()
{
    if (!m_popover)
        return;
    if (m_popover->mode() == PopoverWindow::Mode::Window || m_popover->isVisible()) {
        m_popover->show();
        m_popover->raise();
        m_popover->activateWindow();
        return;
    }
    m_popover->showUnder(m_statusItem ? m_statusItem->geometry() : QRect());
}

void AppDelegate::showSplashWindow()
{
    auto *splash = new SplashView(
        [this] {
            if (m_splashWindow)
                m_splashWindow->close();
            m_splashWindow = nullptr;
        },
        trayAvailable());
    splash->setAttribute(Qt::WA_DeleteOnClose);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), splash->size());
        frame.moveCenter(screen->availableGeometry().center());
        splash->move(frame.topLeft());
    }
    splash->show();
    splash->raise();
    splash->activateWindow();
    m_splashWindow = splash;
}
