#include "menubarview.h"

#include "camerapreviewview.h"
#include "camerasessionmanager.h"
#include "capturebackend.h"
#include "controlsections.h"
#include "loginitem.h"
#include "style.h"
#include "panelwidgets.h"
#include "presetmanager.h"
#include "presetssection.h"
#include "switchbutton.h"
#include "uvccontroller.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

using Style::TextStyle;

namespace {

constexpr QSize kPanelSize(320, 700);
constexpr QSize kPreviewSize(288, 180);
constexpr int kPreviewRadius = 8;
constexpr int kReapplyDelayMs = 500;
// After a resume a USB camera may take a few seconds to answer again, or be
// re-plugged by the kernel, which the connection rule then covers.
constexpr int kResumeCheckIntervalMs = 1000;
constexpr int kResumeChecks = 15;

QString cameraLabel(const UVCDevice &device)
{
    // The engine keeps its own "Unknown Camera", in English like all its
    // data, for a camera the helper gave no name.
    static const QString unknown = QStringLiteral("Unknown Camera");
    return device.name.isEmpty() || device.name == unknown
        ? QCoreApplication::translate("MenuBarView", "Unknown Camera")
        : device.name;
}

// The picker's texts: two cameras of one model carry one name, so a further
// one is told apart by the USB port its designator names ("085e#1-2.3").
QStringList pickerLabels(const QList<UVCDevice> &devices)
{
    QStringList labels;
    for (const UVCDevice &device : devices)
        labels.append(cameraLabel(device));
    for (qsizetype i = 0; i < devices.size(); ++i) {
        const qsizetype mark = devices.at(i).pid.indexOf(QLatin1Char('#'));
        if (mark >= 0 && labels.count(labels.at(i)) > 1) {
            labels[i] = QCoreApplication::translate("MenuBarView", "%1 (port %2)")
                            .arg(labels.at(i), devices.at(i).pid.mid(mark + 1));
        }
    }
    return labels;
}

QVBoxLayout *column(QWidget *owner, int spacing, const QMargins &margins)
{
    auto *layout = new QVBoxLayout(owner);
    layout->setSpacing(spacing);
    layout->setContentsMargins(margins);
    return layout;
}

} // namespace

MenuBarView::MenuBarView(QWidget *parent)
    : MenuBarView(Options{}, parent)
{
}

MenuBarView::MenuBarView(Options options, QWidget *parent)
    : QWidget(parent)
    , m_loginItem(std::move(options.loginItem))
    , m_sleepMonitor(std::move(options.sleepMonitor))
{
    setObjectName(QStringLiteral("menuBarView"));
    // 320 x 700 where the screen has room; on a small one the window around
    // it is lower, and the scroll area in the middle gives up the difference.
    setFixedWidth(kPanelSize.width());
    setMaximumHeight(kPanelSize.height());
    resize(kPanelSize);
    const bool later = options.createModelsLater;
    m_modelOptions = std::make_unique<Options>(std::move(options));
    if (later)
        QTimer::singleShot(kModelDelayMs, this, &MenuBarView::createModels);
    else
        createModels();
}

