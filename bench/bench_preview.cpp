// The live preview's costs on the GUI thread, each against a baseline timed
// in the same run: start() on a system without any video device against the
// one look-up it must make (whether the kernel's video class has an entry),
// and drawing a new 640 x 480 camera frame (YUYV, as webcams send raw)
// in the panel's 288 x 180 rounded preview against the least Qt can do with
// it: convert it to an image once and draw that image, cropped, once.
#include "benchtable.h"
#include "camerapreviewview.h"
#include "camerasessionmanager.h"
#include "deviceprobe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMediaCaptureSession>
#include <QPainter>
#include <QVideoFrame>
#include <QVideoFrameFormat>
#include <QVideoSink>

#include <algorithm>
#include <unistd.h>
#include <string>
#include <vector>

namespace {

// A figure, its baseline and their ratio, the ratio held to `maxRatio`.
void report(const std::string &measure, const std::string &baseline, double ms, double baselineMs,
            double maxRatio)
{
    const double ratio = ms / std::max(baselineMs, 1e-6);
    const std::string goal = "<= " + Bench::figure(maxRatio, 0, "x baseline");
    Bench::row(measure, Bench::us(ms), goal, ratio <= maxRatio);
    Bench::row("  " + baseline, Bench::us(baselineMs), "baseline", true);
    Bench::row("  ratio", Bench::ratio(ratio), "<= " + Bench::ratio(maxRatio), ratio <= maxRatio);
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
    Bench::header("live preview (no camera)");

    CameraSessionManager manager;
    if (DeviceProbe::camerasMayExist()) {
        Bench::row("start() without a video device", "n/a", "this machine has one", true);
    } else {
        // Every start() looks for a device again and returns.
        const double lookup = Bench::medianMs(200, [] { (void)::access("/sys/class/video4linux", F_OK); });
        const double start = Bench::medianMs(200, [&] { manager.start(); });
        report("start() without a video device (median)", "one look-up of the video class", start, lookup, 5);
    }

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
    const double directMs = Bench::medianMs(int(frames.size()), paintDirectly);
    const double viewMs = Bench::medianMs(int(frames.size()), paintView);
    report("preview paint of a new frame (median)", "convert and draw it directly", viewMs, directMs, 2);
    return Bench::exitCode();
}
