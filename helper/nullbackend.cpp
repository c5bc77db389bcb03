// The platform back end where uvcc-helper has no way to a camera: it finds
// none, so `devices` answers [] and every camera command stops with "no
// camera" (exit status 3), which Lumarel shows as a machine without a webcam.
// The simulated cameras work as anywhere else.

#include "camerabackend.h"

namespace uvcc {
namespace {

class NullBackend final : public CameraBackend {
public:
    Result<std::vector<CameraInfo>> cameras() override { return std::vector<CameraInfo>{}; }
    // Only reached with a camera from elsewhere; there is none here.
    Result<std::vector<ControlInfo>> controls(const CameraInfo &camera) override { return noCamera(camera); }
    std::optional<Failure> setControl(const CameraInfo &camera, const std::string &, int64_t) override
    {
        return noCamera(camera);
    }

private:
    static Failure noCamera(const CameraInfo &camera)
    {
        return {ExitCode::NoCamera, "no camera '" + camera.designator() + "': no camera access on this system"};
    }
};

} // namespace

std::unique_ptr<CameraBackend> makePlatformBackend() { return std::make_unique<NullBackend>(); }

} // namespace uvcc
