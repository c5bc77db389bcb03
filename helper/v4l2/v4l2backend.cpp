#include "v4l2backend.h"

#include "v4l2controls.h"
#include "v4l2discovery.h"

namespace uvcc {

namespace v4l2 {

V4l2Backend::V4l2Backend(V4l2Device &device, V4l2Paths paths) : m_nodes(device), m_paths(std::move(paths)) {}

Result<std::vector<CameraInfo>> V4l2Backend::cameras() { return findCameras(m_nodes, m_paths); }

Result<CameraInfo> V4l2Backend::camera(const std::optional<std::string> &designator)
{
    return findCamera(m_nodes, m_paths, designator);
}

Result<std::vector<ControlInfo>> V4l2Backend::controls(const CameraInfo &camera)
{
    Result<const OpenNode *> node = m_nodes.open(camera.handle);
    if (!node)
        return node.failure();
    return readControls(*node.value());
}

std::optional<Failure> V4l2Backend::setControl(const CameraInfo &camera, const std::string &name, int64_t value)
{
    Result<const OpenNode *> node = m_nodes.open(camera.handle);
    if (!node)
        return node.failure();
    return writeControl(*node.value(), name, value);
}

std::unique_ptr<ChangeWatch> V4l2Backend::watchChanges()
{
    // The kernel (devtmpfs) creates and removes the videoN nodes and udev
    // then sets their owner and access lists, each an inotify event on the
    // device directory. sysfs sends no inotify events for what the kernel
    // adds, so it is read again only once a node changed.
    return watchDirectory(m_paths.devRoot, [](std::string_view name) {
        constexpr std::string_view prefix = "video";
        return name.size() > prefix.size() && name.starts_with(prefix)
               && name.find_first_not_of("0123456789", prefix.size()) == std::string_view::npos;
    });
}

} // namespace v4l2

std::unique_ptr<CameraBackend> makePlatformBackend()
{
    return std::make_unique<v4l2::V4l2Backend>(v4l2::systemDevice(), v4l2::V4l2Paths::fromEnvironment());
}

} // namespace uvcc
