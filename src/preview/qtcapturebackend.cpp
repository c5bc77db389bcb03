#include "qtcapturebackend.h"

#include <QCameraDevice>
#include <QCameraFormat>
#include <QMediaDevices>
#include <QTimer>

#include <cstdlib>
#include <limits>
#include <memory>
#include <utility>

namespace {

constexpr qint64 MediumPixels = 640 * 480;

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
{
}

QtCaptureBackend::~QtCaptureBackend() = default;

QMediaCaptureSession *QtCaptureBackend::session() const
{
    return m_session.get();
}

bool QtCaptureBackend::cameraUsable() const
{
    return m_camera && m_camera->error() == QCamera::NoError && stillPresent(m_camera->cameraDevice());
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

    const QList<QCameraFormat> formats = device.videoFormats();
    QList<QSize> resolutions;
    for (const QCameraFormat &format : formats)
        resolutions.append(format.resolution());
    if (const qsizetype index = closestToMedium(resolutions); index >= 0)
        camera->setCameraFormat(formats.at(index));

    // The old camera (unplugged, failed, or no longer the default) detaches
    // itself from the session as it goes. The new one is attached only when
    // starting: on GStreamer attaching already opens the device.
    m_camera = std::move(camera);
    return Configuration::InputAttached;
}

void QtCaptureBackend::startRunning(std::function<void()> done)
{
    if (!m_camera) {
        done();
        return;
    }
    QCamera *camera = m_camera.get();
    if (m_session->camera() != camera)
        m_session->setCamera(camera);
    camera->start();
    if (camera->isActive() || camera->error() != QCamera::NoError) {
        done();
        return;
    }

    // Some back ends report the outcome later. The watcher dies with the
    // camera, so a replaced camera never reports for its successor.
    auto *watcher = new QObject(camera);
    auto finished = std::make_shared<bool>(false);
    auto finish = [watcher, finished, done = std::move(done)] {
        if (std::exchange(*finished, true))
            return;
        watcher->deleteLater();
        done();
    };
    connect(camera, &QCamera::activeChanged, watcher, [finish](bool active) {
        if (active)
            finish();
    });
    connect(camera, &QCamera::errorOccurred, watcher, finish);
    QTimer::singleShot(StartTimeLimitMs, watcher, finish);
}

qsizetype QtCaptureBackend::closestToMedium(const QList<QSize> &resolutions)
{
    qsizetype best = -1;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    qint64 bestPixels = 0;
    for (qsizetype i = 0; i < resolutions.size(); ++i) {
        if (resolutions[i].isEmpty())
            continue;
        const qint64 pixels = qint64(resolutions[i].width()) * resolutions[i].height();
        const qint64 distance = std::llabs(pixels - MediumPixels);
        if (distance < bestDistance || (distance == bestDistance && pixels < bestPixels)) {
            best = i;
            bestDistance = distance;
            bestPixels = pixels;
        }
    }
    return best;
}
