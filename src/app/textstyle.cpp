#include "textstyle.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>

namespace {

double pointsOnThirteenPointBase(TextStyle style)
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

} // namespace

QFont textStyleFont(TextStyle style)
{
    QFont font = QApplication::font();
    const double scale = pointsOnThirteenPointBase(style) / 13.0;
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * scale);
    else if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, int(font.pixelSize() * scale + 0.5)));
    return font;
}

QColor accentColour(const QPalette &palette)
{
    return palette.color(QPalette::Highlight);
}

QColor secondaryColour(const QPalette &palette)
{
    const QColor text = palette.color(QPalette::WindowText);
    const QColor background = palette.color(QPalette::Window);
    constexpr double kTextShare = 0.6;
    return QColor::fromRgbF(text.redF() * kTextShare + background.redF() * (1 - kTextShare),
                            text.greenF() * kTextShare + background.greenF() * (1 - kTextShare),
                            text.blueF() * kTextShare + background.blueF() * (1 - kTextShare));
}

QPixmap tintedSymbol(const QString &resource, int pixelSize, const QColor &colour, qreal devicePixelRatio)
{
    QPixmap pixmap = QIcon(resource).pixmap(QSize(pixelSize, pixelSize), devicePixelRatio);
    if (pixmap.isNull())
        return pixmap;
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), colour);
    return pixmap;
}
