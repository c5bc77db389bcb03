#include "controlcatalogue.h"

#include <QCoreApplication>

#include <array>

namespace {

const QString kAutoExposure = QStringLiteral("auto_exposure_mode");
// UVC auto-exposure modes: 8 is aperture priority, 2 fully automatic, 4
// shutter priority, 1 manual. 8 and 2 both leave the exposure time to the
// camera, so either reads as on: a camera sitting in 2 refuses manual
// exposure writes just as one in 8 does. On is written as 8 (which the helper
// turns into 2 on a camera without 8), the value stored presets hold.
constexpr qint64 kAutoExposureOn = 8;
constexpr qint64 kAutoExposureFull = 2;
constexpr qint64 kAutoExposureOff = 1;

constexpr std::array<ControlDefinition, 13> kSliders{{
    {"brightness", QT_TRANSLATE_NOOP("ControlCatalogue", "Brightness"),
     QT_TRANSLATE_NOOP("ControlCatalogue",
                       "Post-processing brightness offset. Fine-tune after setting exposure and gain.")},
    {"contrast", QT_TRANSLATE_NOOP("ControlCatalogue", "Contrast"),
     QT_TRANSLATE_NOOP("ControlCatalogue",
                       "Difference between light and dark areas. Higher values make the image more vivid but can crush shadows.")},
    {"saturation", QT_TRANSLATE_NOOP("ControlCatalogue", "Saturation"),
     QT_TRANSLATE_NOOP("ControlCatalogue",
                       "Color intensity. Lower values shift toward grayscale, higher values make colors more vivid.")},
    {"sharpness", QT_TRANSLATE_NOOP("ControlCatalogue", "Sharpness"),
     QT_TRANSLATE_NOOP("ControlCatalogue",
                       "Edge enhancement. Too high can introduce noise and artifacts around edges.")},
    {"gain", QT_TRANSLATE_NOOP("ControlCatalogue", "Gain"),
     QT_TRANSLATE_NOOP("ControlCatalogue",
                       "Electronic signal amplification. Brightens the image but adds noise/grain at higher values. Use sparingly.")},
    {"white_balance_temperature", QT_TRANSLATE_NOOP("ControlCatalogue", "White Balance"),
     QT_TRANSLATE_NOOP("ControlCatalogue",
                       "Color temperature in Kelvin. Lower (2000-3000) = cooler/bluer, higher (5000-6500) = warmer/yellower. Turn off Auto WB first.")},
    {"backlight_compensation", QT_TRANSLATE_NOOP("ControlCatalogue", "Backlight Comp"),
     QT_TRANSLATE_NOOP("ControlCatalogue",
                       "Helps when a bright light source is behind you. Brightens the foreground to compensate.")},
    {"absolute_exposure_time", QT_TRANSLATE_NOOP("ControlCatalogue", "Exposure"),
     QT_TRANSLATE_NOOP("ControlCatalogue",
                       "Sensor shutter speed. Primary brightness control. Higher = brighter but may introduce motion blur. Turn off Auto Exposure first.")},
    {"absolute_focus", QT_TRANSLATE_NOOP("ControlCatalogue", "Focus"),
     QT_TRANSLATE_NOOP("ControlCatalogue",
                       "Manual focus distance. Turn off Auto Focus first, then adjust to get a sharp image at your sitting distance.")},
    {"absolute_zoom", QT_TRANSLATE_NOOP("ControlCatalogue", "Zoom"),
     QT_TRANSLATE_NOOP("ControlCatalogue",
                       "Digital zoom (crop + upscale). Usable range depends on capture resolution. Quality degrades at higher values.")},
    {"hue", QT_TRANSLATE_NOOP("ControlCatalogue", "Hue"),
     QT_TRANSLATE_NOOP("ControlCatalogue",
                       "Shifts all colors around the color wheel. Usually best left at default unless correcting a specific color cast.")},
    {"gamma", QT_TRANSLATE_NOOP("ControlCatalogue", "Gamma"),
     QT_TRANSLATE_NOOP("ControlCatalogue",
                       "Non-linear brightness curve. Adjusts midtones without affecting pure black or white.")},
    {"iris_absolute", QT_TRANSLATE_NOOP("ControlCatalogue", "Iris"),
     QT_TRANSLATE_NOOP("ControlCatalogue",
                       "Controls the lens aperture. Lower = more light, shallower depth of field.")},
}};

constexpr std::array<ControlDefinition, 3> kToggles{{
    {"auto_white_balance_temperature", QT_TRANSLATE_NOOP("ControlCatalogue", "Auto White Balance"),
     QT_TRANSLATE_NOOP("ControlCatalogue",
                       "Let the camera adjust color temperature automatically. Turn off for consistent color that won't shift during calls.")},
    {"auto_focus", QT_TRANSLATE_NOOP("ControlCatalogue", "Auto Focus"),
     QT_TRANSLATE_NOOP("ControlCatalogue",
                       "Let the camera adjust focus automatically. Turn off if the camera hunts or you sit at a fixed distance.")},
    {"auto_exposure_mode", QT_TRANSLATE_NOOP("ControlCatalogue", "Auto Exposure"),
     QT_TRANSLATE_NOOP("ControlCatalogue",
                       "Let the camera adjust exposure automatically. Turn off for manual control over exposure time and gain.")},
}};

} // namespace

std::span<const ControlDefinition> sliderCatalogue()
{
    return kSliders;
}

std::span<const ControlDefinition> toggleCatalogue()
{
    return kToggles;
}

QString translatedControlText(const QString &text)
{
    return QCoreApplication::translate("ControlCatalogue", text.toUtf8().constData());
}

bool switchStateFromValue(const QString &controlName, qint64 value)
{
    if (controlName == kAutoExposure)
        return value == kAutoExposureOn || value == kAutoExposureFull;
    return value != 0;
}

qint64 switchValueFromState(const QString &controlName, bool on)
{
    if (controlName == kAutoExposure)
        return on ? kAutoExposureOn : kAutoExposureOff;
    return on ? 1 : 0;
}
