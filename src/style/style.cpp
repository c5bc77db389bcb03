#include "style.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

namespace Style {

namespace {

qreal points(TextStyle style)
{
    switch (style) {
    case TextStyle::LargeTitle: return 26;
    case TextStyle::Title: return 22;
    case TextStyle::Title2: return 17;
    case TextStyle::Body: return 13;
    case TextStyle::Callout: return 12;
    case TextStyle::Subheadline: return 11;
    case TextStyle::Caption: return 10;
    }
    return 13;
}

QFont resized(QFont base, TextStyle style)
{
    const qreal factor = points(style) / 13.0;
    if (base.pointSizeF() > 0)
        base.setPointSizeF(base.pointSizeF() * factor);
    else if (base.pixelSize() > 0)
        base.setPixelSize(qMax(1, qRound(base.pixelSize() * factor)));
    return base;
}

} // namespace

QFont font(TextStyle style, QFont::Weight weight)
{
    QFont f = resized(QApplication::font(), style);
    f.setWeight(weight);
    return f;
}

QFont monospacedDigits(TextStyle style)
{
    // Qt 6.4 offers no tabular-figures feature switch, so the fixed-pitch
    // system font stands in; it keeps the value text from jittering.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFont sized = font(style);
    if (sized.pointSizeF() > 0)
        fixed.setPointSizeF(sized.pointSizeF());
    else
        fixed.setPixelSize(sized.pixelSize());
    return fixed;
}

QColor secondaryColor(const QPalette &palette)
{
    const QColor text = palette.color(QPalette::WindowText);
    const QColor back = palette.color(QPalette::Window);
    return QColor::fromRgbF((text.redF() + back.redF()) / 2, (text.greenF() + back.greenF()) / 2,
                            (text.blueF() + back.blueF()) / 2);
}

QColor accentColor(const QPalette &palette)
{
    return palette.color(QPalette::Highlight);
}

namespace {

double relativeLuminance(const QColor &colour)
{
    const auto linear = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

QColor mixed(const QColor &from, const QColor &to, double t)
{
    const QColor a = from.toRgb();
    const QColor b = to.toRgb();
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t), a.alphaF());
}

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor withContrast(const QColor &colour, const QColor &against, double ratio)
{
    if (contrastRatio(colour, against) >= ratio)
        return colour;
    const QColor white(Qt::white);
    const QColor black(Qt::black);
    const QColor extreme = contrastRatio(white, against) >= contrastRatio(black, against) ? white : black;
    // Contrast grows steadily on the way to the extreme: halve the interval
    // until the least move that reaches the ratio is found.
    double low = 0;
    double high = 1;
    for (int i = 0; i < 20; ++i) {
        const double middle = (low + high) / 2;
        (contrastRatio(mixed(colour, extreme, middle), against) >= ratio ? high : low) = middle;
    }
    return mixed(colour, extreme, high);
}

void makeSecondary(QWidget *widget)
{
    QPalette palette = widget->palette();
    const QColor dimmed = secondaryColor(palette);
    palette.setColor(QPalette::WindowText, dimmed);
    palette.setColor(QPalette::ButtonText, dimmed);
    palette.setColor(QPalette::Text, dimmed);
    widget->setPalette(palette);
}

QLabel *label(const QString &text, TextStyle style, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setFont(font(style));
    l->setTextFormat(Qt::PlainText);
    return l;
}

QPixmap symbol(const QString &name, int side, const QColor &color, qreal devicePixelRatio)
{
    QPixmap pixmap(QSize(side, side) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/lumarel/symbols/%1.svg").arg(name));
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(0, 0, side, side));
    // The drawings are single-colour shapes; tint them to follow the palette.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(0, 0, side, side), color);
    return pixmap;
}

QPixmap symbol(const QString &name, TextStyle style, const QColor &color, qreal devicePixelRatio)
{
    return symbol(name, symbolSide(style), color, devicePixelRatio);
}

int symbolSide(TextStyle style)
{
    return QFontInfo(font(style)).pixelSize() + 2;
}

QIcon symbolIcon(const QString &name, TextStyle style, const QColor &color)
{
    QIcon icon;
    for (qreal ratio : {1.0, 2.0, 3.0})
        icon.addPixmap(symbol(name, style, color, ratio));
    return icon;
}

SymbolLabel::SymbolLabel(const QString &name, int side, Colour colour, QWidget *parent)
    : QLabel(parent)
    , m_name(name)
    , m_side(side)
    , m_colour(colour)
{
    render();
}

void SymbolLabel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange) {
        m_stale = true;
        update();
    }
    QLabel::changeEvent(event);
}

void SymbolLabel::paintEvent(QPaintEvent *event)
{
    // Qt 6.4 tells a widget of no scale change; the ratio it paints at does.
    if (m_stale || !qFuzzyCompare(m_ratio, devicePixelRatioF()))
        render();
    QLabel::paintEvent(event);
}

void SymbolLabel::render()
{
    m_ratio = devicePixelRatioF();
    m_stale = false;
    setPixmap(symbol(m_name, m_side, m_colour(palette()), m_ratio));
}

} // namespace Style
