#pragma once

// The camera back end for Linux: USB webcams through the kernel's UVC driver.

#include "v4l2device.h"

namespace uvcc::v4l2 {

class V4l2Backend final : public CameraBackend {
public:
    V4l2Backend(V4l2Device &device, V4l2Paths paths);

    Result<std::vector<CameraInfo>> cameras() override;
    Result<CameraInfo> camera(const std::optional<std::string> &designator) override;
    Result<std::vector<ControlInfo>> controls(const CameraInfo &camera) override;
    std::optional<Failure> setControl(const CameraInfo &camera, const std::string &name, int64_t value) override;
    std::unique_ptr<ChangeWatch> watchChanges() override;
    void closeCameras() override { m_nodes.forgetAll(); }

private:
    NodeCache m_nodes;
    V4l2Paths m_paths;
};

} // namespace uvcc::v4l2
