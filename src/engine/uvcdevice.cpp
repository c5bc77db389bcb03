#include "uvcdevice.h"

size_t qHash(const UVCDevice &device, size_t seed) noexcept
{
    return qHashMulti(seed, device.vid, device.pid, device.name, device.manufacturer);
}
