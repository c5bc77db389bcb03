#pragma once

#include "fakehelperscript.h"
#include "uvccontroller.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

// The two cameras and full control set of tests/engine/data.
inline void scriptFullCamera(FakeHelperScript &fake)
{
    fake.answerFromFile("devices", QFINDTESTDATA("data/devices-two.json"));
    fake.answerFromFile("controls", QFINDTESTDATA("data/controls.txt"));
    fake.answerFromFile("export", QFINDTESTDATA("data/export-full.json"));
    fake.answerFromFile("ranges", QFINDTESTDATA("data/ranges-full.json"));
}

// Every change notification with the state it announces, in order.
class ChangeLog : public QObject {
public:
    explicit ChangeLog(UVCController &c)
    {
        connect(&c, &UVCController::slidersChanged, this,
                [this, &c] { events << "sliders " + QString::number(c.sliders().size()); });
        connect(&c, &UVCController::togglesChanged, this,
                [this, &c] { events << "toggles " + QString::number(c.toggles().size()); });
        connect(&c, &UVCController::isConnectedChanged, this, [this, &c] {
            events << QStringLiteral("connected ") + (c.isConnected() ? "true" : "false");
        });
        connect(&c, &UVCController::errorMessageChanged, this,
                [this, &c] { events << "message " + c.errorMessage().value_or("none"); });
        connect(&c, &UVCController::devicesChanged, this,
                [this, &c] { events << "devices " + QString::number(c.devices().size()); });
        connect(&c, &UVCController::selectedDeviceChanged, this, [this, &c] {
            events << "selected " + (c.selectedDevice() ? c.selectedDevice()->id() : "none");
        });
    }
    QStringList take() { return std::exchange(events, {}); }
    QStringList events;
};

// Lets queued row publications run.
inline void settle()
{
    QCoreApplication::processEvents();
}

inline CameraSliderControl sliderRow(const UVCController &c, const QString &id)
{
    for (const auto &row : c.sliders())
        if (row.id == id)
            return row;
    return {id, id, {}, id};
}

inline CameraToggleControl toggleRow(const UVCController &c, const QString &id)
{
    for (const auto &row : c.toggles())
        if (row.id == id)
            return row;
    return {id, id, {}, id};
}
