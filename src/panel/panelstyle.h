#pragma once

#include <QFont>
#include <QPixmap>
#include <QString>

class QColor;
class QLabel;
class QPalette;
class QWidget;

// The panel's text styles, colours and symbols, derived from the application
// font and palette so that they follow the desktop's settings.
namespace PanelStyle {

enum class TextStyle { Title, Title2, Callout, Caption, Body };

// The application font resized for the style (13-point base: 22, 17, 12, 10, 13).
QFont font(TextStyle style, QFont::Weight weight = QFont::Normal);
// Equal-width digits in the callout size, for numbers that change while dragging.
QFont monospacedDigits(TextStyle style);

// The dimmed label colour: window text blended halfway into the background.
QColor secondaryColor(const QPalette &palette);
// The accent colour (the palette's highlight).
QColor accentColor(const QPalette &palette);
// Draws the widget's text in the secondary colour.
void makeSecondary(QWidget *widget);

QLabel *label(const QString &text, TextStyle style, QWidget *parent = nullptr);

// A bundled symbol ("video.slash", "info.circle", "xmark.circle.fill") drawn
// in `color`, as tall as a line of text in `style`.
QPixmap symbol(const QString &name, TextStyle style, const QColor &color, qreal devicePixelRatio);

// "MODES": upper case, caption, semibold, 0.5 extra letter spacing, secondary
// colour, at the leading edge.
QWidget *sectionHeader(const QString &title, QWidget *parent = nullptr);

} // namespace PanelStyle
