#include "sliderscale.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {
constexpr qint64 kIntMin = std::numeric_limits<int>::min();
constexpr qint64 kIntMax = std::numeric_limits<int>::max();
}

SliderScale::SliderScale(qint64 min, qint64 max)
    : m_min(std::min(min, max))
    , m_max(std::max(min, max))
{
    m_direct = m_min >= kIntMin && m_max <= kIntMax;
    // Unsigned subtraction is exact for any pair of ordered 64-bit values.
    m_span = quint64(m_max) - quint64(m_min);
    m_steps = std::min<quint64>(m_span, quint64(kIntMax));
}

int SliderScale::sliderMinimum() const
{
    return m_direct ? int(m_min) : 0;
}

int SliderScale::sliderMaximum() const
{
    return m_direct ? int(m_max) : int(m_steps);
}

quint64 SliderScale::offsetAt(int position) const
{
    const quint64 p = quint64(std::clamp<qint64>(position, 0, qint64(m_steps)));
    if (m_steps == m_span)
        return p;
    // floor(span * p / steps) without a 128-bit product: both partial
    // products stay below 2^64 because p and the remainder are below 2^31.
    const quint64 whole = m_span / m_steps;
    const quint64 rest = m_span % m_steps;
    return whole * p + rest * p / m_steps;
}

qint64 SliderScale::fromSlider(int position) const
{
    if (m_direct)
        return std::clamp<qint64>(position, m_min, m_max);
    return qint64(quint64(m_min) + offsetAt(position));
}

int SliderScale::toSlider(qint64 value) const
{
    const qint64 clamped = std::clamp(value, m_min, m_max);
    if (m_direct)
        return int(clamped);
    const quint64 offset = quint64(clamped) - quint64(m_min);
    if (m_steps == m_span)
        return int(offset);
    // Estimate in floating point, then settle on the first position whose
    // value reaches `value`, so that a position read back from the model
    // lands exactly where the user left the handle.
    qint64 p = qint64(static_cast<long double>(offset) / m_span * m_steps);
    p = std::clamp<qint64>(p, 0, qint64(m_steps));
    while (p > 0 && offsetAt(int(p - 1)) >= offset)
        --p;
    while (p < qint64(m_steps) && offsetAt(int(p)) < offset)
        ++p;
    return int(p);
}
