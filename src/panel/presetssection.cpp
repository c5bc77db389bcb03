#include "presetssection.h"

#include "blanks.h"
#include "style.h"
#include "panelwidgets.h"
#include "presetmanager.h"
#include "rowsync.h"
#include "uvccontroller.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

using Style::TextStyle;

PresetRow::PresetRow(const CameraPreset &preset, bool emphasised, QWidget *parent)
    : QWidget(parent)
    , m_name(new ElidedLabel(this))
    , m_update(new PanelButton(tr("Update"), PanelButton::Size::Small, this))
    , m_load(new PanelButton(tr("Load"), PanelButton::Size::Small, this))
    , m_delete(new QToolButton(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 2);
    layout->addWidget(m_name, 1);
    layout->addWidget(m_update);
    layout->addWidget(m_load);
    layout->addWidget(m_delete);

    m_name->setObjectName(QStringLiteral("presetName"));
    m_update->setObjectName(QStringLiteral("update"));
    m_load->setObjectName(QStringLiteral("load"));
    m_delete->setObjectName(QStringLiteral("delete"));
    m_delete->setAutoRaise(true);
    m_delete->setFocusPolicy(Qt::StrongFocus);
    m_delete->setCursor(Qt::PointingHandCursor);
    m_delete->setIcon(Style::symbolIcon(QStringLiteral("xmark.circle.fill"), TextStyle::Callout,
                                        Style::secondaryColor(palette())));
    const int side = Style::symbolSide(TextStyle::Callout);
    m_delete->setIconSize(QSize(side, side));

    connect(m_update, &QPushButton::clicked, this, [this] { emit updateRequested(m_preset); });
    connect(m_load, &QPushButton::clicked, this, [this] { emit loadRequested(m_preset); });
    connect(m_delete, &QToolButton::clicked, this, [this] { emit deleteRequested(m_preset); });
    setPreset(preset, emphasised);
}

void PresetRow::setPreset(const CameraPreset &preset, bool emphasised)
{
    m_preset = preset;
    m_name->setFont(Style::font(TextStyle::Callout, emphasised ? QFont::DemiBold : QFont::Normal));
    m_name->setFullText(preset.name);
    m_update->setAccessibleName(tr("Update %1").arg(preset.name));
    m_load->setAccessibleName(tr("Load %1").arg(preset.name));
    m_delete->setAccessibleName(tr("Delete %1").arg(preset.name));
}

PresetsSection::PresetsSection(UVCController &uvc, PresetManager &presets, QWidget *parent)
    : QWidget(parent)
    , m_uvc(uvc)
    , m_presets(presets)
    , m_name(new QLineEdit(this))
    , m_save(new PanelButton(tr("Save"), PanelButton::Size::Regular, this))
    , m_reset(new PanelButton(tr("Reset"), PanelButton::Size::Regular, this))
    , m_rowsBox(new QWidget(this))
    , m_rowsColumn(new QVBoxLayout(m_rowsBox))
    , m_empty(Style::label(tr("No saved presets"), TextStyle::Caption, this))
    , m_notSaved(Style::label(tr("Could not save presets"), TextStyle::Caption, this))
{
    setObjectName(QStringLiteral("presetsSection"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);
    layout->addWidget(sectionHeader(tr("Presets"), this));

    auto *column = new QVBoxLayout;
    column->setSpacing(8);
    auto *entry = new QHBoxLayout;
    entry->setSpacing(6);
    entry->addWidget(m_name, 1);
    entry->addWidget(m_save);
    entry->addWidget(m_reset);
    column->addLayout(entry);
    column->addWidget(m_rowsBox);
    column->addWidget(m_empty);
    column->addWidget(m_notSaved);
    layout->addLayout(column);

    m_name->setObjectName(QStringLiteral("presetNameField"));
    m_name->setAccessibleName(tr("Preset name"));
    m_name->setPlaceholderText(tr("Preset name\u2026"));
    m_name->setFont(Style::font(TextStyle::Callout));
    m_name->setClearButtonEnabled(false);
    m_save->setObjectName(QStringLiteral("save"));
    m_reset->setObjectName(QStringLiteral("reset"));
    m_rowsColumn->setContentsMargins(0, 0, 0, 0);
    m_rowsColumn->setSpacing(8);
    m_empty->setObjectName(QStringLiteral("noPresets"));
    Style::makeSecondary(m_empty);
    m_notSaved->setObjectName(QStringLiteral("presetsNotSaved"));
    Style::makeSecondary(m_notSaved);
    m_notSaved->setVisible(m_presets.saveFailed());

    // Return in the field deliberately does nothing: a half-typed name must
    // not be stored by accident.
    connect(m_name, &QLineEdit::textChanged, this, &PresetsSection::updateSaveEnabled);
    connect(m_save, &QPushButton::clicked, this, &PresetsSection::saveCurrentPreset);
    connect(m_reset, &QPushButton::clicked, this, [this] { m_uvc.loadControls(); });
    // Without it the list would look stored while it is gone at the next start.
    connect(&m_presets, &PresetManager::saveFailedChanged, this,
            [this] { m_notSaved->setVisible(m_presets.saveFailed()); });
    updateSaveEnabled();
}

void PresetsSection::render()
{
    const QList<CameraPreset> presets = m_presets.presets();
    const std::optional<QString> lastUsed = m_presets.lastUsedPresetName();
    auto emphasised = [&lastUsed](const CameraPreset &p) {
        return lastUsed && presetNamesEqual(p.name, *lastUsed);
    };
    auto make = [this, &emphasised](const CameraPreset &p) {
        auto *row = new PresetRow(p, emphasised(p), m_rowsBox);
        connect(row, &PresetRow::updateRequested, this, [this](const CameraPreset &preset) {
            m_presets.updatePreset(preset.name, m_uvc.currentValues());
        });
        connect(row, &PresetRow::loadRequested, this, &PresetsSection::applyPreset);
        connect(row, &PresetRow::deleteRequested, this,
                [this](const CameraPreset &preset) { m_presets.deletePreset(preset); });
        return row;
    };
    syncRows(
        m_rows, m_rowsColumn, presets, [](const CameraPreset &p) { return p.id(); }, make,
        [&emphasised](PresetRow *row, const CameraPreset &p) { row->setPreset(p, emphasised(p)); });
    m_rowsBox->setVisible(!presets.isEmpty());
    m_empty->setVisible(presets.isEmpty());
}

void PresetsSection::saveCurrentPreset()
{
    const QString name = m_name->text();
    if (trimmedBlanks(name).isEmpty())
        return;
    m_presets.savePreset(name, m_uvc.currentValues());
    recordLastUsedPreset(m_presets, name);
    m_name->clear();
}

void PresetsSection::applyPreset(const CameraPreset &preset)
{
    m_uvc.applyValues(preset.values);
    recordLastUsedPreset(m_presets, preset.name);
}

void PresetsSection::updateSaveEnabled()
{
    m_save->setEnabled(!trimmedBlanks(m_name->text()).isEmpty());
}
