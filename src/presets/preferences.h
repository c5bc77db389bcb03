#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The user's preferences (QSettings, organisation and application "Lumarel").
// The only code that touches QSettings; tests move it to a temporary file
// with setFileForTesting() before the first access.
namespace Preferences {

inline constexpr const char *kPresets = "Lumarel.Presets";
inline constexpr const char *kLastUsedPreset = "Lumarel.LastUsedPreset";
inline constexpr const char *kUnreadablePresets = "Lumarel.UnreadablePresets";
inline constexpr const char *kHasLaunchedBefore = "Lumarel.HasLaunchedBefore";

// Absent when there is no value or it is not a byte string.
std::optional<QByteArray> data(const char *key);
// Absent when there is no value or it is not a string.
std::optional<QString> string(const char *key);
// Absent reads as false.
bool boolean(const char *key);
// True when the key holds a value of any type.
bool contains(const char *key);
// The text of a value that is present but is not a byte string (a damaged
// byte string reads back as text, or as a list of texts when it held commas),
// as UTF-8, so that it can be kept aside; absent otherwise.
std::optional<QByteArray> damagedData(const char *key);

// Each write reaches the file before it returns; false when it could not be
// stored (the previous value is then still in place).
bool setData(const char *key, const QByteArray &value);
bool setString(const char *key, const QString &value);
bool setBoolean(const char *key, bool value);
bool remove(const char *key);

// Use this INI file instead of the user's preferences (tests only).
void setFileForTesting(const QString &path);

} // namespace Preferences
