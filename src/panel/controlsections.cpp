#include "controlsections.h"

#include "controlcatalogue.h"
#include "style.h"
#include "panelwidgets.h"
#include "rowsync.h"
#include "switchbutton.h"
#include "uvccontroller.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

using Style::TextStyle;

namespace {

// The header and the column of rows, 16 apart.
QVBoxLayout *sectionColumn(QWidget *section, const QString &title, int rowSpacing)
{
    auto *layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);
    layout->addWidget(sectionHeader(title, section));
    auto *rows = new QWidget(section);
    auto *column = new QVBoxLayout(rows);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(rowSpacing);
    layout->addWidget(rows);
    return column;
}

} // namespace

LabelGroup::LabelGroup(QWidget *parent)
    : QWidget(parent)
    , m_label(Style::label(QString(), TextStyle::Callout, this))
    , m_info(new Style::SymbolLabel(QStringLiteral("info.circle"), Style::symbolSide(TextStyle::Caption),
                                    &Style::secondaryColor, this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(m_label);
    layout->addWidget(m_info);
    m_info->setObjectName(QStringLiteral("infoIcon"));
}

void LabelGroup::setContent(const QString &label, const QString &tooltip)
{
    m_label->setText(translatedControlText(label));
    m_info->setToolTip(translatedControlText(tooltip));
}

ToggleRow::ToggleRow(UVCController &uvc, const CameraToggleControl &control, QWidget *parent)
    : QWidget(parent)
    , m_uvc(uvc)
    , m_labels(new LabelGroup(this))
    , m_switch(new SwitchButton(translatedControlText(control.label), this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_labels);
    layout->addStretch(1);
    layout->addWidget(m_switch);
    setControl(control);
    connect(m_switch, &QAbstractButton::toggled, this,
            [this](bool on) { m_uvc.setToggleValue(m_control, on); });
}

void ToggleRow::setControl(const CameraToggleControl &control)
{
    m_control = control;
    m_labels->setContent(control.label, control.tooltip);
    m_switch->setAccessibleName(translatedControlText(control.label));
    const QSignalBlocker quiet(m_switch);
    m_switch->setChecked(control.value);
}

SliderRow::SliderRow(UVCController &uvc, const CameraSliderControl &control, QWidget *parent)
    : QWidget(parent)
    , m_uvc(uvc)
    , m_scale(control.min, control.max)
    , m_labels(new LabelGroup(this))
    , m_value(new QLabel(this))
    , m_slider(new PanelSlider(this))
{
    auto *line = new QHBoxLayout;
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(m_labels);
    line->addStretch(1);
    line->addWidget(m_value);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addLayout(line);
    layout->addWidget(m_slider);

    m_value->setObjectName(QStringLiteral("valueText"));
    m_value->setFont(Style::monospacedDigits(TextStyle::Callout));
    m_value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette accent = m_value->palette();
    accent.setColor(QPalette::WindowText, Style::accentColor(accent));
    m_value->setPalette(accent);

    setControl(control);
    connect(m_slider, &QSlider::valueChanged, this, &SliderRow::sliderMoved);
}

void SliderRow::setControl(const CameraSliderControl &control)
{
    m_control = control;
    m_labels->setContent(control.label, control.tooltip);
    m_slider->setAccessibleName(translatedControlText(control.label));
    m_value->setText(QString::number(control.value));

    const QSignalBlocker quiet(m_slider);
    m_scale = SliderScale(control.min, control.max);
    m_slider->setRange(m_scale.sliderMinimum(), m_scale.sliderMaximum());
    m_slider->setSingleStep(m_scale.isDirect() ? int(std::clamp<qint64>(control.step, 1, INT_MAX)) : 1);
    m_slider->setValue(m_scale.toSlider(control.value));
}

void SliderRow::sliderMoved(int position)
{
    m_uvc.setSliderValue(m_control, m_scale.fromSlider(position));
}

ControlSection::ControlSection(const QString &objectName, const QString &title, int rowSpacing,
                               QWidget *parent)
    : QWidget(parent)
    , m_column(sectionColumn(this, title, rowSpacing))
{
    setObjectName(objectName);
}

ControlSection *ControlSection::modes(UVCController &uvc, QWidget *parent)
{
    auto *section = new ControlSection(QStringLiteral("modesSection"), tr("Modes"), 8, parent);
    section->showRowsOf<ToggleRow>(uvc, &UVCController::toggles);
    return section;
}

ControlSection *ControlSection::adjustments(UVCController &uvc, QWidget *parent)
{
    auto *section = new ControlSection(QStringLiteral("adjustmentsSection"), tr("Adjustments"), 14, parent);
    section->showRowsOf<SliderRow>(uvc, &UVCController::sliders);
    return section;
}

template <typename Row, typename Control>
void ControlSection::showRowsOf(UVCController &uvc, QList<Control> (UVCController::*list)() const)
{
    m_sync = [this, &uvc, list, rows = QList<Row *>()]() mutable {
        const QList<Control> controls = (uvc.*list)();
        syncRows(
            rows, m_column, controls, [](const Control &c) { return c.id; },
            [this, &uvc](const Control &c) { return new Row(uvc, c, this); },
            [](Row *row, const Control &c) { row->setControl(c); });
        return !controls.isEmpty();
    };
}

void ControlSection::render()
{
    setVisible(m_sync());
}
