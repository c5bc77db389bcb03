// logind's news of a resume, on a private bus daemon standing in for the
// system bus: a connection that owns logind's name plays logind.

#include "logindsleepmonitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

namespace {

QDBusMessage prepareForSleep(bool goingToSleep)
{
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                     QStringLiteral("org.freedesktop.login1.Manager"),
                                                     QStringLiteral("PrepareForSleep"));
    signal << goingToSleep;
    return signal;
}

} // namespace

class TestSleepMonitor : public QObject {
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

    void withoutABusItTellsNothing()
    {
        LogindSleepMonitor monitor(QDBusConnection(QStringLiteral("never connected")));
        QVERIFY(!monitor.isListening());
    }
};

QTEST_GUILESS_MAIN(TestSleepMonitor)
#include "tst_sleepmonitor.moc"
