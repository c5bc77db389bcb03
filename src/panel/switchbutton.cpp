#include "switchbutton.h"

#include "style.h"

#include <QPainter>

namespace {
constexpr int kTrackWidth = 34;
constexpr int kTrackHeight = 20;
constexpr int kKnobInset = 2;
constexpr double kMinimumContrast = 3.05; // 3:1, with room for antialiasing and rounding
}

SwitchButton::SwitchButton(const QString &accessibleName, QWidget *parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setAccessibleName(accessibleName);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize SwitchButton::sizeHint() const
{
    return QSize(kTrackWidth + 4, kTrackHeight + 4);
}

QSize SwitchButton::minimumSizeHint() const
{
    return sizeHint();
}

bool SwitchButton::hitButton(const QPoint &pos) const
{
    return rect().contains(pos);
}

void SwitchButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track(QPointF(0, 0), QSizeF(kTrackWidth, kTrackHeight));
    const QRectF area = QRectF(rect()).adjusted(2, 2, -2, -2);
    const QRectF placed(area.center() - track.center(), track.size());

    // Track against the panel and knob against the track keep 3:1 (non-text
    // contrast) whatever the theme: Mid and Base alone all but vanish in
    // dark ones.
    const QPalette &pal = palette();
    const QColor background = pal.color(QPalette::Window);
    QColor trackColor = isChecked() ? pal.color(QPalette::Highlight) : pal.color(QPalette::Mid);
    if (isDown())
        trackColor = trackColor.darker(115);
    trackColor = Style::withContrast(trackColor, background, kMinimumContrast);
    const QColor knobColor = Style::withContrast(pal.color(QPalette::Base), trackColor, kMinimumContrast);
    painter.setPen(Qt::NoPen);
    painter.setBrush(trackColor);
    painter.drawRoundedRect(placed, kTrackHeight / 2.0, kTrackHeight / 2.0);

    const qreal knob = kTrackHeight - 2 * kKnobInset;
    const qreal x = isChecked() ? placed.right() - kKnobInset - knob : placed.left() + kKnobInset;
    painter.setBrush(knobColor);
    painter.setPen(QPen(pal.color(QPalette::Shadow).lighter(160), 0.5));
    painter.drawEllipse(QRectF(x, placed.top() + kKnobInset, knob, knob));

    if (hasFocus()) {
        QPen ring(pal.color(QPalette::Highlight), 1.5);
        painter.setPen(ring);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(placed.adjusted(-1.5, -1.5, 1.5, 1.5), kTrackHeight / 2.0 + 1.5,
                                kTrackHeight / 2.0 + 1.5);
    }
}