void MenuBarView::createModels()
{
    if (m_uvc)
        return;
    const std::unique_ptr<Options> options = std::move(m_modelOptions);
    m_uvc = options->helperPath.isEmpty() ? std::make_unique<UVCController>()
                                          : std::make_unique<UVCController>(options->helperPath);
    m_presets = std::make_unique<PresetManager>();
    m_camera = options->captureBackend
        ? std::make_unique<CameraSessionManager>(std::move(options->captureBackend))
        : std::make_unique<CameraSessionManager>();
    m_wasConnected = m_uvc->isConnected();

    auto *layout = column(this, 0, QMargins());
    layout->addWidget(buildTopBlock());
    layout->addWidget(buildScrollArea(), 1);
    layout->addWidget(buildFooter());
    // Built while being shown: the layout would show its parts only one
    // event-loop turn later, after the window had appeared empty.
    if (isVisible()) {
        for (QWidget *part : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (!part->testAttribute(Qt::WA_WState_ExplicitShowHide))
                part->show();
    }

    connectModels();
    m_resumeCheck.setInterval(kResumeCheckIntervalMs);
    connect(&m_resumeCheck, &QTimer::timeout, this, &MenuBarView::checkAfterResume);
    if (m_sleepMonitor)
        connect(m_sleepMonitor.get(), &SleepMonitor::resumed, this, &MenuBarView::systemResumed);
    if (options->followCameras)
        m_uvc->followCameras();
    renderCamera();
    renderPreview();
    renderNotice();
    m_modes->render();
    m_adjustments->render();
    renderPresets();
}

MenuBarView::~MenuBarView()
{
    // The widgets go first: the preview refers to the capture session, and the
    // rows to the controller, both of which are members destroyed after this.
    const auto children = findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    qDeleteAll(children);
}

void MenuBarView::addPresetActions(QMenu *menu)
{
    // The tray's menu is filled as the icon is put up, before the models
    // exist: whether a camera is connected is not known yet then.
    if (!m_uvc || !m_uvc->isConnected())
        return;
    const std::optional<QString> lastUsed = m_presets->lastUsedPresetName();
    for (const CameraPreset &preset : m_presets->presets()) {
        // A menu takes "&" for a shortcut mark.
        QAction *action = menu->addAction(QString(preset.name).replace(QLatin1Char('&'), QLatin1String("&&")));
        action->setCheckable(true);
        action->setChecked(lastUsed == preset.name);
        connect(action, &QAction::triggered, this, [this, preset] { m_presetsSection->applyPreset(preset); });
    }
}

UVCController &MenuBarView::uvc()
{
    createModels();
    return *m_uvc;
}

PresetManager &MenuBarView::presets()
{
    createModels();
    return *m_presets;
}

CameraSessionManager &MenuBarView::camera()
{
    createModels();
    return *m_camera;
}

void MenuBarView::showEvent(QShowEvent *event)
{
    createModels();
    QWidget::showEvent(event);
    // Once the window is up: the first start also starts the capture
    // framework, which must not hold up the panel's appearing.
    QTimer::singleShot(0, this, [this] {
        if (isVisible())
            m_camera->start();
    });
}

void MenuBarView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (m_camera)
        m_camera->stop();
}

QWidget *MenuBarView::buildTopBlock()
{
    auto *top = new QWidget(this);
    top->setObjectName(QStringLiteral("topBlock"));
    auto *layout = column(top, 16, QMargins(16, 0, 16, 0));
    m_topColumn = top;

    auto *header = new QWidget(top);
    header->setObjectName(QStringLiteral("header"));
    auto *lines = column(header, 2, QMargins(0, 8, 0, 0));
    auto *title = Style::label(QStringLiteral("Lumarel"), TextStyle::Title2, header);
    title->setFont(Style::font(TextStyle::Title2, QFont::Bold));
    auto *subtitle = Style::label(tr("USB Webcam Controls"), TextStyle::Caption, header);
    Style::makeSecondary(subtitle);
    lines->addWidget(title, 0, Qt::AlignHCenter);
    lines->addWidget(subtitle, 0, Qt::AlignHCenter);
    layout->addWidget(header);

    m_cameraName = new ElidedLabel(top);
    m_cameraName->setObjectName(QStringLiteral("cameraName"));
    m_cameraName->setFont(Style::font(TextStyle::Callout));
    m_cameraName->setAlignment(Qt::AlignCenter);
    Style::makeSecondary(m_cameraName);
    layout->addWidget(m_cameraName);

    m_pickerRow = new QWidget(top);
    m_pickerRow->setObjectName(QStringLiteral("cameraPickerRow"));
    auto *pickerLayout = new QHBoxLayout(m_pickerRow);
    pickerLayout->setContentsMargins(0, 0, 0, 0);
    auto *pickerLabel = Style::label(tr("Camera"), TextStyle::Callout, m_pickerRow);
    pickerLayout->addWidget(pickerLabel);
    m_picker = new PanelComboBox(m_pickerRow);
    // Screen readers on Linux name a combo box after its label's buddy, not
    // after its accessible name.
    pickerLabel->setBuddy(m_picker);
    m_picker->setObjectName(QStringLiteral("cameraPicker"));
    m_picker->setAccessibleName(tr("Camera"));
    m_picker->setFont(Style::font(TextStyle::Callout));
    m_picker->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_picker->setMinimumContentsLength(8);
    m_picker->setPlaceholderText(tr("Choose a camera"));
    pickerLayout->addWidget(m_picker, 1);
    connect(m_picker, &QComboBox::activated, this, [this](int index) {
        const QList<UVCDevice> devices = m_uvc->devices();
        if (index >= 0 && index < devices.size())
            selectDevice(devices.at(index));
    });
    layout->addWidget(m_pickerRow);

    // The preview is built once the session first runs; this marks its place.
    layout->addWidget(buildNotice());
    m_modes = ControlSection::modes(*m_uvc, top);
    layout->addWidget(m_modes);
    return top;
}

