#pragma once

#include "instanceregistry.h"
#include "splashview.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class PopoverWindow;
class QMenu;
class QSystemTrayIcon;

// The application's start-up and its lifetime objects: the tray icon, the
// popover with the one panel, and the welcome window while it is open.
// Constructing it does nothing; applicationDidFinishLaunching() runs start-up.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    struct Options {
        // Builds the panel once, at start-up. Required.
        std::function<QWidget *()> makePanel;
        // The registry of running copies; never null.
        std::unique_ptr<InstanceRegistry> registry = makeInstanceRegistry();
        // Unset: ask trayProbe whether the desktop has a system tray when
        // start-up begins.
        std::optional<bool> trayAvailable;
        // Asked every trayCheckIntervalMs for the whole session, so that a tray
        // that starts after Lumarel (at login) or restarts is used. Unset:
        // Qt's answer (the XEmbed tray's selection owner, or a
        // StatusNotifierItem host on the session bus).
        std::function<bool()> trayProbe;
        int trayCheckIntervalMs = 2000;
        // Whether a tray host of a kind that Qt looks for only at start-up has
        // come since (a StatusNotifierItem host, the only tray on Wayland).
        // Unset: never.
        std::function<bool()> lateTrayHost;
        // Starts Lumarel anew, to join such a host; false when it could not.
        // The new copy makes this one quit. Unset: this program, with its
        // arguments, and this copy quits.
        std::function<bool()> relaunch;
        // Adds the panel's own entries (the presets) to the icon's menu each
        // time it is about to show, between "Open Lumarel" and "Quit Lumarel".
        std::function<void(QWidget *panel, QMenu *menu)> addTrayMenuEntries;
        // Calls `changed` whenever those entries change, so that the menu is
        // filled anew before it is next asked for.
        std::function<void(QWidget *panel, std::function<void()> changed)> watchTrayMenuEntries;
    };

    explicit AppDelegate(Options options, QObject *parent = nullptr);
    ~AppDelegate() override;

    // Start-up, in order: ask older copies to quit, create the popover with
    // the panel, create the tray icon, and on the first launch record it and
    // open the welcome window. Without a tray the panel opens in a window.
    void applicationDidFinishLaunching();
    // The tray icon's action: opens the popover under the icon, or closes it.
    void togglePopover();
    // Opens the popover (or the window) if it is closed, and brings it up.
    void openPopover();
    // Registers this copy and asks every older copy of this user to quit.
    void terminateOtherInstances();

    QSystemTrayIcon *statusItem() const { return m_statusItem; }
    // The icon's menu: "Open Lumarel", the panel's entries, "Quit Lumarel".
    QMenu *statusMenu() const { return m_statusMenu.get(); }
    PopoverWindow *popover() const { return m_popover.get(); }
    SplashView *splashWindow() const { return m_splashWindow; }
    bool trayAvailable() const;

private:
    void createPopover();
    void createStatusItem();
    void showSplashWindow();
    void fillStatusMenu();
    bool probeTray() const;
    static bool relaunchThisProgram();
    void checkTray();

    Options m_options;
    QSystemTrayIcon *m_statusItem = nullptr;
    std::unique_ptr<QMenu> m_statusMenu;
    QTimer m_trayCheck;
    bool m_startedWithoutTray = false;
    bool m_relaunched = false;
    std::unique_ptr<PopoverWindow> m_popover;
    QPointer<SplashView> m_splashWindow;
};
