#include "blanks.h"

bool isBlank(QChar ch)
{
    // Every space separator lies in the Basic Multilingual Plane, so looking
    // at single UTF-16 units is enough.
    return ch == QLatin1Char('\t') || ch.category() == QChar::Separator_Space;
}

QString trimmedBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}
