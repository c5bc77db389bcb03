#include "processrunner.h"

#include <QByteArrayList>
#include <QDeadlineTimer>
#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using Status = ProcessOutcome::Status;

// How often a wait wakes up to look at the cancel flag.
constexpr int kCancelPollMs = 20;
// How often the runner looks for the exit when it cannot be told of it.
constexpr int kExitPollMs = 1;
// A killed helper normally vanishes at once; one stuck in a USB control
// transfer dies only when the driver gives up on it, seconds later.
constexpr int kKillGraceMs = 1000;

// The helper's pid, the read end of its standard output, and a descriptor
// that turns readable at its exit (-1 without one).
struct Child {
    pid_t pid = -1;
    int output = -1;
    int exited = -1;
};

// posix_spawnp() finds a bare name on PATH as QProcess did, and reports a
// failed exec (missing, a directory, not executable) as an error.
std::optional<Child> spawnChild(const QString &program, const QStringList &arguments)
{
    QByteArrayList encoded{QFile::encodeName(program)};
    for (const QString &argument : arguments)
        encoded << QFile::encodeName(argument);
    std::vector<char *> argv;
    for (QByteArray &argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // A helper writing to a reader that went away should die, not spin.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t mask;
    sigemptyset(&mask);
    posix_spawnattr_setsigmask(&attributes, &mask);
    sigaddset(&mask, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &mask);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int error = ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (error != 0) {
        ::close(fds[0]);
        return std::nullopt;
    }
    return Child{pid, fds[0], int(::syscall(SYS_pidfd_open, pid, 0))};
}

// True once `pid` has exited and is reaped; `exitCode` (may be null) then
// holds its exit code if it exited normally and the status was ours to read.
bool reaped(pid_t pid, std::optional<int> *exitCode = nullptr)
{
    int status = 0;
    pid_t result;
    do
        result = ::waitpid(pid, &status, WNOHANG);
    while (result < 0 && errno == EINTR);
    if (exitCode && result == pid && WIFEXITED(status))
        *exitCode = WEXITSTATUS(status);
    // ECHILD: reaped already, e.g. with SIGCHLD ignored by the application.
    return result == pid || (result < 0 && errno == ECHILD);
}

// Kills the helper and waits a moment for it; one that is still there is
// left to a thread of its own, so no caller waits for a stuck transfer and no
// zombie outlives it.
void stop(pid_t pid)
{
    ::kill(pid, SIGKILL);
    const QDeadlineTimer grace(kKillGraceMs);
    while (!reaped(pid)) {
        if (grace.hasExpired()) {
            try {
                std::thread([pid] {
                    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
                    }
                }).detach();
            } catch (const std::system_error &) {
                // No thread to spare: the zombie stays until the application ends.
            }
            return;
        }
        ::poll(nullptr, 0, kExitPollMs);
    }
}

int waitSlice(const QDeadlineTimer &deadline, const std::atomic_bool *cancel)
{
    const qint64 remaining = std::max<qint64>(deadline.remainingTime(), 1);
    return int(cancel ? std::min<qint64>(remaining, kCancelPollMs) : remaining);
}

// Waits up to `ms` for output and appends what there is; false at end of file.
bool readSome(int fd, int ms, QByteArray &output)
{
    pollfd ready{fd, POLLIN, 0};
    if (::poll(&ready, 1, ms) <= 0)
        return true;
    char buffer[65536];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0)
        output.append(buffer, n);
    return n > 0 || (n < 0 && (errno == EINTR || errno == EAGAIN));
}

// Waits up to `ms` for the exit; true once the helper is reaped. A descriptor
// that wakes without a child to reap (a helper someone else traces) is
// dropped for plain polling.
bool awaitExit(Child &child, int ms, std::optional<int> &exitCode)
{
    pollfd exited{child.exited, POLLIN, 0};
    if (::poll(&exited, 1, child.exited < 0 ? std::min(ms, kExitPollMs) : ms) <= 0)
        return false;
    if (reaped(child.pid, &exitCode))
        return true;
    if (child.exited >= 0) {
        ::close(child.exited);
        child.exited = -1;
    }
    return false;
}

// Reads the helper's output while it runs, so that a large answer cannot fill
// the pipe and leave both sides waiting for each other; Finished once it has
// closed its output and exited.
Status collect(Child &child, const QDeadlineTimer &deadline, const std::atomic_bool *cancel,
               QByteArray &output, std::optional<int> &exitCode)
{
    bool open = true;
    for (;;) {
        if (cancel && cancel->load())
            return Status::Cancelled;
        if (!open && reaped(child.pid, &exitCode))
            return Status::Finished;
        if (deadline.hasExpired())
            return Status::TimedOut;
        if (!open) {
            if (awaitExit(child, waitSlice(deadline, cancel), exitCode))
                return Status::Finished;
            continue;
        }
        open = readSome(child.output, waitSlice(deadline, cancel), output);
        if (output.size() > kMaxProcessOutputBytes)
            return Status::TooMuchOutput;
    }
}

QString decodeUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    return decoder.hasError() ? QString() : text;
}

} // namespace

ProcessOutcome runProcessCancellable(const QString &program, const QStringList &arguments,
                                     int timeoutMs, const std::atomic_bool *cancel)
{
    const QDeadlineTimer deadline(timeoutMs);
    std::optional<Child> child = spawnChild(program, arguments);
    if (!child)
        return {Status::FailedToStart, {}, {}};
    QByteArray output;
    std::optional<int> exitCode;
    const Status status = collect(*child, deadline, cancel, output, exitCode);
    ::close(child->output);
    if (child->exited >= 0)
        ::close(child->exited);
    if (status != Status::Finished) {
        stop(child->pid);
        return {status, {}, {}};
    }
    return {Status::Finished, decodeUtf8(output), exitCode};
}
