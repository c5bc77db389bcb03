#include "statefile.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace uvcc {
namespace {

Failure ioFailure(const std::string &what, const std::string &path, int error)
{
    return Failure{ExitCode::Failure, what + " " + path + ": " + std::strerror(error)};
}

} // namespace

bool writeAll(int fd, const std::string &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

Result<FileLock> FileLock::acquire(const std::string &path)
{
    const std::string lockPath = path + ".lock";
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return ioFailure("cannot open lock file", lockPath, errno);
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            int error = errno;
            ::close(fd);
            return ioFailure("cannot lock", lockPath, error);
        }
    }
    return FileLock(fd);
}

FileLock::FileLock(FileLock &&other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }

FileLock::~FileLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing the last descriptor releases the flock
}

Result<FileContents> readFile(const std::string &path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return FileContents{};
        return ioFailure("cannot read", path, errno);
    }
    FileContents contents{true, {}};
    char buffer[16384];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            int error = errno;
            ::close(fd);
            return ioFailure("cannot read", path, error);
        }
        if (n == 0)
            break;
        contents.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return contents;
}

std::optional<Failure> writeFileAtomically(const std::string &path, const std::string &bytes)
{
    std::string temp = path + ".tmp-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return ioFailure("cannot write a temporary file beside", path, errno);
    // The state is private to its user, like the rest of their configuration.
    ::fchmod(fd, 0600);
    bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) == 0)
        return std::nullopt;
    if (ok)
        error = errno;
    ::unlink(temp.c_str());
    return ioFailure("cannot write", path, error);
}

std::optional<Failure> ensureParentDirectory(const std::string &path)
{
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (parent.empty())
        return std::nullopt;
    std::error_code error;
    std::filesystem::create_directories(parent, error);
    if (error)
        return ioFailure("cannot create directory", parent.string(), error.value());
    return std::nullopt;
}

Result<std::string> moveAside(const std::string &path)
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = path + ".broken-" + stamp;
    std::string target = base;
    struct stat info;
    for (int n = 1; ::lstat(target.c_str(), &info) == 0; ++n)
        target = base + "-" + std::to_string(n);
    if (::rename(path.c_str(), target.c_str()) != 0)
        return ioFailure("cannot move aside", path, errno);
    return target;
}

} // namespace uvcc
