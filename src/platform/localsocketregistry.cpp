#include "localsocketregistry.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr QByteArrayView kRequestVerb = "lumarel-quit ";
// A request longer than this is not one of ours.
constexpr qint64 kMaxRequestBytes = 128;
// A peer that connects and says nothing is dropped after this.
constexpr int kRequestTimeoutMs = 2000;
// Local sockets connect at once; a copy that cannot take the request in this
// time is hung, and the new copy goes on without it.
constexpr int kConnectTimeoutMs = 500;

struct EntryKey {
    qint64 startMs = 0;
    qint64 pid = 0;
    auto operator<=>(const EntryKey &) const = default;
};

// A run of 1 to `maxDigits` ASCII digits.
bool isDigits(QStringView text, qsizetype maxDigits)
{
    return !text.isEmpty() && text.size() <= maxDigits
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// "<start ms>-<pid>". Parsed by hand: Qt's regular expressions would load
// and touch a library of their own in every running copy, for this alone.
std::optional<EntryKey> parseEntryName(const QString &name)
{
    const qsizetype dash = name.indexOf(u'-');
    if (dash < 0)
        return std::nullopt;
    const QStringView start = QStringView(name).left(dash);
    const QStringView pid = QStringView(name).mid(dash + 1);
    if (!isDigits(start, 18) || !isDigits(pid, 10))
        return std::nullopt;
    return EntryKey{start.toLongLong(), pid.toLongLong()};
}

// The executable's file name of a process, or empty when it cannot be read
// (gone, or not ours to inspect).
QString executableName(qint64 pid)
{
    QString target = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
    // A copy whose executable was replaced by an upgrade still counts.
    const QLatin1String deleted(" (deleted)");
    if (target.endsWith(deleted))
        target.chop(deleted.size());
    return QFileInfo(target).fileName();
}

bool isSocketFile(const QString &path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISSOCK(info.st_mode);
}

// False when `path` does not fit a socket address.
bool socketAddress(const QString &path, sockaddr_un &address)
{
    const QByteArray native = QFile::encodeName(path);
    address = {};
    address.sun_family = AF_UNIX;
    if (native.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    return true;
}

bool waitFor(int fd, short events, int timeoutMs)
{
    pollfd entry{fd, events, 0};
    int ready;
    do
        ready = ::poll(&entry, 1, timeoutMs);
    while (ready < 0 && errno == EINTR);
    return ready > 0 && (entry.revents & events);
}

// Writes all of `bytes` within the time limit.
bool writeAll(int fd, QByteArrayView bytes, int timeoutMs)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::send(fd, bytes.data() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (written > 0)
            done += written;
        else if (written < 0 && errno == EINTR)
            continue;
        else if (written < 0 && errno == EAGAIN && waitFor(fd, POLLOUT, timeoutMs))
            continue;
        else
            return false;
    }
    return true;
}

enum class Reach { Connected, Refused, NoAnswer };

// Connects `fd` to the socket at `path`: a copy that listens is connected at
// once, or its queue is full because it hangs.
Reach connectTo(int fd, const QString &path)
{
    sockaddr_un address;
    if (!socketAddress(path, address))
        return Reach::NoAnswer;
    int result;
    do
        result = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    while (result != 0 && errno == EINTR);
    if (result == 0)
        return Reach::Connected;
    return errno == ECONNREFUSED ? Reach::Refused : Reach::NoAnswer;
}

} // namespace

std::unique_ptr<InstanceRegistry> makeInstanceRegistry()
{
    return std::make_unique<LocalSocketRegistry>(LocalSocketRegistry::defaultDirectory());
}

LocalSocketRegistry::LocalSocketRegistry(QString directory, QObject *parent)
    : InstanceRegistry(parent)
    , m_directory(std::move(directory))
{
    const qint64 startMs = QDateTime::currentMSecsSinceEpoch();
    m_entryName = QStringLiteral("%1-%2").arg(startMs, 14, 10, QLatin1Char('0')).arg(::getpid());
}

LocalSocketRegistry::~LocalSocketRegistry()
{
    if (m_listenFd < 0)
        return;
    delete m_acceptNotifier;
    ::close(m_listenFd);
    QFile::remove(m_socketPath);
}

QString LocalSocketRegistry::defaultDirectory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime)) {
        struct stat info {};
        if (::stat(QFile::encodeName(runtime).constData(), &info) == 0 && S_ISDIR(info.st_mode)
            && info.st_uid == ::geteuid())
            return QDir(runtime).filePath(QStringLiteral("lumarel"));
    }
    return QDir(QDir::tempPath()).filePath(QStringLiteral("lumarel-%1").arg(::geteuid()));
}

