#pragma once

// Which USB cameras the machine has, from sysfs and VIDIOC_QUERYCAP.

#include "v4l2device.h"

#include <vector>

namespace uvcc::v4l2 {

// One entry per USB camera, ordered by its lowest video node index. A camera is
// addressed through its lowest-index capture node (CameraInfo::handle); nodes
// of devices without a USB vendor id (loopback, virtual test drivers, platform
// cameras) and nodes that cannot capture (UVC metadata) are left out.
std::vector<CameraInfo> findCameras(NodeCache &nodes, const V4l2Paths &paths);

} // namespace uvcc::v4l2
