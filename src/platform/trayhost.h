#pragma once

#include <QDBusConnection>

// Whether a StatusNotifierItem host (the tray of KDE Plasma, of GNOME with
// AppIndicator, of Wayland desktops) is registered on `bus`. Qt looks for one
// only once, when the application starts: a host that comes later needs a
// new start of the application to be used.
bool statusNotifierHostRegistered(const QDBusConnection &bus = QDBusConnection::sessionBus());
