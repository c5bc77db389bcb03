#include "camerabackend.h"

namespace uvcc {
namespace {

// Until the V4L2 back end exists the helper knows no real cameras.
class NoCameras final : public CameraBackend {
public:
    Result<std::vector<CameraInfo>> cameras() override { return std::vector<CameraInfo>{}; }
    Result<std::vector<ControlInfo>> controls(const CameraInfo &) override
    {
        return Failure{ExitCode::NoCamera, "no such camera"};
    }
    std::optional<Failure> setControl(const CameraInfo &, const std::string &, int64_t) override
    {
        return Failure{ExitCode::NoCamera, "no such camera"};
    }
};

} // namespace

std::unique_ptr<CameraBackend> makePlatformBackend() { return std::make_unique<NoCameras>(); }

} // namespace uvcc
