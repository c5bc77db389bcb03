#pragma once

#include <QObject>
#include <QString>

#include <functional>

// Opens a camera's device file on a thread of its own and closes it again,
// so that the capture framework, which opens the device on the GUI thread,
// only starts on a camera that has answered. Opening a webcam's node wakes it
// from USB power saving, which takes a moment; a camera that hangs in its
// firmware keeps the opening thread, not the panel.
namespace DeviceProbe {

// How long a camera may take to open before the preview gives up on it.
constexpr int kLimitMs = 2000;

// Calls `done` once, on `context`'s thread, with whether `path` opened (or
// failed at once, as a missing file does: the capture framework then says
// why) within `limitMs`. A path whose earlier probe is still stuck is not
// opened again: `done(false)` at once. `done` is dropped with `context`.
void probe(const QString &path, QObject *context, std::function<void(bool answered)> done,
           int limitMs = kLimitMs);

// Whether `id`, a capture device's identifier, names a device file.
bool isDevicePath(const QString &id);

// Whether the system may have a camera to stream from at all: false only
// where that is known without loading a capture framework. On Linux: no
// entry in the kernel's video device class, `classDirectory` (where sysfs
// itself is missing, that cannot be known).
bool camerasMayExist(const QString &classDirectory = QStringLiteral("/sys/class/video4linux"));

} // namespace DeviceProbe
