#include "qtcapturebackend.h"

#include "deviceprobe.h"

#include <QCameraDevice>
#include <QCameraFormat>
#include <QMediaDevices>
#include <QTimer>

#include <cstdlib>
#include <tuple>
#include <memory>
#include <utility>

namespace {

constexpr qint64 MediumPixels = 640 * 480;
constexpr float SmoothFrameRate = 15;

// A camera that neither starts nor fails would leave the preview hidden for
// good; after this long the start counts as returned, as a blocking start
// that gave up would.
constexpr int StartTimeLimitMs = 5000;

bool stillPresent(const QCameraDevice &device)
{
    return QMediaDevices::videoInputs().contains(device);
}

} // namespace

QtCaptureBackend::QtCaptureBackend(QObject *parent)
    : QObject(parent)
    , m_session(std::make_unique<QMediaCaptureSession>())
    , m_devices(new QMediaDevices(this))
{
    connect(m_devices, &QMediaDevices::videoInputsChanged, this, &QtCaptureBackend::noteUnplugged);
}

QtCaptureBackend::~QtCaptureBackend() = default;

QMediaCaptureSession *QtCaptureBackend::session() const
{
    return m_session.get();
}

bool QtCaptureBackend::cameraUsable() const
{
    return m_camera && !m_cameraUnplugged && m_camera->error() == QCamera::NoError
        && stillPresent(m_camera->cameraDevice());
}

void QtCaptureBackend::noteUnplugged()
{
    if (m_camera && !stillPresent(m_camera->cameraDevice()))
        m_cameraUnplugged = true;
}

bool QtCaptureBackend::isRunning() const
{
    return cameraUsable() && m_session->camera() == m_camera.get() && m_camera->isActive();
}

CaptureBackend::Configuration QtCaptureBackend::configure()
{
    const QCameraDevice device = QMediaDevices::defaultVideoInput();
    if (device.isNull())
        return Configuration::NoCamera;

    // A Qt session holds one camera. While ours still works on the default
    // device (a start is pending), a second one would only fight it for the
    // device: keep it and let the caller start it again.
    if (cameraUsable() && m_camera->cameraDevice() == device)
        return Configuration::InputRefused;

    auto camera = std::make_unique<QCamera>(device);
    if (camera->error() != QCamera::NoError)
        return Configuration::CannotOpen;

    // Raw pictures spare a JPEG decoder and a slow conversion for each frame.
    const QList<QCameraFormat> formats = device.videoFormats();
    QList<FormatOffer> offers;
    for (const QCameraFormat &format : formats)
        offers.append({format.resolution(), format.pixelFormat(), format.maxFrameRate()});
    if (const qsizetype index = chooseMediumFormat(offers); index >= 0)
        camera->setCameraFormat(formats.at(index));

    // The old camera (unplugged, failed, or no longer the default) detaches
    // itself from the session as it goes. The new one is attached only when
    // starting: on GStreamer attaching already opens the device.
    m_camera = std::move(camera);
    m_cameraUnplugged = false;
    return Configuration::InputAttached;
}

void QtCaptureBackend::startRunning(std::function<void()> done)
{
    if (!m_camera) {
        m_problem = PreviewProblem::CameraUnavailable;
        done();
        return;
    }
    // GStreamer opens the device on this thread as the camera starts: it
    // starts only once the device has opened elsewhere without hanging. The
    // context dies with the camera, so a stopped camera never starts late.
    const QString path = QString::fromUtf8(m_camera->cameraDevice().id());
    if (!DeviceProbe::isDevicePath(path)) {
        startCamera(std::move(done));
        return;
    }
    auto *context = new QObject(m_camera.get());
    DeviceProbe::probe(path, context, [this, context, done = std::move(done)](bool answered) {
        context->deleteLater();
        if (answered) {
            startCamera(done);
            return;
        }
        m_problem = PreviewProblem::CameraUnavailable;
        done();
    });
}

void QtCaptureBackend::startCamera(std::function<void()> done)
{
    QCamera *camera = m_camera.get();
    if (m_session->camera() != camera)
        m_session->setCamera(camera);
    camera->start();
    if (camera->isActive() || camera->error() != QCamera::NoError) {
        m_problem = camera->isActive() ? PreviewProblem::None : problemOf(camera->errorString());
        done();
        return;
    }

    // Some back ends report the outcome later. The watcher dies with the
    // camera, so a replaced or stopped camera never reports for its successor.
    auto *watcher = new QObject(camera);
    auto finished = std::make_shared<bool>(false);
    auto finish = [this, camera, watcher, finished, done = std::move(done)] {
        if (std::exchange(*finished, true))
            return;
        watcher->deleteLater();
        m_problem = camera->isActive() ? PreviewProblem::None
            : camera->error() != QCamera::NoError ? problemOf(camera->errorString())
                                                  : PreviewProblem::CameraUnavailable;
        done();
    };
    connect(camera, &QCamera::activeChanged, watcher, [finish](bool active) {
        if (active)
            finish();
    });
    connect(camera, &QCamera::errorOccurred, watcher, finish);
    QTimer::singleShot(StartTimeLimitMs, watcher, finish);
}

void QtCaptureBackend::stopRunning()
{
    m_problem = PreviewProblem::None;
    if (!m_camera)
        return;
    // Stopping alone keeps the device open on some back ends (GStreamer holds
    // it in its pipeline); only a camera that is gone has surely let it go.
    m_camera->stop();
    m_session->setCamera(nullptr);
    m_camera.reset();
    m_cameraUnplugged = false;
}

PreviewProblem QtCaptureBackend::problemOf(const QString &errorString)
{
    const bool busy = errorString.contains(QLatin1String("busy"), Qt::CaseInsensitive)
        || errorString.contains(QLatin1String("in use"), Qt::CaseInsensitive)
        || errorString.contains(QLatin1String("EBUSY"));
    return busy ? PreviewProblem::CameraBusy : PreviewProblem::CameraUnavailable;
}

qsizetype QtCaptureBackend::chooseMediumFormat(const QList<FormatOffer> &offers)
{
    // Smaller is better, compared in this order.
    const auto rank = [](const FormatOffer &offer) {
        const qint64 pixels = qint64(offer.resolution.width()) * offer.resolution.height();
        return std::tuple(std::llabs(pixels - MediumPixels), pixels, offer.maxFrameRate < SmoothFrameRate,
            offer.pixelFormat == QVideoFrameFormat::Format_Jpeg, -offer.maxFrameRate);
    };
    qsizetype best = -1;
    for (qsizetype i = 0; i < offers.size(); ++i) {
        if (offers[i].resolution.isEmpty())
            continue;
        if (best < 0 || rank(offers[i]) < rank(offers[best]))
            best = i;
    }
    return best;
}
