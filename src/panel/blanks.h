#pragma once

#include <QString>

// The blank set used for preset names: Unicode space separators and tab.
// Line breaks are not blanks, so a name may start or end with one (unlike
// QString::trimmed(), which strips them too).
bool isBlank(QChar ch);
QString trimmedBlanks(const QString &text);
