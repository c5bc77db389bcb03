#pragma once

// The 16 controls Lumarel knows, by the names the helper uses on its command
// line and in its JSON: the 13 ranged controls first, then the 3 automatic
// modes, in the order the application shows them. Back ends report only these.

#include <array>
#include <cstdint>
#include <string_view>

namespace uvcc {

inline constexpr std::array<std::string_view, 16> kControlNames = {
    "brightness",
    "contrast",
    "saturation",
    "sharpness",
    "gain",
    "white_balance_temperature",
    "backlight_compensation",
    "absolute_exposure_time",
    "absolute_focus",
    "absolute_zoom",
    "hue",
    "gamma",
    "iris_absolute",
    "auto_white_balance_temperature",
    "auto_focus",
    "auto_exposure_mode",
};

// UVC auto-exposure modes as the helper reports and accepts them (bit values
// of the UVC AE mode control, not V4L2's menu indices).
inline constexpr int64_t kAutoExposureManual = 1;
inline constexpr int64_t kAutoExposureAuto = 2;
inline constexpr int64_t kAutoExposureShutterPriority = 4;
inline constexpr int64_t kAutoExposureAperturePriority = 8;

constexpr bool isKnownControl(std::string_view name)
{
    for (std::string_view known : kControlNames) {
        if (known == name)
            return true;
    }
    return false;
}

// Position in the catalogue, or kControlNames.size() for an unknown name.
constexpr std::size_t cataloguePosition(std::string_view name)
{
    for (std::size_t i = 0; i < kControlNames.size(); ++i) {
        if (kControlNames[i] == name)
            return i;
    }
    return kControlNames.size();
}

} // namespace uvcc
