#include "appdelegate.h"
#include "appinfo.h"
#include "commandline.h"
#include "loginitem.h"
#include "menubarview.h"
#include "sleepmonitor.h"
#if defined(Q_OS_LINUX)
#include "trayhost.h"
#endif
#include "translations.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

int main(int argc, char *argv[])
{
    if (const std::optional<int> status = CommandLine::answerBeforeStart(argc, argv))
        return *status;
    QApplication app(argc, argv);
    AppInfo::apply();
    installTranslations(app);
    QGuiApplication::setDesktopFileName(QStringLiteral("app.lumarel.Lumarel"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/lumarel/lumarel.svg")));
    // A tray utility: closing the welcome window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    AppDelegate::Options options;
    options.makePanel = [] {
        MenuBarView::Options panelOptions;
        panelOptions.loginItem = makeLoginItem(AppInfo::launchPath());
        panelOptions.followCameras = true;
        panelOptions.sleepMonitor = makeSleepMonitor();
        panelOptions.createModelsLater = true;
        return new MenuBarView(std::move(panelOptions));
    };
    options.addTrayMenuEntries = [](QWidget *panel, QMenu *menu) {
        static_cast<MenuBarView *>(panel)->addPresetActions(menu);
    };
    options.watchTrayMenuEntries = [](QWidget *panel, std::function<void()> changed) {
        // Queued: a preset chosen in the menu changes the entries while its
        // action is still being triggered.
        QObject::connect(static_cast<MenuBarView *>(panel), &MenuBarView::trayMenuEntriesChanged, panel,
                         std::move(changed), Qt::QueuedConnection);
    };
#if defined(Q_OS_LINUX)
    options.lateTrayHost = [] { return statusNotifierHostRegistered(); };
#endif
    AppDelegate delegate(std::move(options));
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    return app.exec();
}
