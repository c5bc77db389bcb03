#include "camerasessionmanager.h"
#include "qtcapturebackend.h"

#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QSignalSpy>
#include <QTest>

// The Qt Multimedia back end on a machine without a camera, and its choice
// of a modest camera format.
class TestQtCaptureBackend : public QObject {
    Q_OBJECT

private slots:
    void withoutCameraStaysStoppedAndTriesAgain()
    {
        if (!QMediaDevices::videoInputs().isEmpty())
            QSKIP("this machine has a camera");

        CameraSessionManager manager;
        QSignalSpy changed(&manager, &CameraSessionManager::isRunningChanged);
        QMediaCaptureSession *session = manager.session();
        QVERIFY(session);

        for (int i = 0; i < 3; ++i) {
            manager.start();
            QTest::qWait(100);
            QVERIFY(!manager.isRunning());
        }
        QCOMPARE(changed.count(), 0);
        QCOMPARE(manager.session(), session);
        QVERIFY(!session->camera());
    }

    void mediumFormatIsClosestTo640x480_data()
    {
        QTest::addColumn<QList<QSize>>("resolutions");
        QTest::addColumn<qsizetype>("expected");
        QTest::newRow("none") << QList<QSize>{} << qsizetype(-1);
        QTest::newRow("exact among larger and smaller")
            << QList<QSize>{{1920, 1080}, {320, 240}, {640, 480}, {1280, 720}} << qsizetype(2);
        QTest::newRow("first of equal ones") << QList<QSize>{{640, 480}, {640, 480}} << qsizetype(0);
        QTest::newRow("nearest in pixels") << QList<QSize>{{1920, 1080}, {800, 600}, {160, 120}} << qsizetype(1);
        QTest::newRow("smaller one on a tie")
            << QList<QSize>{{640, 640}, {640, 320}} << qsizetype(1);
        QTest::newRow("empty sizes skipped") << QList<QSize>{{0, 0}, {-1, -1}, {1920, 1080}} << qsizetype(2);
    }

    void mediumFormatIsClosestTo640x480()
    {
        QFETCH(QList<QSize>, resolutions);
        QFETCH(qsizetype, expected);
        QCOMPARE(QtCaptureBackend::closestToMedium(resolutions), expected);
    }
};

QTEST_MAIN(TestQtCaptureBackend)
#include "tst_qtcapturebackend.moc"
