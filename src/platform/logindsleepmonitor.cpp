#include "logindsleepmonitor.h"

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSignal = QStringLiteral("PrepareForSleep");

} // namespace

std::unique_ptr<SleepMonitor> makeSleepMonitor()
{
    return std::make_unique<LogindSleepMonitor>(QDBusConnection::systemBus());
}

LogindSleepMonitor::LogindSleepMonitor(QDBusConnection bus, QObject *parent)
    : SleepMonitor(parent)
    , m_bus(std::move(bus))
{
    if (m_bus.isConnected())
        m_listening = m_bus.connect(kService, kPath, kInterface, kSignal, this, SLOT(prepareForSleep(bool)));
}

LogindSleepMonitor::~LogindSleepMonitor()
{
    if (m_listening)
        m_bus.disconnect(kService, kPath, kInterface, kSignal, this, SLOT(prepareForSleep(bool)));
}

void LogindSleepMonitor::prepareForSleep(bool goingToSleep)
{
    if (!goingToSleep)
        emit resumed();
}
