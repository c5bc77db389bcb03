#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QPixmap>

// Text styles derived from the application font, so they follow the user's
// font size: a 13-point base gives the sizes the layouts were drawn for.
enum class TextStyle { LargeTitle, Title, Title2, Body, Callout, Subheadline, Caption };

QFont textStyleFont(TextStyle style);

// The colour that marks the application (the palette's highlight).
QColor accentColour(const QPalette &palette);
// Dimmed text: between the text and the background.
QColor secondaryColour(const QPalette &palette);

// A one-colour symbol from an SVG resource, painted in `colour`.
QPixmap tintedSymbol(const QString &resource, int pixelSize, const QColor &colour, qreal devicePixelRatio);
