#include "localsocketregistry.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int kStartTimeoutMs = 20000;

// One running probe: a stand-in copy of the application.
struct Copy {
    std::unique_ptr<QProcess> process;
    QString entryName;
    QStringList asked;

    qint64 pid() const { return process->processId(); }
};

int modeOf(const QString &path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

// A socket file whose listener is gone, as a crashed copy leaves it.
bool makeStaleSocket(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

} // namespace

class TestInstanceRegistry : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void privateDirectory();
    void defaultDirectory();
    void newerCopyAsksOlderToQuit();
    void olderCopiesAreAskedOldestFirst();
    void otherUsersCopiesAreUntouched();
    void staleEntriesAreRemoved();
    void requestsFromStrangersAreIgnored();

private:
    Copy start(const QString &runtimeDir, const QStringList &arguments = {});
    static QStringList outputLines(QProcess &process);

    std::unique_ptr<QTemporaryDir> m_temp;
    QString m_runtime;
    std::vector<std::unique_ptr<QProcess>> m_leftovers;
};

void TestInstanceRegistry::init()
{
    m_temp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_temp->isValid());
    m_runtime = m_temp->filePath(QStringLiteral("run"));
    QVERIFY(QDir().mkpath(m_runtime));
}

void TestInstanceRegistry::cleanup()
{
    for (auto &process : m_leftovers) {
        if (process && process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished();
        }
    }
    m_leftovers.clear();
}

Copy TestInstanceRegistry::start(const QString &runtimeDir, const QStringList &arguments)
{
    Copy copy;
    copy.process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    copy.process->setProcessEnvironment(environment);
    copy.process->start(QStringLiteral(PROBE_PATH), arguments);
    QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired()) {
        if (!copy.process->canReadLine() && !copy.process->waitForReadyRead(int(deadline.remainingTime())))
            break;
        const QString line = QString::fromUtf8(copy.process->readLine()).trimmed();
        if (line.startsWith(QStringLiteral("asked ")))
            copy.asked.append(line.mid(6));
        if (line.startsWith(QStringLiteral("ready "))) {
            copy.entryName = line.mid(6);
            break;
        }
    }
    // Whatever registers after this copy must be newer, as it is in life: on
    // a loaded machine both could otherwise share a millisecond, and the tie
    // then goes by process id.
    const qint64 startedMs = copy.entryName.section(u'-', 0, 0).toLongLong();
    while (QDateTime::currentMSecsSinceEpoch() <= startedMs)
        QTest::qSleep(1);
    return copy;
}