QWidget *MenuBarView::buildNotice()
{
    m_notice = new QWidget(m_topColumn);
    m_notice->setObjectName(QStringLiteral("disconnectedNotice"));
    auto *layout = column(m_notice, 8, QMargins(16, 16, 16, 16));

    auto *symbol = new Style::SymbolLabel(QStringLiteral("video.slash"), Style::symbolSide(TextStyle::Title),
                                          &Style::secondaryColor, m_notice);
    symbol->setObjectName(QStringLiteral("noticeSymbol"));
    layout->addWidget(symbol, 0, Qt::AlignHCenter);

    m_noticeMessage = Style::label(QString(), TextStyle::Caption, m_notice);
    m_noticeMessage->setObjectName(QStringLiteral("noticeMessage"));
    m_noticeMessage->setAlignment(Qt::AlignCenter);
    m_noticeMessage->setWordWrap(true);
    Style::makeSecondary(m_noticeMessage);
    layout->addWidget(m_noticeMessage);

    auto *retry = new PanelButton(tr("Retry"), PanelButton::Size::Regular, m_notice);
    retry->setObjectName(QStringLiteral("retry"));
    connect(retry, &QPushButton::clicked, this, &MenuBarView::retry);
    layout->addWidget(retry, 0, Qt::AlignHCenter);
    return m_notice;
}

