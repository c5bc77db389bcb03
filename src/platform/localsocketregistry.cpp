#include "localsocketregistry.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <optional>

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
constexpr const char *kPeerPidProperty = "lumarelPeerPid";

struct EntryKey {
    qint64 startMs = 0;
    qint64 pid = 0;
    auto operator<=>(const EntryKey &) const = default;
};

std::optional<EntryKey> parseEntryName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,18})-(\\d{1,10})$"));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch())
        return std::nullopt;
    return EntryKey{match.captured(1).toLongLong(), match.captured(2).toLongLong()};
}

// The executable's file name of a process, or empty when it cannot be read
// (gone, or not ours to inspect).
QString executableName(qint64 pid)
{
    QString target = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
    // A copy whose executable was replaced by an upgrade still counts.
    target.remove(QRegularExpression(QStringLiteral(" \\(deleted\\)$")));
    return QFileInfo(target).fileName();
}

bool isSocketFile(const QString &path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISSOCK(info.st_mode);
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

LocalSocketRegistry::~LocalSocketRegistry() = default;

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
    if (m_server)
        return m_server->isListening();
    if (!preparePrivateDirectory(m_directory))
        return false;
    const QString path = QDir(m_directory).filePath(m_entryName);
    if (QFile::encodeName(path).size() >= qsizetype(sizeof(sockaddr_un::sun_path)))
        return false;
    m_server = new QLocalServer(this);
    connect(m_server, &QLocalServer::newConnection, this, &LocalSocketRegistry::acceptConnections);
    return m_server->listen(path);
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
        QLocalSocket socket;
        socket.connectToServer(path);
        if (!socket.waitForConnected(kConnectTimeoutMs)) {
            // Nobody listens: the copy that made it is gone without cleaning up.
            if (socket.error() == QLocalSocket::ConnectionRefusedError)
                QFile::remove(path);
            continue;
        }
        if (!ownKey || !(key < *ownKey)) {
            socket.abort();
            continue;
        }
        socket.write(request);
        socket.waitForBytesWritten(kConnectTimeoutMs);
        socket.disconnectFromServer();
        asked.append(name);
    }
    return asked;
}

void LocalSocketRegistry::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        // Credentials are taken while the peer is surely still connected.
        struct ucred peer {};
        socklen_t length = sizeof peer;
        if (::getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0
            || peer.uid != ::geteuid()) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setProperty(kPeerPidProperty, qint64(peer.pid));
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        QTimer::singleShot(kRequestTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
    }
}

void LocalSocketRegistry::readRequest(QLocalSocket *socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxRequestBytes) {
            socket->abort();
            socket->deleteLater();
        }
        return;
    }
    const QByteArray line = socket->readLine(kMaxRequestBytes + 1).trimmed();
    const std::optional<qint64> requester = honourableRequester(socket, line);
    socket->abort();
    socket->deleteLater();
    if (requester && !m_quitRequested) {
        m_quitRequested = true;
        emit quitRequested(*requester);
    }
}

std::optional<qint64> LocalSocketRegistry::honourableRequester(QLocalSocket *socket,
                                                               const QByteArray &line) const
{
    if (!line.startsWith(kRequestVerb.toByteArray()))
        return std::nullopt;
    const QString requesterName = QString::fromLatin1(line.mid(kRequestVerb.size()));
    const std::optional<EntryKey> requester = parseEntryName(requesterName);
    const std::optional<EntryKey> own = parseEntryName(m_entryName);
    if (!requester || !own || !(*own < *requester))
        return std::nullopt;
    const qint64 peerPid = socket->property(kPeerPidProperty).toLongLong();
    if (peerPid != requester->pid)
        return std::nullopt;
    if (!isSocketFile(QDir(m_directory).filePath(requesterName)))
        return std::nullopt;
    const QString ownExecutable = executableName(::getpid());
    if (ownExecutable.isEmpty() || executableName(peerPid) != ownExecutable)
        return std::nullopt;
    return peerPid;
}
