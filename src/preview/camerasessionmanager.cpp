#include "camerasessionmanager.h"

#include "capturebackend.h"
#include "deviceprobe.h"
#include "qtcapturebackend.h"

#include <QPointer>
#include <QTimer>

CameraSessionManager::CameraSessionManager(QObject *parent)
    : CameraSessionManager(nullptr, parent)
{
}

CameraSessionManager::CameraSessionManager(std::unique_ptr<CaptureBackend> backend, QObject *parent)
    : QObject(parent)
    , m_backend(std::move(backend))
{
}

CameraSessionManager::~CameraSessionManager() = default;

CaptureBackend &CameraSessionManager::backend() const
{
    // Qt Multimedia starts its capture framework and a device monitor when
    // it is first used: that waits until the first start, off the
    // application's start-up.
    if (!m_backend)
        m_backend = std::make_unique<QtCaptureBackend>();
    return *m_backend;
}

QMediaCaptureSession *CameraSessionManager::session() const
{
    return backend().session();
}

void CameraSessionManager::start()
{
    // Qt Multimedia with GStreamer costs some 18 MB once loaded: not worth it
    // for a system without any camera. One plugged in later is seen at the
    // next showing.
    if (!m_backend && !DeviceProbe::camerasMayExist())
        return;
    if (backend().isRunning())
        return;

    switch (backend().configure()) {
    case CaptureBackend::Configuration::NoCamera:
    case CaptureBackend::Configuration::CannotOpen:
        // Nothing to show; the next showing of the panel tries again.
        return;
    case CaptureBackend::Configuration::InputAttached:
    case CaptureBackend::Configuration::InputRefused:
        break;
    }

    // Starting may take the device a while: it happens after this call has
    // returned, and only if the manager still exists by then. The result is
    // handed back through the event loop, again only to a living manager,
    // and dropped if the panel was hidden meanwhile.
    const quint64 stops = m_stops;
    QTimer::singleShot(0, this, [this, stops] {
        if (stops != m_stops)
            return;
        m_backend->startRunning([self = QPointer<CameraSessionManager>(this), stops] {
            if (!self)
                return;
            QTimer::singleShot(0, self.data(), [manager = self.data(), stops] {
                if (stops != manager->m_stops) {
                    // It opened the device after the stop: let it go again.
                    manager->m_backend->stopRunning();
                    return;
                }
                manager->setProblem(manager->m_backend->problem());
                manager->setRunning(true);
            });
        });
    });
}

void CameraSessionManager::stop()
{
    ++m_stops;
    if (m_backend)
        m_backend->stopRunning();
    setProblem(PreviewProblem::None);
}

void CameraSessionManager::setRunning(bool running)
{
    m_isRunning = running;
    emit isRunningChanged();
}

void CameraSessionManager::setProblem(PreviewProblem problem)
{
    if (problem == m_problem)
        return;
    m_problem = problem;
    emit problemChanged();
}
