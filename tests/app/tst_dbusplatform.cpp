// The platform's D-Bus pieces on a private bus daemon: logind's news of a
// resume (a connection that owns logind's name plays logind), and a
// StatusNotifierItem host that comes after the application.

#include "logindsleepmonitor.h"
#include "trayhost.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QThread>
#include <QStandardPaths>
#include <QtTest>

#include <atomic>

namespace {

QDBusMessage prepareForSleep(bool goingToSleep)
{
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                     QStringLiteral("org.freedesktop.login1.Manager"),
                                                     QStringLiteral("PrepareForSleep"));
    signal << goingToSleep;
    return signal;
}

// The tray's watcher, with or without a host registered.
class FakeWatcher : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)

public:
    explicit FakeWatcher(QObject *parent) : QDBusAbstractAdaptor(parent) {}
    bool hostRegistered() const { return host; }
    std::atomic_bool host = false;
};

} // namespace

class TestDBusPlatform : public QObject {
    Q_OBJECT

private:
    QProcess m_daemon;
    QString m_address;

private slots:
    void initTestCase()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        QVERIFY2(!daemon.isEmpty(), "dbus-daemon is missing (scripts/setup.sh installs it)");
        m_daemon.start(daemon, {"--session", "--nofork", "--nopidfile", "--print-address=1"});
        QVERIFY(m_daemon.waitForReadyRead(10000));
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        QVERIFY(!m_address.isEmpty());
    }

    void cleanupTestCase()
    {
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }

    void resumesOnlyOnWakingAndOnlyFromLogind()
    {
        QDBusConnection logind = QDBusConnection::connectToBus(m_address, QStringLiteral("logind"));
        QVERIFY(logind.registerService(QStringLiteral("org.freedesktop.login1")));
        QDBusConnection stranger = QDBusConnection::connectToBus(m_address, QStringLiteral("stranger"));
        LogindSleepMonitor monitor(QDBusConnection::connectToBus(m_address, QStringLiteral("listener")));
        QVERIFY(monitor.isListening());
        QSignalSpy resumed(&monitor, &SleepMonitor::resumed);

        QVERIFY(stranger.send(prepareForSleep(false)));
        QVERIFY(logind.send(prepareForSleep(true)));
        QTest::qWait(300);
        QCOMPARE(resumed.count(), 0);

        QVERIFY(logind.send(prepareForSleep(false)));
        QTRY_COMPARE_WITH_TIMEOUT(resumed.count(), 1, 5000);
    }

    void aLateTrayHostIsSeen()
    {
        QDBusConnection bus = QDBusConnection::connectToBus(m_address, QStringLiteral("application"));
        QVERIFY(!statusNotifierHostRegistered(bus)); // no watcher yet

        // The watcher answers from a thread of its own, as from another
        // process: the question blocks this one.
        QDBusConnection panel = QDBusConnection::connectToBus(m_address, QStringLiteral("panel"));
        QThread thread;
        auto *root = new QObject;
        auto *watcher = new FakeWatcher(root);
        root->moveToThread(&thread);
        connect(&thread, &QThread::finished, root, &QObject::deleteLater);
        thread.start();
        const auto stop = qScopeGuard([&] {
            thread.quit();
            thread.wait();
        });
        QVERIFY(panel.registerObject(QStringLiteral("/StatusNotifierWatcher"), root));
        QVERIFY(panel.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
        QVERIFY(!statusNotifierHostRegistered(bus)); // a watcher, no host
        watcher->host = true;
        QVERIFY(statusNotifierHostRegistered(bus));
        QVERIFY(!statusNotifierHostRegistered(QDBusConnection(QStringLiteral("never connected"))));
    }

    void withoutABusItTellsNothing()
    {
        LogindSleepMonitor monitor(QDBusConnection(QStringLiteral("never connected")));
        QVERIFY(!monitor.isListening());
    }
};

QTEST_GUILESS_MAIN(TestDBusPlatform)
#include "tst_dbusplatform.moc"
