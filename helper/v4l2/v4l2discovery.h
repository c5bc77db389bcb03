#pragma once

// Which USB cameras the machine has, from sysfs and VIDIOC_QUERYCAP.

#include "v4l2device.h"

#include <optional>
#include <string>
#include <vector>

namespace uvcc::v4l2 {

// One entry per USB camera, ordered by its lowest video node index. A model
// attached more than once is listed as vid:pid on its lowest USB port and as
// vid:pid#port (pid text "085e#1-2.3") on each other port. A camera is
// addressed through its lowest-index capture node (CameraInfo::handle); nodes
// of devices without a USB vendor id (loopback, virtual test drivers, platform
// cameras) and nodes that cannot capture (UVC metadata) are left out.
std::vector<CameraInfo> findCameras(NodeCache &nodes, const V4l2Paths &paths);

// The camera with that designator (or the first camera), as findCameras()
// would list it, opening the nodes of that camera only: sysfs names every
// camera's vid and pid without waking it.
Result<CameraInfo> findCamera(NodeCache &nodes, const V4l2Paths &paths, const std::optional<std::string> &designator);

} // namespace uvcc::v4l2
