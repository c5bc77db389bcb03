#pragma once

#include <QHashFunctions>
#include <QList>
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
    // A further camera of an attached model has its USB port in `pid`
    // ("085e#1-2.3"), so ids differ; an older helper gave both one id.
    QString id() const { return vid + QLatin1Char(':') + pid; }

    friend bool operator==(const UVCDevice &, const UVCDevice &) = default;
};

// Whether `devices` holds a camera with the id of `device` (its name may have
// changed with a re-plug).
bool isListed(const QList<UVCDevice> &devices, const UVCDevice &device);

// Fed in the order vid, pid, name, manufacturer, so equal records hash equally.
size_t qHash(const UVCDevice &device, size_t seed = 0) noexcept;

Q_DECLARE_METATYPE(UVCDevice)
