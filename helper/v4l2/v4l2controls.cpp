#include "v4l2controls.h"

#include "catalogue.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>

namespace uvcc::v4l2 {
namespace {

// The UVC driver locks these while their automatic mode is on (it flags them
// inactive and the camera refuses the write with EACCES).
constexpr std::array<ControlMapping, 16> kControls = {{
    {"brightness", V4L2_CID_BRIGHTNESS, {}, {}},
    {"contrast", V4L2_CID_CONTRAST, {}, {}},
    {"saturation", V4L2_CID_SATURATION, {}, {}},
    {"sharpness", V4L2_CID_SHARPNESS, {}, {}},
    {"gain", V4L2_CID_GAIN, {}, {}},
    {"white_balance_temperature", V4L2_CID_WHITE_BALANCE_TEMPERATURE, "auto_white_balance_temperature",
     "Auto White Balance"},
    {"backlight_compensation", V4L2_CID_BACKLIGHT_COMPENSATION, {}, {}},
    {"absolute_exposure_time", V4L2_CID_EXPOSURE_ABSOLUTE, "auto_exposure_mode", "Auto Exposure"},
    {"absolute_focus", V4L2_CID_FOCUS_ABSOLUTE, "auto_focus", "Auto Focus"},
    {"absolute_zoom", V4L2_CID_ZOOM_ABSOLUTE, {}, {}},
    {"hue", V4L2_CID_HUE, {}, {}},
    {"gamma", V4L2_CID_GAMMA, {}, {}},
    {"iris_absolute", V4L2_CID_IRIS_ABSOLUTE, {}, {}},
    {"auto_white_balance_temperature", V4L2_CID_AUTO_WHITE_BALANCE, {}, {}},
    {"auto_focus", V4L2_CID_FOCUS_AUTO, {}, {}},
    {"auto_exposure_mode", V4L2_CID_EXPOSURE_AUTO, {}, {}},
}};

const Failure kGone{ExitCode::NoCamera, "the camera is gone (unplugged?)"};

// Menu index -> UVC mode bit, in V4L2's order.
constexpr std::array<int64_t, 4> kExposureModes = {kAutoExposureAuto, kAutoExposureManual,
                                                   kAutoExposureShutterPriority, kAutoExposureAperturePriority};

std::string exposureModeText(int64_t mode)
{
    const char *label = nullptr;
    switch (mode) {
    case kAutoExposureManual: label = "manual"; break;
    case kAutoExposureAuto: label = "auto"; break;
    case kAutoExposureShutterPriority: label = "shutter priority"; break;
    case kAutoExposureAperturePriority: label = "aperture priority"; break;
    }
    return label ? std::to_string(mode) + " (" + label + ")" : std::to_string(mode);
}

bool query(const OpenNode &node, uint32_t id, v4l2_queryctrl *descriptor)
{
    *descriptor = {};
    descriptor->id = id;
    if (node.ioctl(VIDIOC_QUERYCTRL, descriptor) < 0)
        return false;
    if (descriptor->id != id) {
        errno = EINVAL; // a driver that answered for another control
        return false;
    }
    return true;
}

// The UVC modes among the menu entries the camera really has.
std::vector<int64_t> supportedExposureModes(const OpenNode &node, const v4l2_queryctrl &descriptor)
{
    std::vector<int64_t> modes;
    for (int64_t index = std::max<int64_t>(descriptor.minimum, 0);
         index <= std::min<int64_t>(descriptor.maximum, kExposureModes.size() - 1); ++index) {
        v4l2_querymenu item{};
        item.id = descriptor.id;
        item.index = static_cast<uint32_t>(index);
        if (node.ioctl(VIDIOC_QUERYMENU, &item) == 0)
            modes.push_back(kExposureModes[index]);
    }
    std::sort(modes.begin(), modes.end());
    return modes;
}

// Whether describe() reads the control's present value too. A write needs
// only the descriptor: each G_CTRL is a USB transfer to the camera.
enum class Reading { Value, DescriptorOnly };

std::optional<int64_t> readValue(const OpenNode &node, const v4l2_queryctrl &descriptor)
{
    if (descriptor.flags & V4L2_CTRL_FLAG_WRITE_ONLY)
        return std::nullopt;
    v4l2_control control{};
    control.id = descriptor.id;
    if (node.ioctl(VIDIOC_G_CTRL, &control) < 0)
        return std::nullopt; // EIO or ETIMEDOUT from a camera that did not answer
    return control.value;
}

std::optional<ControlInfo> describe(const OpenNode &node, const ControlMapping &mapping,
                                    const v4l2_queryctrl &descriptor, Reading reading = Reading::Value)
{
    if (descriptor.flags & V4L2_CTRL_FLAG_DISABLED)
        return std::nullopt;
    const bool exposureMode = mapping.id == V4L2_CID_EXPOSURE_AUTO;
    ControlInfo info;
    info.name = std::string(mapping.name);
    if (exposureMode && descriptor.type == V4L2_CTRL_TYPE_MENU)
        info.type = ControlType::Menu;
    else if (!exposureMode && descriptor.type == V4L2_CTRL_TYPE_INTEGER)
        info.type = ControlType::Integer;
    else if (!exposureMode && descriptor.type == V4L2_CTRL_TYPE_BOOLEAN)
        info.type = ControlType::Boolean;
    else
        return std::nullopt;
    // Some firmware reports its bounds the wrong way round; the range it
    // means is still the one between them.
    info.min = std::min(descriptor.minimum, descriptor.maximum);
    info.max = std::max(descriptor.minimum, descriptor.maximum);
    // Some cameras report a resolution of 0; the UVC driver then writes with step 1 too.
    info.step = descriptor.step > 0 ? descriptor.step : 1;
    info.defaultValue = std::clamp<int64_t>(descriptor.default_value, info.min, info.max);
    if (reading == Reading::Value)
        info.value = readValue(node, descriptor);
    info.inactive = descriptor.flags & V4L2_CTRL_FLAG_INACTIVE;
    if (!exposureMode)
        return info;

    info.modes = supportedExposureModes(node, descriptor);
    if (info.modes.empty())
        return std::nullopt;
    info.min = info.modes.front();
    info.max = info.modes.back();
    info.step = 1;
    info.defaultValue = exposureModeFromMenuIndex(descriptor.default_value).value_or(info.min);
    info.value = info.value ? exposureModeFromMenuIndex(*info.value) : std::nullopt;
    return info;
}

Failure refusal(const OpenNode &node, const ControlMapping &mapping, const v4l2_queryctrl &descriptor,
                int64_t value, int error)
{
    const std::string name(mapping.name);
    switch (error) {
    case EACCES:
        if (descriptor.flags & V4L2_CTRL_FLAG_READ_ONLY)
            return {ExitCode::Refused, name + " is read-only on this camera"};
        if (!mapping.automaticMode.empty())
            return {ExitCode::Refused, name + " is locked while " + std::string(mapping.automaticMode) +
                                           " is on; switch " + std::string(mapping.automaticLabel) + " off first"};
        return {ExitCode::Refused, "the camera refused " + name + " in its present state"};
    case EPIPE:
        // A camera without the UVC error-code control stalls the transfer
        // instead of saying why; a locked control is the usual reason.
        if (!mapping.automaticMode.empty() && (descriptor.flags & V4L2_CTRL_FLAG_INACTIVE))
            return {ExitCode::Refused, name + " is locked while " + std::string(mapping.automaticMode) +
                                           " is on; switch " + std::string(mapping.automaticLabel) + " off first"};
        return {ExitCode::Refused, "the camera refused " + std::to_string(value) + " for " + name};
    case EINVAL:
    case ERANGE:
        if (mapping.id == V4L2_CID_EXPOSURE_AUTO) {
            std::string offered;
            for (int64_t mode : supportedExposureModes(node, descriptor))
                offered += (offered.empty() ? "" : ", ") + exposureModeText(mode);
            return {ExitCode::Refused, "this camera does not offer auto_exposure_mode " + exposureModeText(value) +
                                           "; it offers " + offered};
        }
        return {ExitCode::Refused, "the camera refused " + std::to_string(value) + " for " + name};
    case EBUSY:
        return {ExitCode::Refused, name + " is busy on this camera; try again"};
    case ENODEV:
    case ENXIO:
        return kGone;
    default:
        return {ExitCode::Failure, "the camera did not take " + name + ": " + std::strerror(error)};
    }
}

} // namespace

const ControlMapping *findControl(std::string_view name)
{
    for (const ControlMapping &mapping : kControls) {
        if (mapping.name == name)
            return &mapping;
    }
    return nullptr;
}

std::optional<int64_t> exposureModeFromMenuIndex(int64_t index)
{
    if (index < 0 || index >= static_cast<int64_t>(kExposureModes.size()))
        return std::nullopt;
    return kExposureModes[index];
}

std::optional<int64_t> menuIndexFromExposureMode(int64_t mode)
{
    for (size_t index = 0; index < kExposureModes.size(); ++index) {
        if (kExposureModes[index] == mode)
            return static_cast<int64_t>(index);
    }
    return std::nullopt;
}

Result<std::vector<ControlInfo>> readControls(const OpenNode &node)
{
    std::vector<ControlInfo> controls;
    for (const ControlMapping &mapping : kControls) {
        v4l2_queryctrl descriptor;
        if (!query(node, mapping.id, &descriptor)) {
            if (errno == ENODEV)
                return kGone;
            if (errno == ENOTTY)
                break; // a node without controls, e.g. UVC metadata
            continue;  // EINVAL: the camera lacks it; anything else: it cannot describe it
        }
        if (std::optional<ControlInfo> info = describe(node, mapping, descriptor))
            controls.push_back(std::move(*info));
    }
    return controls;
}

std::optional<Failure> writeControl(const OpenNode &node, std::string_view name, int64_t value)
{
    const ControlMapping *mapping = findControl(name);
    v4l2_queryctrl descriptor{};
    const bool described = mapping && query(node, mapping->id, &descriptor);
    if (mapping && !described && errno == ENODEV)
        return kGone;
    const std::optional<ControlInfo> info =
        described ? describe(node, *mapping, descriptor, Reading::DescriptorOnly) : std::nullopt;
    if (!info)
        return Failure{ExitCode::NoControl, "this camera has no " + std::string(name)};

    const bool exposureMode = mapping->id == V4L2_CID_EXPOSURE_AUTO;
    if (exposureMode && !menuIndexFromExposureMode(value))
        return Failure{ExitCode::BadValue, "auto_exposure_mode takes " + exposureModeText(kAutoExposureManual) + ", "
                                               + exposureModeText(kAutoExposureAuto) + ", "
                                               + exposureModeText(kAutoExposureShutterPriority) + " or "
                                               + exposureModeText(kAutoExposureAperturePriority)};
    const std::optional<int64_t> accepted = acceptedValue(*info, value);
    if (!accepted) {
        std::string offered;
        for (int64_t mode : info->modes)
            offered += (offered.empty() ? "" : ", ") + exposureModeText(mode);
        return Failure{ExitCode::Refused, "this camera does not offer auto_exposure_mode " + exposureModeText(value)
                                              + "; it offers " + offered};
    }
    const int64_t kernelValue = exposureMode ? *menuIndexFromExposureMode(*accepted) : *accepted;
    v4l2_control control{};
    control.id = mapping->id;
    control.value = static_cast<int32_t>(std::clamp<int64_t>(kernelValue, std::numeric_limits<int32_t>::min(),
                                                             std::numeric_limits<int32_t>::max()));
    if (node.ioctl(VIDIOC_S_CTRL, &control) < 0)
        return refusal(node, *mapping, descriptor, *accepted, errno);
    return std::nullopt;
}

} // namespace uvcc::v4l2
