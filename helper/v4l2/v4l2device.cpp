#include "v4l2device.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace uvcc::v4l2 {
namespace {

class SystemDevice final : public V4l2Device {
public:
    int open(const std::string &path, int flags) override { return ::open(path.c_str(), flags); }
    int ioctl(int fd, unsigned long request, void *arg) override { return ::ioctl(fd, request, arg); }
    int close(int fd) override { return ::close(fd); }
};

std::string environmentOr(const char *name, const char *fallback)
{
    const char *value = std::getenv(name);
    return value && *value ? value : fallback;
}

Failure describeOpenFailure(const std::string &path, int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return {ExitCode::Permission,
                "cannot open " + path + ": permission denied; add your user to the 'video' group "
                "(then log in again) or use a local desktop session, which has the seat's camera access"};
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return {ExitCode::NoCamera, "cannot open " + path + ": the camera is gone"};
    default:
        return {ExitCode::Failure, "cannot open " + path + ": " + std::strerror(error)};
    }
}

Failure openFailure(const std::string &path, int error)
{
    Failure failure = describeOpenFailure(path, error);
    failure.systemError = error;
    return failure;
}

} // namespace

V4l2Device &systemDevice()
{
    static SystemDevice device;
    return device;
}

V4l2Paths V4l2Paths::fromEnvironment()
{
    return {environmentOr("UVCC_HELPER_SYSFS_ROOT", "/sys"), environmentOr("UVCC_HELPER_DEV_ROOT", "/dev")};
}

Result<OpenNode> OpenNode::open(V4l2Device &device, const std::string &path)
{
    int fd;
    do {
        fd = device.open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return openFailure(path, errno);
    return OpenNode(device, path, fd);
}

OpenNode::OpenNode(V4l2Device &device, std::string path, int fd)
    : m_device(&device), m_path(std::move(path)), m_fd(fd)
{
}

OpenNode::OpenNode(OpenNode &&other) noexcept
    : m_device(other.m_device), m_path(std::move(other.m_path)), m_fd(other.m_fd)
{
    other.m_fd = -1;
}

OpenNode::~OpenNode()
{
    if (m_fd >= 0)
        m_device->close(m_fd);
}

int OpenNode::ioctl(unsigned long request, void *arg) const
{
    int result;
    do {
        result = m_device->ioctl(m_fd, request, arg);
    } while (result < 0 && errno == EINTR);
    return result;
}

Result<const OpenNode *> NodeCache::open(const std::string &path)
{
    auto found = m_nodes.find(path);
    if (found == m_nodes.end()) {
        Result<OpenNode> node = OpenNode::open(m_device, path);
        if (!node)
            return node.failure();
        found = m_nodes.emplace(path, std::move(node.value())).first;
    }
    return &found->second;
}

void NodeCache::forget(const std::string &path) { m_nodes.erase(path); }

} // namespace uvcc::v4l2
