#include "uvccontroller.h"

#include "camerawatch.h"
#include "controlcatalogue.h"
#include "helperanswers.h"
#include "processrunner.h"
#include "writequeue.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString kHelperName = QStringLiteral("uvcc-helper");
// uvcc-helper's exit code for a camera whose device node may not be opened.
constexpr int kHelperExitPermission = 7;

// The messages stay in English in errorMessage; the panel translates them
// when it shows them.
constexpr const char *kAccessDenied =
    QT_TRANSLATE_NOOP("UVCController", "Camera access denied: see the README on permissions");
constexpr const char *kNotFound =
    QT_TRANSLATE_NOOP("UVCController", "Cannot find uvcc-helper or camera not connected");
constexpr const char *kNoUvcControls = QT_TRANSLATE_NOOP("UVCController", "This camera does not support UVC controls");
constexpr const char *kUnreadable = QT_TRANSLATE_NOOP("UVCController", "Could not read camera controls");

template <typename Row>
const Row *findRow(const QList<Row> &rows, const QString &id)
{
    const auto found =
        std::find_if(rows.cbegin(), rows.cend(), [&](const Row &row) { return row.id == id; });
    return found == rows.cend() ? nullptr : &*found;
}

// A copy of `rows` with a new value in the row `id`; absent without that row.
template <typename Row, typename Value>
std::optional<QList<Row>> withValue(const QList<Row> &rows, const QString &id, Value value)
{
    const Row *row = findRow(rows, id);
    if (!row)
        return std::nullopt;
    QList<Row> changed = rows;
    changed[row - rows.constData()].value = value;
    return changed;
}

} // namespace

UVCController::UVCController(QObject *parent)
    : UVCController(locateHelper(), parent)
{
}

UVCController::UVCController(const QString &helperPath, QObject *parent)
    : QObject(parent)
    , m_helperPath(helperPath)
{
    refreshDevices();
    checkConnection();
}

// Out of line, so that WriteQueue stays private to this library.
UVCController::~UVCController() = default;

void UVCController::setSelectedDevice(const std::optional<UVCDevice> &device)
{
    m_selectedDevice = device;
    emit selectedDeviceChanged();
}

QString UVCController::locateHelper()
{
    const QString directory = QCoreApplication::applicationDirPath();
    if (directory.isEmpty())
        return kHelperName;
    const QString candidate = QDir(directory).filePath(kHelperName);
    // Existence only: a broken entry of that name is still ours and fails
    // visibly at its first run rather than silently running another program.
    if (QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink())
        return candidate;
    return kHelperName;
}

ProcessOutcome UVCController::runProcess(const QString &program, const QStringList &arguments,
                                         int timeoutMs)
{
    return runProcessCancellable(program, arguments, timeoutMs, nullptr);
}

std::optional<QString> UVCController::runHelper(const QStringList &arguments) const
{
    return answerOf(runAddressed(arguments));
}

ProcessOutcome UVCController::runAddressed(const QStringList &arguments) const
{
    std::optional<QString> designator;
    if (m_selectedDevice)
        designator = m_selectedDevice->id();
    return runProcess(m_helperPath, HelperAnswers::addressed(arguments, designator));
}

std::optional<QString> UVCController::answerOf(const ProcessOutcome &outcome)
{
    if (outcome.status != ProcessOutcome::Status::Finished || outcome.output.isEmpty())
        return std::nullopt;
    return outcome.output;
}

std::optional<UVCDevice> UVCController::parseDevice(const QJsonObject &object)
{
    return HelperAnswers::parseDevice(object);
}

void UVCController::refreshDevices()
{
    const auto answer = runHelper({QStringLiteral("devices")});
    if (!answer)
        return;
    const auto devices = HelperAnswers::parseDevices(*answer);
    if (!devices)
        return;
    setDevices(*devices);
    if (!m_selectedDevice && !devices->isEmpty())
        setSelectedDevice(devices->first());
}

void UVCController::followCameras()
{
    if (m_watch)
        return;
    m_watch = std::make_unique<CameraWatch>(m_helperPath);
    connect(m_watch.get(), &CameraWatch::answered, this, &UVCController::camerasWatched);
    m_watch->start();
}

void UVCController::camerasWatched(const QByteArray &answer)
{
    const auto devices = HelperAnswers::parseDevices(QString::fromUtf8(answer));
    if (!devices || *devices == m_devices)
        return;
    const bool wasListed = m_selectedDevice && isListed(m_devices, *m_selectedDevice);
    setDevices(*devices);
    if (!m_selectedDevice) {
        if (devices->isEmpty())
            return;
        setSelectedDevice(devices->first());
        checkConnection();
        return;
    }
    if (isListed(*devices, *m_selectedDevice) != wasListed)
        checkConnection();
}

