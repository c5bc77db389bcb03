// LD_PRELOAD library for tests: serves the fake device nodes below
// $FAKE_V4L2_DEV_DIR from FakeUvcNode, so that unmodified programs (our
// uvcc-helper, v4l2-ctl) meet the fake camera through their ordinary open,
// ioctl and close calls. stat() makes the node files look like V4L2 character
// devices (major 81, minor N of videoN) and fopen() of /sys/dev/char/... goes
// to $FAKE_V4L2_SYSFS_DIR, which is how v4l2-ctl tells what a node is. Every
// other file goes to libc untouched.

#include "fakeuvcdriver.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace {

using OpenFn = int (*)(const char *, int, ...);
using OpenAtFn = int (*)(int, const char *, int, ...);
using IoctlFn = int (*)(int, unsigned long, ...);
using CloseFn = int (*)(int);

template <typename Fn>
Fn next(const char *name)
{
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

struct Nodes {
    std::mutex mutex;
    struct Open {
        std::string path;
        std::unique_ptr<fakeuvc::FakeUvcNode> node;
    };
    std::map<int, Open> byFd;
};

Nodes &nodes()
{
    static Nodes *instance = new Nodes; // never destroyed: close() may run during exit
    return *instance;
}

bool isFakePath(const char *path)
{
    const char *dir = std::getenv("FAKE_V4L2_DEV_DIR");
    if (!dir || !*dir || !path)
        return false;
    const size_t length = std::strlen(dir);
    return std::strncmp(path, dir, length) == 0 && path[length] == '/';
}

// Opens the node file itself so that the program holds a real descriptor
// (poll, fstat and close keep working), and remembers which node it is.
int openFake(const char *path, int flags)
{
    int error = 0;
    std::optional<fakeuvc::FakeUvcNode> node = fakeuvc::FakeUvcNode::open(path, &error);
    if (!node) {
        errno = error;
        return -1;
    }
    const int fd = next<OpenFn>("open")(path, O_RDONLY | (flags & O_CLOEXEC));
    if (fd < 0)
        return -1;
    std::lock_guard lock(nodes().mutex);
    nodes().byFd[fd] = {path, std::make_unique<fakeuvc::FakeUvcNode>(std::move(*node))};
    return fd;
}

// videoN -> the character device 81:N, as udev would have made it.
void disguiseAsDevice(const char *path, struct stat *info)
{
    const char *name = std::strrchr(path, '/');
    unsigned minor = 0;
    if (name && std::sscanf(name, "/video%u", &minor) == 1) {
        info->st_mode = S_IFCHR | 0660;
        info->st_rdev = makedev(81, minor);
    }
}

// With $FAKE_V4L2_COUNT_FILE set, each program appends what it asked of the
// fake nodes as one JSON line when it exits, for tests and the benchmark.
__attribute__((destructor)) void writeCallCounts()
{
    const char *file = std::getenv("FAKE_V4L2_COUNT_FILE");
    if (!file || !*file)
        return;
    const std::string line = fakeuvc::callCounts().toJson().dump() + "\n";
    const int fd = next<OpenFn>("open")(file, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
    next<CloseFn>("close")(fd);
}

mode_t modeArgument(int flags, va_list args)
{
    return (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
}

} // namespace

#define INTERPOSE __attribute__((visibility("default")))

extern "C" {

INTERPOSE int open(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    if (isFakePath(path))
        return openFake(path, flags);
    return next<OpenFn>("open")(path, flags, mode);
}

INTERPOSE int open64(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    if (isFakePath(path))
        return openFake(path, flags);
    return next<OpenFn>("open64")(path, flags, mode);
}

INTERPOSE int openat(int dirfd, const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    if (isFakePath(path))
        return openFake(path, flags);
    return next<OpenAtFn>("openat")(dirfd, path, flags, mode);
}

INTERPOSE int openat64(int dirfd, const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    if (isFakePath(path))
        return openFake(path, flags);
    return next<OpenAtFn>("openat64")(dirfd, path, flags, mode);
}

// What _FORTIFY_SOURCE builds call instead of open().
INTERPOSE int __open_2(const char *path, int flags) { return open(path, flags); }
INTERPOSE int __open64_2(const char *path, int flags) { return open64(path, flags); }

INTERPOSE int stat(const char *path, struct stat *info)
{
    const int result = next<int (*)(const char *, struct stat *)>("stat")(path, info);
    if (result == 0 && isFakePath(path))
        disguiseAsDevice(path, info);
    return result;
}

INTERPOSE int fstat(int fd, struct stat *info)
{
    const int result = next<int (*)(int, struct stat *)>("fstat")(fd, info);
    if (result == 0) {
        std::lock_guard lock(nodes().mutex);
        auto found = nodes().byFd.find(fd);
        if (found != nodes().byFd.end())
            disguiseAsDevice(found->second.path.c_str(), info);
    }
    return result;
}

INTERPOSE FILE *fopen(const char *path, const char *mode)
{
    static constexpr char kDevChar[] = "/sys/dev/char/";
    const char *sysfs = std::getenv("FAKE_V4L2_SYSFS_DIR");
    if (sysfs && *sysfs && std::strncmp(path, kDevChar, sizeof kDevChar - 1) == 0) {
        const std::string moved = std::string(sysfs) + (path + 4); // keeps "/dev/char/..."
        return next<FILE *(*)(const char *, const char *)>("fopen")(moved.c_str(), mode);
    }
    return next<FILE *(*)(const char *, const char *)>("fopen")(path, mode);
}

INTERPOSE FILE *fopen64(const char *path, const char *mode) { return fopen(path, mode); }

INTERPOSE int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void *arg = va_arg(args, void *);
    va_end(args);
    {
        std::lock_guard lock(nodes().mutex);
        auto found = nodes().byFd.find(fd);
        if (found != nodes().byFd.end()) {
            const int result = found->second.node->ioctl(request, arg);
            if (result < 0) {
                errno = -result;
                return -1;
            }
            return 0;
        }
    }
    return next<IoctlFn>("ioctl")(fd, request, arg);
}

INTERPOSE int close(int fd)
{
    {
        std::lock_guard lock(nodes().mutex);
        nodes().byFd.erase(fd);
    }
    return next<CloseFn>("close")(fd);
}

} // extern "C"
