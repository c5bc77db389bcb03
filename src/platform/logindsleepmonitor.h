#pragma once

#include "sleepmonitor.h"

#include <QDBusConnection>

// logind's PrepareForSleep(false) on the system bus, sent once the system has
// resumed. Only the owner of logind's name is listened to.
class LogindSleepMonitor final : public SleepMonitor {
    Q_OBJECT

public:
    // Listens on `bus`; a bus that is not connected (no system bus) tells nothing.
    explicit LogindSleepMonitor(QDBusConnection bus, QObject *parent = nullptr);
    ~LogindSleepMonitor() override;

    // Whether the bus took the subscription.
    bool isListening() const { return m_listening; }

private slots:
    void prepareForSleep(bool goingToSleep);

private:
    QDBusConnection m_bus;
    bool m_listening = false;
};
