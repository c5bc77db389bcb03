#include "uvcdevice.h"

#include <algorithm>

size_t qHash(const UVCDevice &device, size_t seed) noexcept
{
    return qHashMulti(seed, device.vid, device.pid, device.name, device.manufacturer);
}

bool isListed(const QList<UVCDevice> &devices, const UVCDevice &device)
{
    return std::any_of(devices.cbegin(), devices.cend(), [&](const UVCDevice &d) { return d.id() == device.id(); });
}
