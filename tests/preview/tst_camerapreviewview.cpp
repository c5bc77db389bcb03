#include "camerapreviewview.h"

#include <QGraphicsVideoItem>
#include <QGraphicsView>
#include <QMediaCaptureSession>
#include <QTest>
#include <QVideoFrame>
#include <QVideoFrameFormat>
#include <QVideoSink>

namespace {

const QColor Top(255, 0, 0), Bottom(0, 0, 255), Left(255, 255, 0), Right(0, 255, 255), Middle(0, 255, 0);

// A 640 x 480 picture: a band of 60 rows at the top and at the bottom, and
// of 80 columns at the left and the right between them; the rest in the middle.
QVideoFrame bandedFrame()
{
    QVideoFrame frame(QVideoFrameFormat(QSize(640, 480), QVideoFrameFormat::Format_RGBX8888));
    if (!frame.map(QVideoFrame::WriteOnly))
        return {};
    for (int y = 0; y < 480; ++y) {
        uchar *line = frame.bits(0) + y * frame.bytesPerLine(0);
        for (int x = 0; x < 640; ++x) {
            const QColor &c = y < 60 ? Top : y >= 420 ? Bottom : x < 80 ? Left : x >= 560 ? Right : Middle;
            line[4 * x + 0] = uchar(c.red());
            line[4 * x + 1] = uchar(c.green());
            line[4 * x + 2] = uchar(c.blue());
            line[4 * x + 3] = 255;
        }
    }
    frame.unmap();
    return frame;
}

bool near(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) < 40 && qAbs(a.green() - b.green()) < 40 && qAbs(a.blue() - b.blue()) < 40;
}

} // namespace

class TestCameraPreviewView : public QObject {
    Q_OBJECT

private slots:
    // Each case's points tell crop from letterbox (black bars) and from
    // stretch (bands of the wrong thickness).
    void fillsTheFrameAndCropsTheExcess_data()
    {
        QTest::addColumn<QSize>("viewSize");
        QTest::addColumn<QList<QPoint>>("points");
        QTest::addColumn<QList<QColor>>("colours");

        // 288 x 180 is wider than 4:3: scaled by 0.45 to 288 x 216, 18 rows cut
        // off at the top and the bottom.
        QTest::newRow("wider than the picture")
            << QSize(288, 180)
            << QList<QPoint>{{2, 90}, {285, 90}, {144, 3}, {144, 15}, {144, 176}, {144, 90}}
            << QList<QColor>{Left, Right, Top, Middle, Bottom, Middle};
        // 120 x 200 is taller: scaled to about 267 x 200, 73 columns cut off
        // at each side, so the side bands vanish.
        QTest::newRow("taller than the picture")
            << QSize(120, 200)
            << QList<QPoint>{{2, 100}, {117, 100}, {60, 3}, {60, 40}, {60, 196}}
            << QList<QColor>{Middle, Middle, Top, Middle, Bottom};
    }

    void fillsTheFrameAndCropsTheExcess()
    {
        QFETCH(QSize, viewSize);
        QFETCH(QList<QPoint>, points);
        QFETCH(QList<QColor>, colours);

        QMediaCaptureSession session;
        CameraPreviewView view(&session);
        // Built at zero size, laid out later: the picture follows.
        view.resize(0, 0);
        view.show();
        QVERIFY(session.videoSink());
        session.videoSink()->setVideoFrame(bandedFrame());
        QTest::qWait(20);
        view.resize(viewSize);
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        const QImage image = view.grab().toImage();
        QCOMPARE(image.size(), viewSize);
        for (qsizetype i = 0; i < points.size(); ++i) {
            const QColor seen = image.pixelColor(points[i]);
            QVERIFY2(near(seen, colours[i]),
                qPrintable(QStringLiteral("at (%1, %2): %3, expected %4")
                        .arg(points[i].x()).arg(points[i].y())
                        .arg(seen.name(), colours[i].name())));
        }
    }

    void roundedCornersShowWhatLiesBehind()
    {
        QWidget panel;
        QPalette palette = panel.palette();
        palette.setColor(QPalette::Window, QColor(255, 0, 255));
        panel.setPalette(palette);
        panel.setAutoFillBackground(true);
        panel.resize(300, 200);

        QMediaCaptureSession session;
        auto *view = new CameraPreviewView(&session, &panel);
        view->setGeometry(6, 10, 288, 180);
        view->setCornerRadius(8);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        session.videoSink()->setVideoFrame(bandedFrame());
        QTest::qWait(20);

        const QImage image = panel.grab().toImage();
        const QColor behind(255, 0, 255);
        for (QPoint corner : {QPoint(6, 10), QPoint(6 + 287, 10), QPoint(6, 10 + 179), QPoint(6 + 287, 10 + 179)})
            QVERIFY2(near(image.pixelColor(corner), behind), qPrintable(image.pixelColor(corner).name()));
        QVERIFY(near(image.pixelColor(6 + 2, 10 + 90), Left));
        QVERIFY(near(image.pixelColor(6 + 144, 10 + 2), Top));
    }

    void builtOnceAndNeverDrivesTheSession()
    {
        QMediaCaptureSession session;
        CameraPreviewView view(&session);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QObject *output = session.videoOutput();
        QVERIFY(output);

        for (int i = 0; i < 200; ++i) {
            view.resize(100 + i, 60 + i / 2);
            view.update();
            view.setCornerRadius(i % 2 ? 8 : 0);
            if (i % 50 == 0)
                QCoreApplication::processEvents();
        }
        QCOMPARE(session.videoOutput(), output);
        QCOMPARE(view.findChildren<QGraphicsView *>().size(), 1);
        QVERIFY(!session.camera());
    }

    void sessionOutlivesTheViewAndTheOtherWayRound()
    {
        QMediaCaptureSession session;
        {
            CameraPreviewView view(&session);
            QVERIFY(session.videoOutput());
        }
        QVERIFY(!session.videoOutput());
        QVERIFY(!session.videoSink());

        auto *lasting = new QMediaCaptureSession;
        CameraPreviewView view(lasting);
        view.resize(50, 50);
        delete lasting;
        view.resize(60, 60);
        QVERIFY(!view.grab().isNull());
    }
};

QTEST_MAIN(TestCameraPreviewView)
#include "tst_camerapreviewview.moc"
