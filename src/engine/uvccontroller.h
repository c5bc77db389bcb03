#pragma once

#include "cameracontrols.h"
#include "processrunner.h"
#include "uvcdevice.h"

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <optional>

class CameraWatch;
class WriteQueue;

// The camera control engine. Every camera query or change is one run of
// uvcc-helper; the results are published as properties whose change signal
// is emitted on every assignment, changed or not.
//
// Construction runs, synchronously: locate the helper, "devices", select the
// first camera, then the connection check. Rows arrive one event-loop turn
// later (after isConnected), so callers must let the GUI event loop run.
class UVCController : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<CameraSliderControl> sliders READ sliders NOTIFY slidersChanged)
    Q_PROPERTY(QList<CameraToggleControl> toggles READ toggles NOTIFY togglesChanged)
    Q_PROPERTY(QList<UVCDevice> devices READ devices NOTIFY devicesChanged)
    Q_PROPERTY(std::optional<UVCDevice> selectedDevice READ selectedDevice WRITE setSelectedDevice NOTIFY selectedDeviceChanged)
    Q_PROPERTY(bool isConnected READ isConnected NOTIFY isConnectedChanged)
    Q_PROPERTY(std::optional<QString> errorMessage READ errorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(QString helperPath READ helperPath CONSTANT)

public:
    // The runner's limits (processrunner.h), under the names callers know.
    static constexpr int kRunTimeoutMs = kProcessTimeoutMs;
    static constexpr qsizetype kMaxOutputBytes = kMaxProcessOutputBytes;

    // Uses locateHelper().
    explicit UVCController(QObject *parent = nullptr);
    // Uses the given helper executable (tests, benchmarks).
    explicit UVCController(const QString &helperPath, QObject *parent = nullptr);
    ~UVCController() override;

    QList<CameraSliderControl> sliders() const { return m_sliders; }
    QList<CameraToggleControl> toggles() const { return m_toggles; }
    QList<UVCDevice> devices() const { return m_devices; }
    std::optional<UVCDevice> selectedDevice() const { return m_selectedDevice; }
    bool isConnected() const { return m_isConnected; }
    // In English, as callers and tests compare it; UVCController::tr() of it
    // is the text to show.
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    QString helperPath() const { return m_helperPath; }

    // The panel assigns the camera the user picked, then calls checkConnection().
    void setSelectedDevice(const std::optional<UVCDevice> &device);

    // "uvcc-helper" beside the application's executable if anything exists
    // there, otherwise the bare name.
    static QString locateHelper();
    // runProcessCancellable() without a way out: `program` with exactly
    // `arguments` (no shell), killed after timeoutMs.
    static ProcessOutcome runProcess(const QString &program, const QStringList &arguments,
                                     int timeoutMs = kRunTimeoutMs);
    // Runs the helper with the selected camera's designator appended (except
    // for "devices"); absent when the run gave no usable answer.
    std::optional<QString> runHelper(const QStringList &arguments) const;
    // A UVCDevice from one element of the "devices" answer; absent without
    // a string "vid" and "pid".
    static std::optional<UVCDevice> parseDevice(const QJsonObject &object);

    // Empties the rows, asks "controls", and sets isConnected/errorMessage;
    // on success loads the rows. A silent helper that exits with 7 (the
    // camera may not be opened) gives "Camera access denied: ...".
    void checkConnection();
    // Reads "export" and "ranges" and queues the new rows for publication;
    // on failure sets "Could not read camera controls" and keeps the rows.
    void loadControls();

    // Show the new value at once and queue its write to the camera. Writes
    // run one at a time in call order; a write replaces the last waiting
    // write only when that one is of the same control on the same camera, so
    // consecutive values merge and nothing is reordered.
    void setSliderValue(const CameraSliderControl &row, qint64 value);
    void setToggleValue(const CameraToggleControl &row, bool on);

    // One entry per shown row; switches encoded with the switch value mapping.
    ValueMap currentValues() const;
    // Writes every entry that matches a shown row, switches before sliders;
    // other entries are ignored.
    void applyValues(const ValueMap &values);

    // Follows the cameras from here on, through one `uvcc-helper watch` run:
    // each new list becomes `devices`; with no camera selected the first one
    // that appears is selected; when the selected camera goes or comes back
    // the connection check runs. Nothing happens for the list as it is now.
    void followCameras();

    // Blocks until every queued write has been sent (tests, benchmarks).
    bool waitForWrites(int timeoutMs = 30000);

signals:
    void slidersChanged();
    void togglesChanged();
    void devicesChanged();
    void selectedDeviceChanged();
    void isConnectedChanged();
    void errorMessageChanged();

private:
    // The helper run behind runHelper(), with how it ended.
    ProcessOutcome runAddressed(const QStringList &arguments) const;
    // The output, when the run Finished with any.
    static std::optional<QString> answerOf(const ProcessOutcome &outcome);
    void refreshDevices();
    void camerasWatched(const QByteArray &answer);
    void sendSetCommand(const QString &controlName, qint64 value);
    void setSliders(const QList<CameraSliderControl> &rows);
    void setToggles(const QList<CameraToggleControl> &rows);
    void setDevices(const QList<UVCDevice> &devices);
    void setConnected(bool connected);
    void setErrorMessage(const std::optional<QString> &message);

    QList<CameraSliderControl> m_sliders;
    QList<CameraToggleControl> m_toggles;
    QList<UVCDevice> m_devices;
    std::optional<UVCDevice> m_selectedDevice;
    bool m_isConnected = false;
    std::optional<QString> m_errorMessage;
    QString m_helperPath;
    // Created with the first write.
    std::unique_ptr<WriteQueue> m_writes;
    std::unique_ptr<CameraWatch> m_watch;
};
