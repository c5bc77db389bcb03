#include "camerabackend.h"
#include "simulatedbackend.h"

#include <cstdlib>

namespace uvcc {

std::unique_ptr<CameraBackend> makeCameraBackend()
{
    const char *statePath = std::getenv("UVCC_HELPER_SIMULATE");
    if (statePath && *statePath)
        return std::make_unique<SimulatedBackend>(statePath);
    return makePlatformBackend();
}

} // namespace uvcc
