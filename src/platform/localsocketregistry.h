#pragma once

#include "instanceregistry.h"

#include <QString>
#include <optional>

class QSocketNotifier;

// The Linux registry: each running copy listens on a local socket named
// "<start time in ms>-<pid>" in a directory only this user can enter
// ($XDG_RUNTIME_DIR/lumarel). The names give every copy the same order.
//
// A quit request is one line, "lumarel-quit <requester's entry name>". It is
// honoured only from a peer of the same user (SO_PEERCRED) whose pid matches
// the named entry, whose entry is newer than ours and registered here, and
// which runs an executable of the same name as ours.
class LocalSocketRegistry final : public InstanceRegistry {
    Q_OBJECT

public:
    explicit LocalSocketRegistry(QString directory, QObject *parent = nullptr);
    ~LocalSocketRegistry() override;

    // $XDG_RUNTIME_DIR/lumarel; without a usable runtime directory
    // <temp>/lumarel-<uid>.
    static QString defaultDirectory();
    // Creates `path` (mode 0700) or checks that the existing one is a real
    // directory of this user and makes it private; false otherwise.
    static bool preparePrivateDirectory(const QString &path);

    bool registerThisCopy() override;
    QStringList askOlderCopiesToQuit() override;

    QString directory() const { return m_directory; }
    QString entryName() const { return m_entryName; }

private:
    void acceptConnections();
    // Reads what the peer on `fd` sent; true once it is done with (a whole
    // line handled, too much, or the peer gone).
    bool readRequest(int fd, qint64 peerPid, QByteArray &received);
    // The requester's pid when `line` is a request this copy must honour.
    std::optional<qint64> honourableRequester(qint64 peerPid, const QByteArray &line) const;

    // Plain sockets rather than Qt's local sockets: Qt Network and the
    // libraries it brings would take more memory in every running copy than
    // all of this.
    QString m_directory;
    QString m_entryName;
    QString m_socketPath;
    int m_listenFd = -1;
    QSocketNotifier *m_acceptNotifier = nullptr;
    bool m_quitRequested = false;
};