bool LocalSocketRegistry::preparePrivateDirectory(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    // lstat: a symbolic link planted in a shared directory must not lead us
    // into somebody else's directory.
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
        return false;
    if ((info.st_mode & 0777) != 0700 && ::chmod(native.constData(), 0700) != 0)
        return false;
    return true;
}

bool LocalSocketRegistry::registerThisCopy()
{
    if (m_listenFd >= 0)
        return true;
    if (!preparePrivateDirectory(m_directory))
        return false;
    const QString path = QDir(m_directory).filePath(m_entryName);
    sockaddr_un address;
    if (!socketAddress(path, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return false;
    }
    m_listenFd = fd;
    m_socketPath = path;
    m_acceptNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_acceptNotifier, &QSocketNotifier::activated, this, &LocalSocketRegistry::acceptConnections);
    return true;
}

QStringList LocalSocketRegistry::askOlderCopiesToQuit()
{
    const std::optional<EntryKey> ownKey = parseEntryName(m_entryName);
    QList<std::pair<EntryKey, QString>> entries;
    const QStringList names = QDir(m_directory).entryList(QDir::System | QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        const std::optional<EntryKey> key = parseEntryName(name);
        if (key && name != m_entryName)
            entries.append({*key, name});
    }
    std::sort(entries.begin(), entries.end());

    const QByteArray request = kRequestVerb.toByteArray() + m_entryName.toLatin1() + '\n';
    QStringList asked;
    for (const auto &[key, name] : entries) {
        const QString path = QDir(m_directory).filePath(name);
        if (!isSocketFile(path))
            continue;
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            continue;
        const Reach reach = connectTo(fd, path);
        // Nobody listens: the copy that made it is gone without cleaning up.
        if (reach == Reach::Refused)
            QFile::remove(path);
        const bool older = ownKey && key < *ownKey;
        if (reach == Reach::Connected && older && writeAll(fd, request, kConnectTimeoutMs))
            asked.append(name);
        ::close(fd);
    }
    return asked;
}

void LocalSocketRegistry::acceptConnections()
{
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;
        }
        // Credentials are taken while the peer is surely still connected.
        struct ucred peer {};
        socklen_t length = sizeof peer;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != ::geteuid()) {
            ::close(fd);
            continue;
        }
        // One peer: its socket, what it sent so far, and the time it gets.
        auto *connection = new QObject(this);
        auto *notifier = new QSocketNotifier(fd, QSocketNotifier::Read, connection);
        auto received = std::make_shared<QByteArray>();
        const qint64 peerPid = peer.pid;
        // The notifier goes before its socket is closed under it.
        connect(connection, &QObject::destroyed, [fd, notifier] {
            delete notifier;
            ::close(fd);
        });
        connect(notifier, &QSocketNotifier::activated, connection, [this, connection, notifier, fd, peerPid, received] {
            if (readRequest(fd, peerPid, *received)) {
                notifier->setEnabled(false);
                connection->deleteLater();
            }
        });
        QTimer::singleShot(kRequestTimeoutMs, connection, [connection] { connection->deleteLater(); });
    }
}

bool LocalSocketRegistry::readRequest(int fd, qint64 peerPid, QByteArray &received)
{
    char buffer[kMaxRequestBytes + 1];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno == EAGAIN)
            return false; // more may come
        if (count <= 0)
            return true; // gone without a whole line
        received.append(buffer, count);
        if (const qsizetype end = received.indexOf('\n'); end >= 0 && end <= kMaxRequestBytes) {
            const std::optional<qint64> requester = honourableRequester(peerPid, received.left(end).trimmed());
            if (requester && !m_quitRequested) {
                m_quitRequested = true;
                emit quitRequested(*requester);
            }
            return true;
        }
        if (received.size() > kMaxRequestBytes)
            return true;
    }
}

std::optional<qint64> LocalSocketRegistry::honourableRequester(qint64 peerPid, const QByteArray &line) const
{
    if (!line.startsWith(kRequestVerb.toByteArray()))
        return std::nullopt;
    const QString requesterName = QString::fromLatin1(line.mid(kRequestVerb.size()));
    const std::optional<EntryKey> requester = parseEntryName(requesterName);
    const std::optional<EntryKey> own = parseEntryName(m_entryName);
    if (!requester || !own || !(*own < *requester))
        return std::nullopt;
    if (peerPid != requester->pid)
        return std::nullopt;
    if (!isSocketFile(QDir(m_directory).filePath(requesterName)))
        return std::nullopt;
    const QString ownExecutable = executableName(::getpid());
    if (ownExecutable.isEmpty() || executableName(peerPid) != ownExecutable)
        return std::nullopt;
    return peerPid;
}
