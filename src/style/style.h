#pragma once

#include <QLabel>

#include <QFont>
#include <QPixmap>
#include <QString>

class QColor;
class QLabel;
class QPalette;
class QWidget;

// The text styles, colours and symbols that the panel and the welcome window
// share, derived from the application font and palette so that they follow
// the desktop's settings.
namespace Style {

enum class TextStyle { LargeTitle, Title, Title2, Body, Callout, Subheadline, Caption };

// The application font resized for the style (13-point base: 26, 22, 17, 13,
// 12, 11, 10).
QFont font(TextStyle style, QFont::Weight weight = QFont::Normal);
// Equal-width digits in the style's size, for numbers that change while dragging.
QFont monospacedDigits(TextStyle style);

// The dimmed label colour: window text blended halfway into the background.
QColor secondaryColor(const QPalette &palette);
// The accent colour (the palette's highlight).
QColor accentColor(const QPalette &palette);
// The contrast ratio of two colours as WCAG 2.1 defines it, 1 to 21.
double contrastRatio(const QColor &a, const QColor &b);
// `colour`, moved toward black or white (whichever lies farther from
// `against`) only as far as it takes to reach `ratio` against it.
QColor withContrast(const QColor &colour, const QColor &against, double ratio);
// Draws the widget's text in the secondary colour.
void makeSecondary(QWidget *widget);

// A plain-text label in the style's font.
QLabel *label(const QString &text, TextStyle style, QWidget *parent = nullptr);

// A bundled symbol ("video.fill", "video.slash", "info.circle",
// "xmark.circle.fill") drawn in `color`, `side` pixels square.
QPixmap symbol(const QString &name, int side, const QColor &color, qreal devicePixelRatio);
// The same, as tall as a line of text in `style`.
QPixmap symbol(const QString &name, TextStyle style, const QColor &color, qreal devicePixelRatio);
// The side of a symbol as tall as a line of text in `style`.
int symbolSide(TextStyle style);
// A symbol as an icon, sharp at 1x, 2x and 3x (a tool button's, say).
QIcon symbolIcon(const QString &name, TextStyle style, const QColor &color);

// A symbol in a label, drawn for the screen it is on: again when its window
// moves to a screen of another scale, and when the palette changes (a dark
// theme switched on). `colour` picks its colour from the palette.
class SymbolLabel : public QLabel {
public:
    using Colour = QColor (*)(const QPalette &);
    SymbolLabel(const QString &name, int side, Colour colour, QWidget *parent = nullptr);

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void render();

    QString m_name;
    int m_side;
    Colour m_colour;
    qreal m_ratio = 0;
    bool m_stale = false;
};

} // namespace Style
