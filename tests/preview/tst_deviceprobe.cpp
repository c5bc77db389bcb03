#include "camerasessionmanager.h"
#include "deviceprobe.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

// A FIFO without a writer is a camera that hangs in its open: opening it for
// reading blocks until somebody opens it for writing.
class TestDeviceProbe : public QObject {
    Q_OBJECT

    struct Answer {
        std::optional<bool> answered;
        QElapsedTimer since;
    };

    static void probe(const QString &path, QObject *context, Answer &answer, int limitMs)
    {
        answer.answered.reset();
        answer.since.start();
        DeviceProbe::probe(path, context, [&answer](bool answered) {
            QVERIFY(!answer.answered); // once only
            answer.answered = answered;
        }, limitMs);
    }

private slots:
    void devicePathsAreTold()
    {
        QVERIFY(DeviceProbe::isDevicePath("/dev/video0"));
        QVERIFY(!DeviceProbe::isDevicePath("0"));
        QVERIFY(!DeviceProbe::isDevicePath(""));
    }

    void withoutVideoNodesNoCaptureFrameworkIsLoaded()
    {
        QTemporaryDir sys;
        const QString videoClass = sys.filePath("class/video4linux");
        QVERIFY(DeviceProbe::camerasMayExist(videoClass)); // no sysfs: cannot tell
        QVERIFY(QDir().mkpath(sys.filePath("class")));
        QVERIFY(!DeviceProbe::camerasMayExist(videoClass)); // no video driver loaded
        QVERIFY(QDir().mkpath(videoClass));
        QVERIFY(!DeviceProbe::camerasMayExist(videoClass));
        QVERIFY(QDir().mkpath(videoClass + "/video0"));
        QVERIFY(DeviceProbe::camerasMayExist(videoClass));

        if (DeviceProbe::camerasMayExist())
            QSKIP("this machine has video device nodes");
        CameraSessionManager manager;
        manager.start();
        QTest::qWait(50);
        QVERIFY(!manager.isRunning());
        QFile maps("/proc/self/maps");
        QVERIFY(maps.open(QIODevice::ReadOnly));
        QVERIFY(!maps.readAll().contains("libgstreamer"));
    }

    void openingFilesAndMissingOnesAnswer()
    {
        QObject context;
        Answer answer;
        probe("/dev/null", &context, answer, 5000);
        QTRY_VERIFY(answer.answered);
        QCOMPARE(*answer.answered, true);
        // The capture framework will say why it cannot open a missing one.
        probe("/dev/lumarel-no-such-camera", &context, answer, 5000);
        QTRY_VERIFY(answer.answered);
        QCOMPARE(*answer.answered, true);
    }

    void aHungCameraIsGivenUpWithoutBlocking()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath("video0");
        QCOMPARE(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);

        QObject context;
        Answer answer;
        probe(fifo, &context, answer, 200);
        QVERIFY(!answer.answered); // never answered on the caller's stack
        QTRY_VERIFY(answer.answered);
        QCOMPARE(*answer.answered, false);
        QVERIFY(answer.since.elapsed() < 2000);

        // Still hanging: not opened a second time, given up at once.
        Answer second;
        probe(fifo, &context, second, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(second.answered, 1000);
        QCOMPARE(*second.answered, false);

        // The camera comes back: the stuck open returns, and the next probe
        // answers.
        const int writer = ::open(fifo.toLocal8Bit().constData(), O_WRONLY | O_CLOEXEC);
        QVERIFY(writer >= 0);
        Answer third;
        QDeadlineTimer deadline(5000);
        do {
            probe(fifo, &context, third, 5000);
            QTRY_VERIFY(third.answered);
        } while (!*third.answered && !deadline.hasExpired());
        QCOMPARE(*third.answered, true);
        ::close(writer);
    }

    void aGoneContextHearsNothing()
    {
        Answer answer;
        {
            QObject context;
            probe("/dev/null", &context, answer, 50);
        }
        QTest::qWait(200);
        QVERIFY(!answer.answered);
    }
};

QTEST_GUILESS_MAIN(TestDeviceProbe)
#include "tst_deviceprobe.moc"
