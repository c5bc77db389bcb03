#include "camerabackend.h"

#include "catalogue.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace uvcc {
namespace {

bool hasMode(const ControlInfo &control, int64_t mode)
{
    return std::find(control.modes.begin(), control.modes.end(), mode) != control.modes.end();
}

} // namespace

std::string printable(std::string_view text)
{
    constexpr std::size_t limit = 40;
    std::string shown = "'";
    for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            shown += escaped;
        } else {
            shown += static_cast<char>(c);
        }
    }
    return shown + (text.size() > limit ? "...'" : "'");
}

bool sameDesignator(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

Result<CameraInfo> CameraBackend::camera(const std::optional<std::string> &designator)
{
    Result<std::vector<CameraInfo>> listed = cameras();
    if (!listed)
        return listed.failure();
    return selectCamera(listed.value(), designator);
}

Result<CameraInfo> selectCamera(const std::vector<CameraInfo> &cameras,
                                const std::optional<std::string> &designator)
{
    if (cameras.empty())
        return Failure{ExitCode::NoCamera, "no camera found"};
    if (!designator)
        return cameras.front();
    std::string known;
    for (const CameraInfo &camera : cameras) {
        if (sameDesignator(camera.designator(), *designator))
            return camera;
        known += (known.empty() ? "" : ", ") + camera.designator();
    }
    return Failure{ExitCode::NoCamera, "no camera " + printable(*designator) + " (cameras: " + known + ")"};
}

std::optional<int64_t> acceptedValue(const ControlInfo &control, int64_t requested)
{
    if (control.type == ControlType::Menu) {
        if (hasMode(control, requested))
            return requested;
        if (control.name == "auto_exposure_mode" && requested == kAutoExposureAperturePriority
            && hasMode(control, kAutoExposureAuto))
            return kAutoExposureAuto;
        return std::nullopt;
    }
    const int64_t min = std::min(control.min, control.max);
    const int64_t max = std::max(control.min, control.max);
    const uint64_t step = control.step > 0 ? static_cast<uint64_t>(control.step) : 1;
    const int64_t clamped = std::clamp(requested, min, max);
    // Offsets from min in unsigned arithmetic: a range may span all of int64.
    const uint64_t span = static_cast<uint64_t>(max) - static_cast<uint64_t>(min);
    const uint64_t offset = static_cast<uint64_t>(clamped) - static_cast<uint64_t>(min);
    uint64_t rounded = offset / step * step;
    if (offset % step >= step - step / 2 && span - rounded >= step)
        rounded += step; // halves round up, as UVC drivers do, but never past max
    return static_cast<int64_t>(static_cast<uint64_t>(min) + rounded);
}

} // namespace uvcc
