#pragma once

// The 16 catalogue controls on a V4L2 node: which control id each name is,
// how auto_exposure_mode's UVC values map to V4L2 menu indices, and reading
// and writing them with the kernel's answers turned into ControlInfo and
// Failure.

#include "v4l2device.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace uvcc::v4l2 {

struct ControlMapping {
    std::string_view name;          // catalogue name
    uint32_t id;                    // V4L2_CID_...
    std::string_view automaticMode; // catalogue name of the mode that locks it, if any
    std::string_view automaticLabel; // that mode's switch in the panel
};

// In catalogue order; nullptr for a name outside the catalogue.
const ControlMapping *findControl(std::string_view name);

// UVC auto-exposure mode (1 manual, 2 auto, 4 shutter priority, 8 aperture
// priority) <-> V4L2_CID_EXPOSURE_AUTO menu index (1, 0, 2, 3).
std::optional<int64_t> exposureModeFromMenuIndex(int64_t index);
std::optional<int64_t> menuIndexFromExposureMode(int64_t mode);

// Every catalogue control the node has, in catalogue order. A control whose
// value cannot be read is listed without a value; one whose bounds the camera
// reports the wrong way round is listed with them swapped.
Result<std::vector<ControlInfo>> readControls(const OpenNode &node);

// Writes one control, asking the node about that control only. The value is
// first brought into the control's range and onto its step (acceptedValue()):
// the UVC driver clamps most controls as unsigned 32-bit numbers, so a
// negative value would otherwise land on the maximum. A control the camera
// lacks gives ExitCode::NoControl.
std::optional<Failure> writeControl(const OpenNode &node, std::string_view name, int64_t value);

} // namespace uvcc::v4l2