QStringList TestInstanceRegistry::outputLines(QProcess &process)
{
    return QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

void TestInstanceRegistry::privateDirectory()
{
    // Created private when missing.
    const QString fresh = m_temp->filePath(QStringLiteral("fresh"));
    QVERIFY(LocalSocketRegistry::preparePrivateDirectory(fresh));
    QCOMPARE(modeOf(fresh), 0700);

    // An existing directory of ours is made private.
    const QString open = m_temp->filePath(QStringLiteral("open"));
    QVERIFY(QDir().mkpath(open));
    QVERIFY(::chmod(QFile::encodeName(open).constData(), 0755) == 0);
    QVERIFY(LocalSocketRegistry::preparePrivateDirectory(open));
    QCOMPARE(modeOf(open), 0700);

    // A link or a file in its place is refused, and the link's target untouched.
    const QString link = m_temp->filePath(QStringLiteral("link"));
    QVERIFY(QFile::link(open, link));
    QVERIFY(::chmod(QFile::encodeName(open).constData(), 0755) == 0);
    QVERIFY(!LocalSocketRegistry::preparePrivateDirectory(link));
    QCOMPARE(modeOf(open), 0755);
    const QString file = m_temp->filePath(QStringLiteral("file"));
    QFile(file).open(QIODevice::WriteOnly);
    QVERIFY(!LocalSocketRegistry::preparePrivateDirectory(file));

    // Then this copy stays out of the registry instead of using the place.
    LocalSocketRegistry registry(file + QStringLiteral("/lumarel"));
    QVERIFY(!registry.registerThisCopy());
    QVERIFY(registry.askOlderCopiesToQuit().isEmpty());

    // A directory of another user is never used (only root can make one here).
    const QString foreign = m_temp->filePath(QStringLiteral("foreign"));
    QVERIFY(QDir().mkpath(foreign));
    if (::chown(QFile::encodeName(foreign).constData(), 65534, 65534) != 0)
        QSKIP("changing a directory's owner needs root");
    QVERIFY(!LocalSocketRegistry::preparePrivateDirectory(foreign));
}

void TestInstanceRegistry::defaultDirectory()
{
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", m_runtime.toUtf8());
    QCOMPARE(LocalSocketRegistry::defaultDirectory(), m_runtime + QStringLiteral("/lumarel"));

    const QString fallback = QDir::tempPath() + QStringLiteral("/lumarel-%1").arg(::geteuid());
    qunsetenv("XDG_RUNTIME_DIR");
    QCOMPARE(LocalSocketRegistry::defaultDirectory(), fallback);
    qputenv("XDG_RUNTIME_DIR", "relative/dir");
    QCOMPARE(LocalSocketRegistry::defaultDirectory(), fallback);
    qputenv("XDG_RUNTIME_DIR", saved);
}

void TestInstanceRegistry::newerCopyAsksOlderToQuit()
{
    Copy older = start(m_runtime);
    QVERIFY2(!older.entryName.isEmpty(), "the older copy did not start");
    const QString olderSocket = m_runtime + QStringLiteral("/lumarel/") + older.entryName;
    QVERIFY(QFileInfo::exists(olderSocket));
    QCOMPARE(modeOf(m_runtime + QStringLiteral("/lumarel")), 0700);

    Copy newer = start(m_runtime);
    QVERIFY2(!newer.entryName.isEmpty(), "the newer copy did not start");
    QCOMPARE(newer.asked, QStringList{older.entryName});

    QVERIFY(older.process->waitForFinished(kStartTimeoutMs));
    QCOMPARE(older.process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(older.process->exitCode(), 0);
    QCOMPARE(outputLines(*older.process), QStringList{QStringLiteral("quit requested by %1").arg(newer.pid())});
    // An ordinary quit takes the entry away with it.
    QVERIFY(!QFileInfo::exists(olderSocket));

    QCOMPARE(newer.process->state(), QProcess::Running);
    m_leftovers.push_back(std::move(newer.process));
}

void TestInstanceRegistry::olderCopiesAreAskedOldestFirst()
{
    Copy first = start(m_runtime, {QStringLiteral("--no-ask")});
    Copy second = start(m_runtime, {QStringLiteral("--no-ask")});
    QVERIFY(!first.entryName.isEmpty() && !second.entryName.isEmpty());
    QCOMPARE(second.process->state(), QProcess::Running);

    Copy newest = start(m_runtime);
    QCOMPARE(newest.asked, (QStringList{first.entryName, second.entryName}));
    QVERIFY(first.process->waitForFinished(kStartTimeoutMs));
    QVERIFY(second.process->waitForFinished(kStartTimeoutMs));
    QCOMPARE(first.process->exitCode(), 0);
    QCOMPARE(second.process->exitCode(), 0);
    QCOMPARE(newest.process->state(), QProcess::Running);
    m_leftovers.push_back(std::move(newest.process));
}

void TestInstanceRegistry::otherUsersCopiesAreUntouched()
{
    // Another user's session has a runtime directory of its own.
    const QString otherRuntime = m_temp->filePath(QStringLiteral("other-user-run"));
    QVERIFY(QDir().mkpath(otherRuntime));
    Copy theirs = start(otherRuntime);
    QVERIFY(!theirs.entryName.isEmpty());

    Copy ours = start(m_runtime);
    QVERIFY(!ours.entryName.isEmpty());
    QVERIFY(ours.asked.isEmpty());
    QVERIFY(QFileInfo::exists(otherRuntime + QStringLiteral("/lumarel/") + theirs.entryName));
    QVERIFY(!theirs.process->waitForFinished(300));
    QVERIFY(outputLines(*theirs.process).isEmpty());
    m_leftovers.push_back(std::move(theirs.process));
    m_leftovers.push_back(std::move(ours.process));
}

void TestInstanceRegistry::staleEntriesAreRemoved()
{
    const QString directory = m_runtime + QStringLiteral("/lumarel");
    QVERIFY(LocalSocketRegistry::preparePrivateDirectory(directory));
    // Older and newer than the new copy: a crashed copy's socket goes either way.
    const QString olderStale = directory + QStringLiteral("/00000000000001-999999");
    const QString newerStale = directory + QStringLiteral("/99999999999999-999998");
    const QString unrelated = directory + QStringLiteral("/notes.txt");
    QVERIFY(makeStaleSocket(olderStale));
    QVERIFY(makeStaleSocket(newerStale));
    QFile(unrelated).open(QIODevice::WriteOnly);

    Copy copy = start(m_runtime);
    QVERIFY(!copy.entryName.isEmpty());
    QVERIFY(copy.asked.isEmpty());
    QVERIFY(!QFileInfo::exists(olderStale));
    QVERIFY(!QFileInfo::exists(newerStale));
    QVERIFY(QFileInfo::exists(unrelated));
    m_leftovers.push_back(std::move(copy.process));
}

void TestInstanceRegistry::requestsFromStrangersAreIgnored()
{
    Copy older = start(m_runtime);
    QVERIFY(!older.entryName.isEmpty());
    const QString directory = m_runtime + QStringLiteral("/lumarel");
    const QString olderSocket = directory + QStringLiteral("/") + older.entryName;

    const auto send = [&](const QByteArray &bytes) {
        QLocalSocket socket;
        socket.connectToServer(olderSocket);
        QVERIFY(socket.waitForConnected(5000));
        socket.write(bytes);
        QVERIFY(socket.waitForBytesWritten(5000));
        socket.disconnectFromServer();
    };
    const QByteArray ownPid = QByteArray::number(QCoreApplication::applicationPid());
    send("hello\n");
    send(QByteArray(4096, 'x'));
    send("lumarel-quit 99999999999999-" + ownPid); // no line end
    // A newer name whose pid is not the sender's.
    send("lumarel-quit 99999999999999-" + QByteArray::number(older.pid()) + '\n');
    // An older name than the receiver's.
    send("lumarel-quit 00000000000001-" + ownPid + '\n');

    // A registered, newer entry of the same user, but not a copy of the same
    // program (this test is not the probe).
    LocalSocketRegistry stranger(directory);
    QVERIFY(stranger.registerThisCopy());
    QCOMPARE(stranger.askOlderCopiesToQuit(), QStringList{older.entryName});

    QVERIFY(!older.process->waitForFinished(500));
    QVERIFY(outputLines(*older.process).isEmpty());

    // It still listens: a real newer copy gets it to quit, once.
    Copy newer = start(m_runtime);
    QVERIFY(newer.asked.contains(older.entryName));
    QVERIFY(older.process->waitForFinished(kStartTimeoutMs));
    QCOMPARE(outputLines(*older.process), QStringList{QStringLiteral("quit requested by %1").arg(newer.pid())});
    m_leftovers.push_back(std::move(newer.process));
}

QTEST_GUILESS_MAIN(TestInstanceRegistry)
#include "tst_instanceregistry.moc"
