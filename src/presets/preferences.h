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

void setData(const char *key, const QByteArray &value);
void setString(const char *key, const QString &value);
void setBoolean(const char *key, bool value);
void remove(const char *key);

// Use this INI file instead of the user's preferences (tests only).
void setFileForTesting(const QString &path);

} // namespace Preferences
