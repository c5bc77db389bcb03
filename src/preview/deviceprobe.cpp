#include "deviceprobe.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>

#include <dirent.h>
#include <fcntl.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>

namespace {

// Kept for the life of the process: a probe thread still stuck at exit may
// come back while static objects are being destroyed.
QMutex &stuckMutex()
{
    static auto *mutex = new QMutex;
    return *mutex;
}
QSet<QString> &stuckPaths()
{
    static auto *paths = new QSet<QString>;
    return *paths;
}

// The thread tells the GUI side through an eventfd, which stays open for as
// long as either side holds it: a thread that comes back late writes into it
// harmlessly, long after the GUI side went.
struct Signal {
    int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    ~Signal()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

namespace DeviceProbe {

bool isDevicePath(const QString &id)
{
    return id.startsWith(QLatin1String("/dev/"));
}

bool camerasMayExist(const QString &classDirectory)
{
#if defined(Q_OS_LINUX)
    // Asked at every showing of the panel: one directory read, and where
    // there is no video device at all, not even that.
    const QByteArray path = QFile::encodeName(classDirectory);
    DIR *directory = ::opendir(path.constData());
    if (!directory) {
        const QByteArray parent = QFile::encodeName(QFileInfo(classDirectory).path());
        return errno != ENOENT || ::access(parent.constData(), F_OK) != 0;
    }
    bool any = false;
    while (const dirent *entry = ::readdir(directory)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            any = true;
            break;
        }
    }
    ::closedir(directory);
    return any;
#else
    Q_UNUSED(classDirectory);
    return true;
#endif
}

void probe(const QString &path, QObject *context, std::function<void(bool answered)> done, int limitMs)
{
    auto signal = std::make_shared<Signal>();
    bool stuck = false;
    {
        QMutexLocker lock(&stuckMutex());
        stuck = stuckPaths().contains(path);
        if (!stuck && signal->fd >= 0)
            stuckPaths().insert(path);
    }
    if (stuck || signal->fd < 0) {
        QMetaObject::invokeMethod(context, [done, stuck] { done(!stuck); }, Qt::QueuedConnection);
        return;
    }

    // Lives on the GUI side until the first of the answer and the limit.
    auto *waiter = new QObject(context);
    auto *notifier = new QSocketNotifier(signal->fd, QSocketNotifier::Read, waiter);
    auto finished = std::make_shared<bool>(false);
    auto finish = [waiter, signal, finished, done](bool answered) {
        if (std::exchange(*finished, true))
            return;
        waiter->deleteLater();
        done(answered);
    };
    QObject::connect(notifier, &QSocketNotifier::activated, waiter, [finish] { finish(true); });
    QTimer::singleShot(limitMs, waiter, [finish] { finish(false); });

    // Read-only: enough to wake the camera, and never in the way of another
    // program that streams from it.
    std::thread([path, signal] {
        const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0)
            ::close(fd);
        {
            QMutexLocker lock(&stuckMutex());
            stuckPaths().remove(path);
        }
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(signal->fd, &one, sizeof one);
    }).detach();
}

} // namespace DeviceProbe
