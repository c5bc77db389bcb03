#pragma once

#include <QHashFunctions>
#include <QMetaType>
#include <QString>

// One camera as uvcc-helper reports it. The texts are kept exactly as the
// helper printed them: they are compared and joined, never parsed.
struct UVCDevice {
    QString vid;
    QString pid;
    QString name;
    QString manufacturer;

    // "vid:pid"; also the designator that addresses the camera in helper runs.
    // Two cameras of the same model share it.
    QString id() const { return vid + QLatin1Char(':') + pid; }

    friend bool operator==(const UVCDevice &, const UVCDevice &) = default;
};

// Fed in the order vid, pid, name, manufacturer, so equal records hash equally.
size_t qHash(const UVCDevice &device, size_t seed = 0) noexcept;

Q_DECLARE_METATYPE(UVCDevice)
