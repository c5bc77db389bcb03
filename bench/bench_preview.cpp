// The live preview's costs on the GUI thread, each against a baseline timed
// in the same run: start() without a camera against the one look-up it must
// make, and drawing a new 640 x 480 camera frame (YUYV, as webcams send raw)
// in the panel's 288 x 180 rounded preview against the least Qt can do with
// it: convert it to an image once and draw that image, cropped, once.
#include "camerapreviewview.h"
#include "camerasessionmanager.h"

#include <QApplication>
#include <QCameraDevice>
#include <QElapsedTimer>
#include <QImage>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QPainter>
#include <QVideoFrame>
#include <QVideoFrameFormat>
#include <QVideoSink>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double medianUs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e3);
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[runs / 2];
}

bool report(const char *name, double us, double baselineUs, double maxRatio)
{
    const double ratio = us / std::max(baselineUs, 0.001);
    const bool ok = ratio <= maxRatio;
    std::printf("%-30s %9.1f us  baseline %9.1f us  ratio %6.2f (goal <= %.0f)  %s\n", name, us, baselineUs,
        ratio, maxRatio, ok ? "ok" : "MISSED");
    return ok;
}

QVideoFrame grey640x480()
{
    QVideoFrame frame(QVideoFrameFormat(QSize(640, 480), QVideoFrameFormat::Format_YUYV));
    frame.map(QVideoFrame::WriteOnly);
    std::fill_n(frame.bits(0), frame.mappedBytes(0), uchar(128));
    frame.unmap();
    return frame;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    bool ok = true;

    QElapsedTimer once;
    once.start();
    CameraSessionManager manager;
    std::printf("%-30s %9.1f us  (Qt Multimedia starts up)\n", "manager construction", once.nsecsElapsed() / 1e3);

    // Without a camera every start() looks for one again and returns.
    const double lookup = medianUs(200, [] { (void)QMediaDevices::defaultVideoInput(); });
    const double start = medianUs(200, [&] { manager.start(); });
    ok &= report("start() without a camera", start, lookup, 5);

    QMediaCaptureSession session;
    CameraPreviewView view(&session);
    view.setCornerRadius(8);
    view.resize(288, 180);
    QPixmap target(288, 180);
    // Each frame is new to Qt, so each one is converted as a camera's would be.
    std::vector<QVideoFrame> frames(25);
    for (QVideoFrame &frame : frames)
        frame = grey640x480();
    size_t next = 0;
    const auto paintView = [&] {
        session.videoSink()->setVideoFrame(frames[next++ % frames.size()]);
        QCoreApplication::sendPostedEvents();
        view.render(&target);
    };

    std::vector<QVideoFrame> others(frames.size());
    for (QVideoFrame &frame : others)
        frame = grey640x480();
    size_t nextOther = 0;
    const auto paintDirectly = [&] {
        const QImage image = others[nextOther++ % others.size()].toImage();
        QPainter painter(&target);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(0, -18, 288, 216), image);
    };
    const double directUs = medianUs(int(frames.size()), paintDirectly);
    const double viewUs = medianUs(int(frames.size()), paintView);
    ok &= report("preview paint of a new frame", viewUs, directUs, 2);
    return ok ? 0 : 1;
}
