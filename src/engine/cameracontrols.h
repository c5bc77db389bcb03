#pragma once

#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>

// A ranged control shown as a slider. `id` always equals `controlName`;
// only `value` changes after the row is built.
struct CameraSliderControl {
    QString id;
    QString label;
    QString tooltip;
    QString controlName;
    qint64 value = 0;
    qint64 min = 0;
    qint64 max = 0;
    qint64 step = 1;
};

// An on/off control (an automatic mode) shown as a switch.
struct CameraToggleControl {
    QString id;
    QString label;
    QString tooltip;
    QString controlName;
    bool value = false;
};

// Control name to value in the camera's own units; switches are stored with
// the switch value mapping (controlcatalogue.h). Presets store the same shape.
using ValueMap = QMap<QString, qint64>;

Q_DECLARE_METATYPE(CameraSliderControl)
Q_DECLARE_METATYPE(CameraToggleControl)
