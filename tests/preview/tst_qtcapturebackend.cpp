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
        manager.stop(); // nothing to let go
        QVERIFY(!session->camera());
    }

    // The texts GStreamer's v4l2src and FFmpeg give for a device another
    // program streams from, and for other failures.
    void failedStartsAreToldApart()
    {
        QCOMPARE(QtCaptureBackend::problemOf("Device '/dev/video0' is busy"), PreviewProblem::CameraBusy);
        QCOMPARE(QtCaptureBackend::problemOf("Could not open device: Device or resource busy"),
                 PreviewProblem::CameraBusy);
        QCOMPARE(QtCaptureBackend::problemOf("Failed to allocate required memory."),
                 PreviewProblem::CameraUnavailable);
        QCOMPARE(QtCaptureBackend::problemOf("Cannot identify device '/dev/video0'."),
                 PreviewProblem::CameraUnavailable);
    }

    void mediumFormat_data()
    {
        using Offer = QtCaptureBackend::FormatOffer;
        const auto Raw = QVideoFrameFormat::Format_YUYV;
        const auto Jpeg = QVideoFrameFormat::Format_Jpeg;
        QTest::addColumn<QList<Offer>>("offers");
        QTest::addColumn<qsizetype>("expected");

        QTest::newRow("none") << QList<Offer>{} << qsizetype(-1);
        QTest::newRow("only empty sizes") << QList<Offer>{{{0, 0}, Raw, 30}, {{-1, -1}, Raw, 30}} << qsizetype(-1);
        QTest::newRow("640x480 among larger and smaller")
            << QList<Offer>{{{1920, 1080}, Raw, 30}, {{320, 240}, Raw, 30}, {{640, 480}, Raw, 30}, {{1280, 720}, Raw, 30}}
            << qsizetype(2);
        QTest::newRow("nearest in pixels")
            << QList<Offer>{{{1920, 1080}, Raw, 30}, {{800, 600}, Raw, 30}, {{160, 120}, Raw, 30}} << qsizetype(1);
        QTest::newRow("smaller on a tie") << QList<Offer>{{{640, 640}, Raw, 30}, {{640, 320}, Raw, 30}} << qsizetype(1);
        QTest::newRow("raw before JPEG") << QList<Offer>{{{640, 480}, Jpeg, 30}, {{640, 480}, Raw, 30}} << qsizetype(1);
        QTest::newRow("smooth JPEG before jerky raw")
            << QList<Offer>{{{640, 480}, Raw, 5}, {{640, 480}, Jpeg, 30}} << qsizetype(1);
        QTest::newRow("fastest, then first")
            << QList<Offer>{{{640, 480}, Raw, 15}, {{640, 480}, Raw, 30}, {{640, 480}, Raw, 30}} << qsizetype(1);
        QTest::newRow("size before speed") << QList<Offer>{{{1280, 720}, Raw, 60}, {{640, 480}, Raw, 5}} << qsizetype(1);
    }

    void mediumFormat()
    {
        QFETCH(QList<QtCaptureBackend::FormatOffer>, offers);
        QFETCH(qsizetype, expected);
        QCOMPARE(QtCaptureBackend::chooseMediumFormat(offers), expected);
    }
};

QTEST_MAIN(TestQtCaptureBackend)
#include "tst_qtcapturebackend.moc"
