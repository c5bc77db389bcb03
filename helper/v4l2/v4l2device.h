#pragma once

// The V4L2 back end's only way to the kernel: every open, ioctl and close of a
// video node goes through V4l2Device, and every sysfs or /dev path starts at a
// root from V4l2Paths, so that tests can put a fake camera behind both.

#include "camerabackend.h"

#include <map>
#include <string>

namespace uvcc::v4l2 {

class V4l2Device {
public:
    virtual ~V4l2Device() = default;
    // Same contract as the libc calls: -1 and errno on failure.
    virtual int open(const std::string &path, int flags) = 0;
    virtual int ioctl(int fd, unsigned long request, void *arg) = 0;
    virtual int close(int fd) = 0;
};

// The kernel, through libc.
V4l2Device &systemDevice();

struct V4l2Paths {
    std::string sysfsRoot = "/sys";
    std::string devRoot = "/dev";

    // For tests only: UVCC_HELPER_SYSFS_ROOT and UVCC_HELPER_DEV_ROOT move the
    // two roots to a fake tree.
    static V4l2Paths fromEnvironment();
};

// One open video node, closed when it goes out of scope.
class OpenNode {
public:
    // Opens read-write and non-blocking, so that controls work while another
    // program streams from the camera. Failures name the problem for the user.
    static Result<OpenNode> open(V4l2Device &device, const std::string &path);

    OpenNode(OpenNode &&other) noexcept;
    OpenNode &operator=(OpenNode &&) = delete;
    ~OpenNode();

    // The ioctl, repeated while interrupted by a signal; -1 and errno on failure.
    int ioctl(unsigned long request, void *arg) const;
    const std::string &path() const { return m_path; }

private:
    OpenNode(V4l2Device &device, std::string path, int fd);

    V4l2Device *m_device;
    std::string m_path;
    int m_fd;
};

} // namespace uvcc::v4l2

namespace uvcc::v4l2 {

// The nodes of one helper run, each opened at most once: opening a UVC node
// can wake the camera from USB autosuspend, so discovery and the command that
// follows share the descriptor.
class NodeCache {
public:
    explicit NodeCache(V4l2Device &device) : m_device(device) {}
    // The open node, or why it cannot be opened (failures are not kept).
    Result<const OpenNode *> open(const std::string &path);
    // Closes the node, so that the next open() opens it anew.
    void forget(const std::string &path);
    // Closes every node.
    void forgetAll() { m_nodes.clear(); }

private:
    V4l2Device &m_device;
    std::map<std::string, OpenNode> m_nodes;
};

} // namespace uvcc::v4l2
