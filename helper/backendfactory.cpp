#include "camerabackend.h"

namespace uvcc {

std::unique_ptr<CameraBackend> makeCameraBackend() { return makePlatformBackend(); }

} // namespace uvcc