QWidget *MenuBarView::buildScrollArea()
{
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("scrollArea"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto *content = new QWidget(scroll);
    content->setObjectName(QStringLiteral("scrollContent"));
    // The always-shown scroll bar takes room on the right; the right inset
    // gives that room back so the rows line up with the top block's column.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll->verticalScrollBar());
    auto *layout = column(content, 16, QMargins(16, 8, qMax(0, 16 - bar), 8));
    m_adjustments = ControlSection::adjustments(*m_uvc, content);
    m_presetsSection = new PresetsSection(*m_uvc, *m_presets, content);
    layout->addWidget(m_adjustments);
    layout->addWidget(m_presetsSection);
    layout->addStretch(1);
    scroll->setWidget(content);
    return scroll;
}

QWidget *MenuBarView::buildFooter()
{
    auto *footer = new QWidget(this);
    footer->setObjectName(QStringLiteral("footer"));
    auto *layout = column(footer, 8, QMargins(0, 0, 0, 8));

    auto *divider = new QFrame(footer);
    divider->setObjectName(QStringLiteral("divider"));
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    layout->addWidget(divider);

    auto *loginRow = new QWidget(footer);
    auto *row = new QHBoxLayout(loginRow);
    row->setContentsMargins(16, 0, 16, 0);
    row->addWidget(Style::label(tr("Open at Login"), TextStyle::Callout, loginRow));
    row->addStretch(1);
    m_loginSwitch = new SwitchButton(tr("Open at Login"), loginRow);
    m_loginSwitch->setObjectName(QStringLiteral("loginSwitch"));
    m_loginSwitch->setChecked(m_loginItem->isEnabled());
    // The switch already shows the new state; the item has to follow.
    connect(m_loginSwitch, &QAbstractButton::toggled, this, &MenuBarView::setLaunchAtLogin);
    row->addWidget(m_loginSwitch);
    layout->addWidget(loginRow);

    auto *quit = new QPushButton(tr("Quit Lumarel"), footer);
    quit->setObjectName(QStringLiteral("quit"));
    quit->setFlat(true);
    quit->setAutoDefault(false);
    quit->setCursor(Qt::PointingHandCursor);
    quit->setFont(Style::font(TextStyle::Caption));
    Style::makeSecondary(quit);
    connect(quit, &QPushButton::clicked, this, [] { QCoreApplication::quit(); });
    layout->addWidget(quit, 0, Qt::AlignHCenter);
    return footer;
}

void MenuBarView::connectModels()
{
    UVCController *uvc = m_uvc.get();
    connect(uvc, &UVCController::devicesChanged, this, &MenuBarView::renderCamera);
    connect(uvc, &UVCController::selectedDeviceChanged, this, &MenuBarView::renderCamera);
    connect(uvc, &UVCController::errorMessageChanged, this, &MenuBarView::renderNotice);
    connect(uvc, &UVCController::isConnectedChanged, this, [this] {
        renderNotice();
        renderPresets();
        connectionChanged();
    });
    connect(uvc, &UVCController::togglesChanged, m_modes, &ControlSection::render);
    connect(uvc, &UVCController::slidersChanged, m_adjustments, &ControlSection::render);
    connect(m_presets.get(), &PresetManager::presetsChanged, this, &MenuBarView::renderPresets);
    connect(m_presets.get(), &PresetManager::lastUsedPresetNameChanged, this, &MenuBarView::renderPresets);
    connect(m_camera.get(), &CameraSessionManager::isRunningChanged, this, &MenuBarView::renderPreview);
    connect(m_camera.get(), &CameraSessionManager::problemChanged, this, &MenuBarView::renderPreview);
}

void MenuBarView::renderCamera()
{
    const QList<UVCDevice> devices = m_uvc->devices();
    const std::optional<UVCDevice> selected = m_uvc->selectedDevice();

    const bool selectedListed = selected && isListed(devices, *selected);
    // A selected camera that went away is named while there is no other to
    // choose; otherwise the picker offers the cameras there are, none of them
    // shown as the one the controls are for.
    const bool offerOthers = selected && !selectedListed && !devices.isEmpty();
    const bool picker = devices.size() >= 2 || offerOthers;
    m_cameraName->setVisible(!picker && selected.has_value());
    m_cameraName->setFullText(selected ? cameraLabel(*selected) : QString());

    m_pickerRow->setVisible(picker);
    const QSignalBlocker quiet(m_picker);
    const QStringList labels = pickerLabels(devices);
    bool sameItems = m_picker->count() == devices.size();
    for (qsizetype i = 0; sameItems && i < devices.size(); ++i) {
        sameItems = m_picker->itemData(int(i)).toString() == devices.at(i).id()
            && m_picker->itemText(int(i)) == labels.at(i);
    }
    if (!sameItems) {
        m_picker->clear();
        for (qsizetype i = 0; i < devices.size(); ++i)
            m_picker->addItem(labels.at(i), devices.at(i).id());
    }
    // Items are told apart by id; an exact match wins when two cameras of
    // the same model share one.
    qsizetype current = 0;
    if (selected) {
        qsizetype exact = devices.indexOf(*selected);
        if (exact < 0) {
            for (qsizetype i = 0; exact < 0 && i < devices.size(); ++i)
                exact = devices.at(i).id() == selected->id() ? i : -1;
        }
        current = qMax<qsizetype>(0, exact);
    }
    m_picker->setCurrentIndex(devices.isEmpty() || offerOthers ? -1 : int(current));
}

void MenuBarView::renderPreview()
{
    if (m_camera->isRunning() && !m_preview) {
        m_preview = new CameraPreviewView(m_camera->session(), m_topColumn);
        m_preview->setObjectName(QStringLiteral("preview"));
        m_preview->setFixedSize(kPreviewSize);
        m_preview->setCornerRadius(kPreviewRadius);
        auto *layout = static_cast<QVBoxLayout *>(m_topColumn->layout());
        layout->insertWidget(layout->indexOf(m_notice), m_preview, 0, Qt::AlignHCenter);
    }
    if (!m_preview)
        return;
    m_preview->setVisible(m_camera->isRunning());
    switch (m_camera->problem()) {
    case PreviewProblem::None:
        m_preview->setCaption(QString());
        break;
    case PreviewProblem::CameraBusy:
        m_preview->setCaption(tr("Camera in use by another application"));
        break;
    case PreviewProblem::CameraUnavailable:
        m_preview->setCaption(tr("Camera not available"));
        break;
    }
}

void MenuBarView::renderNotice()
{
    m_notice->setVisible(!m_uvc->isConnected());
    const std::optional<QString> message = m_uvc->errorMessage();
    m_noticeMessage->setText(message ? UVCController::tr(message->toUtf8().constData()) : tr("Camera not connected"));
}

void MenuBarView::renderPresets()
{
    m_presetsSection->setVisible(m_uvc->isConnected());
    m_presetsSection->render();
    emit trayMenuEntriesChanged();
}

void MenuBarView::selectDevice(const UVCDevice &device)
{
    m_uvc->setSelectedDevice(device);
    m_uvc->checkConnection();
}

void MenuBarView::retry()
{
    m_uvc->checkConnection();
}

void MenuBarView::setLaunchAtLogin(bool on)
{
    const bool done = on ? m_loginItem->registerItem() : m_loginItem->unregisterItem();
    if (!done)
        assignLaunchAtLogin(m_loginItem->isEnabled());
}

void MenuBarView::assignLaunchAtLogin(bool on)
{
    if (on == m_loginSwitch->isChecked())
        return;
    {
        const QSignalBlocker quiet(m_loginSwitch);
        m_loginSwitch->setChecked(on);
    }
    setLaunchAtLogin(on);
}

void MenuBarView::connectionChanged()
{
    const bool connected = m_uvc->isConnected();
    if (connected == m_wasConnected)
        return;
    m_wasConnected = connected;
    reapplyLastUsedPreset(connected);
}

void MenuBarView::systemResumed()
{
    m_resumeChecksLeft = kResumeChecks;
    m_resumeCheck.start();
    checkAfterResume();
}

void MenuBarView::checkAfterResume()
{
    if (m_resumeChecksLeft <= 0) {
        m_resumeCheck.stop();
        return;
    }
    --m_resumeChecksLeft;
    const bool wasConnected = m_uvc->isConnected();
    m_uvc->checkConnection();
    if (!m_uvc->isConnected())
        return;
    m_resumeCheck.stop();
    m_resumeChecksLeft = 0;
    // A camera that came back during the checks was reapplied by the
    // connection rule; one that stayed lost its settings all the same.
    if (wasConnected)
        reapplyLastUsedPreset(true);
}

void MenuBarView::reapplyLastUsedPreset(bool connected)
{
    if (!connected)
        return;
    const std::optional<CameraPreset> preset = m_presets->lastUsedPreset();
    if (!preset)
        return;
    // The new rows are published one event-loop turn after the connection
    // state, so they are in place long before this runs.
    QTimer::singleShot(kReapplyDelayMs, this, [this, values = preset->values] {
        m_uvc->applyValues(values);
    });
}
