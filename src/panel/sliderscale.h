#pragma once

#include <QtGlobal>

// Maps a control's 64-bit range onto a QSlider's int range. Ranges that fit
// in an int are used as they are, so the slider's own value (and what a
// screen reader announces) is the camera's value. Wider ranges are shifted
// to start at 0 and, beyond INT_MAX steps, scaled down; a value never wraps.
class SliderScale {
public:
    // Bounds given the wrong way round are swapped.
    SliderScale(qint64 min, qint64 max);

    // True when slider positions are the control's own values.
    bool isDirect() const { return m_direct; }
    int sliderMinimum() const;
    int sliderMaximum() const;
    // The slider position that shows `value`; values outside the range show
    // at the nearest end.
    int toSlider(qint64 value) const;
    // The control value at a slider position, truncated toward the minimum.
    qint64 fromSlider(int position) const;

private:
    quint64 offsetAt(int position) const;

    qint64 m_min;
    qint64 m_max;
    bool m_direct;
    quint64 m_span;  // max - min, exact
    quint64 m_steps; // slider positions above 0, at most INT_MAX
};
