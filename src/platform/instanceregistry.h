#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

// The copies of Lumarel this user is running. Each copy registers itself;
// the newest asks the older ones to quit. One implementation per platform
// (local sockets on Linux) and a null one that knows of no other copy.
class InstanceRegistry : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~InstanceRegistry() override = default;

    // Makes this copy reachable by newer ones; false when the registry cannot
    // be used here, and then this copy neither asks nor is asked anything.
    virtual bool registerThisCopy() = 0;
    // Asks every older copy, oldest first, to quit, without waiting for any to
    // end, and clears out entries of copies that no longer run. Returns the
    // names of the entries asked.
    virtual QStringList askOlderCopiesToQuit() = 0;

signals:
    // A newer copy of the same user asked this one to quit (at most once).
    void quitRequested(qint64 requesterPid);
};

// This platform's registry of running copies; one that knows of no other copy
// where the platform has none. Never null.
std::unique_ptr<InstanceRegistry> makeInstanceRegistry();
