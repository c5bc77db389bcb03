#pragma once

#include <QObject>
#include <memory>

// Tells when the system has woken from sleep: cameras lose their settings in
// suspend, so the panel applies the last used preset again. One
// implementation per platform (logind on Linux) and a null one that never
// tells.
class SleepMonitor : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~SleepMonitor() override = default;

signals:
    // The system has resumed from suspend or hibernation.
    void resumed();
};

// This platform's monitor; one that never tells where the platform cannot
// (no logind, no system bus). Never null.
std::unique_ptr<SleepMonitor> makeSleepMonitor();
