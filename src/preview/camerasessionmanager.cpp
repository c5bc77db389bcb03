#include "camerasessionmanager.h"

#include "capturebackend.h"
#include "qtcapturebackend.h"

#include <QPointer>
#include <QTimer>

CameraSessionManager::CameraSessionManager(QObject *parent)
    : CameraSessionManager(nullptr, parent)
{
}

CameraSessionManager::CameraSessionManager(std::unique_ptr<CaptureBackend> backend, QObject *parent)
    : QObject(parent)
    , m_backend(backend ? std::move(backend) : std::make_unique<QtCaptureBackend>())
{
}

CameraSessionManager::~CameraSessionManager() = default;

QMediaCaptureSession *CameraSessionManager::session() const
{
    return m_backend->session();
}

void CameraSessionManager::start()
{
    if (m_backend->isRunning())
        return;

    switch (m_backend->configure()) {
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
    // handed back through the event loop, again only to a living manager.
    QTimer::singleShot(0, this, [this] {
        m_backend->startRunning([self = QPointer<CameraSessionManager>(this)] {
            if (self)
                QTimer::singleShot(0, self.data(), [manager = self.data()] { manager->setRunning(true); });
        });
    });
}

void CameraSessionManager::setRunning(bool running)
{
    m_isRunning = running;
    emit isRunningChanged();
}