void UVCController::checkConnection()
{
    setSliders({});
    setToggles({});
    const ProcessOutcome outcome = runAddressed({QStringLiteral("controls")});
    const auto answer = answerOf(outcome);
    if (!answer) {
        // The helper found the camera but may not open it: telling the user
        // it is missing would send them looking in the wrong place.
        setErrorMessage(outcome.exitCode == kHelperExitPermission
                            ? QString::fromLatin1(kAccessDenied)
                            : QString::fromLatin1(kNotFound));
        setConnected(false);
        return;
    }
    if (!answer->contains(QLatin1String("brightness"), Qt::CaseSensitive)) {
        setErrorMessage(QString::fromLatin1(kNoUvcControls));
        setConnected(false);
        return;
    }
    setConnected(true);
    setErrorMessage(std::nullopt);
    loadControls();
}

void UVCController::loadControls()
{
    const auto exported = runHelper({QStringLiteral("export")});
    const auto ranged = exported ? runHelper({QStringLiteral("ranges")}) : std::nullopt;
    const auto values = ranged ? HelperAnswers::parseObject(*exported) : std::nullopt;
    const auto ranges = values ? HelperAnswers::parseObject(*ranged) : std::nullopt;
    if (!ranges) {
        setErrorMessage(QString::fromLatin1(kUnreadable));
        return;
    }
    const QList<CameraSliderControl> sliders = HelperAnswers::sliderRows(*values, *ranges);
    const QList<CameraToggleControl> toggles = HelperAnswers::toggleRows(*values);
    // One turn of the event loop later, so that observers see isConnected
    // before the rows; successive loads publish in the order they ran.
    QMetaObject::invokeMethod(
        this,
        [this, sliders, toggles] {
            setSliders(sliders);
            setToggles(toggles);
        },
        Qt::QueuedConnection);
}

void UVCController::setSliderValue(const CameraSliderControl &row, qint64 value)
{
    sendSetCommand(row.controlName, value);
    if (const auto rows = withValue(m_sliders, row.id, value))
        setSliders(*rows);
}

void UVCController::setToggleValue(const CameraToggleControl &row, bool on)
{
    sendSetCommand(row.controlName, switchValueFromState(row.controlName, on));
    if (const auto rows = withValue(m_toggles, row.id, on))
        setToggles(*rows);
}

void UVCController::sendSetCommand(const QString &controlName, qint64 value)
{
    // The camera is fixed here, on the GUI thread, when the write is queued.
    std::optional<QString> designator;
    if (m_selectedDevice)
        designator = m_selectedDevice->id();
    if (!m_writes)
        m_writes = std::make_unique<WriteQueue>();
    m_writes->enqueue({m_helperPath, designator, controlName, value});
}

ValueMap UVCController::currentValues() const
{
    ValueMap values;
    for (const CameraSliderControl &row : m_sliders)
        values.insert(row.id, row.value);
    for (const CameraToggleControl &row : m_toggles)
        values.insert(row.id, switchValueFromState(row.controlName, row.value));
    return values;
}

void UVCController::applyValues(const ValueMap &values)
{
    // Copies: every write below assigns a new row list.
    const QList<CameraSliderControl> sliders = m_sliders;
    const QList<CameraToggleControl> toggles = m_toggles;
    // Automatic modes first: a camera refuses a manual exposure or white
    // balance while the matching automatic mode is still on.
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (findRow(sliders, it.key()))
            continue;
        if (const CameraToggleControl *row = findRow(toggles, it.key()))
            setToggleValue(*row, switchStateFromValue(row->controlName, it.value()));
    }
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (const CameraSliderControl *row = findRow(sliders, it.key()))
            setSliderValue(*row, it.value());
    }
}

bool UVCController::waitForWrites(int timeoutMs)
{
    return !m_writes || m_writes->waitUntilIdle(timeoutMs);
}

void UVCController::setSliders(const QList<CameraSliderControl> &rows)
{
    m_sliders = rows;
    emit slidersChanged();
}

void UVCController::setToggles(const QList<CameraToggleControl> &rows)
{
    m_toggles = rows;
    emit togglesChanged();
}

void UVCController::setDevices(const QList<UVCDevice> &devices)
{
    m_devices = devices;
    emit devicesChanged();
}

void UVCController::setConnected(bool connected)
{
    m_isConnected = connected;
    emit isConnectedChanged();
}

void UVCController::setErrorMessage(const std::optional<QString> &message)
{
    m_errorMessage = message;
    emit errorMessageChanged();
}
