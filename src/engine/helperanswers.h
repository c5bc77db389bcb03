#pragma once

// Pure functions between the controller and uvcc-helper: the argument lists
// it is given and the checks its answers pass before anything is published.
// Everything that comes from the helper is validated here, once.

#include "cameracontrols.h"
#include "uvcdevice.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <optional>

namespace HelperAnswers {

// `arguments` with the designator appended as the last argument, unless the
// list is a "devices" command (first argument exactly "devices") or there is
// no designator.
QStringList addressed(const QStringList &arguments, const std::optional<QString> &designator);

// "set", the control, the value as plain decimal text ("-5", never "+5" or "05").
QStringList setArguments(const QString &controlName, qint64 value);

// The whole text must be one JSON array or object, white space around it
// allowed. A number that is not exactly a signed 64-bit integer reads as
// null, before a double could round it into range.
std::optional<QJsonDocument> parseStrict(const QString &text);
// The text as a JSON object, or nothing.
std::optional<QJsonObject> parseObject(const QString &text);

// A JSON number that converts exactly to a signed 64-bit integer (5.0 is 5);
// fractions, strings, anything else and numbers beyond 64 bits are not.
// Exact for values from parseStrict, which refuses what a double would round.
std::optional<qint64> integerValue(const QJsonValue &value);

// One element of the "devices" answer; nothing without string "vid" and "pid".
std::optional<UVCDevice> parseDevice(const QJsonObject &object);
// The "devices" answer: nothing when it is not an array of objects (one bad
// element rejects it all); objects without a usable vid or pid are skipped.
std::optional<QList<UVCDevice>> parseDevices(const QString &text);

// Slider rows in catalogue order for the controls that have an integer value
// and an integer range. An inverted range is swapped, so no slider ever gets
// min above max; the value itself is kept as reported.
QList<CameraSliderControl> sliderRows(const QJsonObject &values, const QJsonObject &ranges);
// Switch rows in catalogue order for the controls with an integer value.
QList<CameraToggleControl> toggleRows(const QJsonObject &values);

} // namespace HelperAnswers
