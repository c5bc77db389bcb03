#pragma once

#include <QString>
#include <span>

// The controls Lumarel can ever show, in the order it shows them. The helper
// decides which of them a camera really has.
struct ControlDefinition {
    const char *controlName;
    const char *label;
    const char *tooltip;
};

// The 13 ranged controls, shown as sliders.
std::span<const ControlDefinition> sliderCatalogue();
// The 3 automatic modes, shown as switches.
std::span<const ControlDefinition> toggleCatalogue();

// A row's label or tooltip in the user's language. Rows keep the catalogue's
// English text, so only what is drawn is translated; unknown text comes back
// unchanged.
QString translatedControlText(const QString &text);

// The camera stores every control as an integer. Auto exposure is on for the
// UVC modes 8 (aperture priority) and 2 (fully automatic), off for any other;
// it is written on as 8 and off as 1 (manual), never 0. Every other switch is
// on for any non-zero value and written as 1 or 0.
bool switchStateFromValue(const QString &controlName, qint64 value);
qint64 switchValueFromState(const QString &controlName, bool on);
