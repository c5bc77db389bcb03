#pragma once

#include "cameracontrols.h"
#include "sliderscale.h"

#include <QList>
#include <QWidget>
#include <functional>

class QLabel;
class QSlider;
class QVBoxLayout;
class SwitchButton;
class UVCController;

// The control's label and the info icon whose tooltip explains it.
class LabelGroup : public QWidget {
    Q_OBJECT

public:
    explicit LabelGroup(QWidget *parent = nullptr);
    void setContent(const QString &label, const QString &tooltip);

private:
    QLabel *m_label;
    QLabel *m_info;
};

// One switch per on/off control. Rows keep a copy of their list entry and
// hand that copy to the controller.
class ToggleRow : public QWidget {
    Q_OBJECT

public:
    ToggleRow(UVCController &uvc, const CameraToggleControl &control, QWidget *parent = nullptr);
    QString id() const { return m_control.id; }
    void setControl(const CameraToggleControl &control);

private:
    UVCController &m_uvc;
    CameraToggleControl m_control;
    LabelGroup *m_labels;
    SwitchButton *m_switch;
};

// One slider per ranged control, with its value as text above it.
class SliderRow : public QWidget {
    Q_OBJECT

public:
    SliderRow(UVCController &uvc, const CameraSliderControl &control, QWidget *parent = nullptr);
    QString id() const { return m_control.id; }
    void setControl(const CameraSliderControl &control);

private:
    void sliderMoved(int position);

    UVCController &m_uvc;
    CameraSliderControl m_control;
    SliderScale m_scale;
    LabelGroup *m_labels;
    QLabel *m_value;
    QSlider *m_slider;
};

// "Modes" (switches) or "Adjustments" (sliders): a section header over a
// column of rows, one per entry of the controller's list. Rows are updated in
// place while the set of control ids stays the same, so a slider under the
// mouse survives every value change.
class ControlSection : public QWidget {
    Q_OBJECT

public:
    // "Modes": one switch row per entry of uvc.toggles(), 8 apart.
    static ControlSection *modes(UVCController &uvc, QWidget *parent = nullptr);
    // "Adjustments": one slider row per entry of uvc.sliders(), 14 apart.
    static ControlSection *adjustments(UVCController &uvc, QWidget *parent = nullptr);

    // Brings the rows in line with the controller's list; the section is
    // hidden while the list is empty.
    void render();

private:
    ControlSection(const QString &objectName, const QString &title, int rowSpacing, QWidget *parent);
    template <typename Row, typename Control>
    void showRowsOf(UVCController &uvc, QList<Control> (UVCController::*list)() const);

    QVBoxLayout *m_column;
    // Syncs the rows and tells whether there are any.
    std::function<bool()> m_sync;
};
