#include "camerapreset.h"

#include <QStringView>

bool presetNamesEqual(const QString &a, const QString &b)
{
    if (a == b)
        return true;
    return a.normalized(QString::NormalizationForm_C) == b.normalized(QString::NormalizationForm_C);
}

namespace {

// Written by hand, like the reader, so that the bytes, the member order and
// the 64-bit integers are exactly ours and do not change with the Qt version.
// Lone surrogates are escaped, so that any QString comes back unchanged.
void appendJsonString(QByteArray &out, const QString &text)
{
    static const char hex[] = "0123456789abcdef";
    const auto escapeUnit = [&out](char16_t unit) {
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4)
            out += hex[(unit >> shift) & 0xf];
    };

    out += '"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        switch (unit) {
        case u'"': out += "\\\""; continue;
        case u'\\': out += "\\\\"; continue;
        case u'\b': out += "\\b"; continue;
        case u'\f': out += "\\f"; continue;
        case u'\n': out += "\\n"; continue;
        case u'\r': out += "\\r"; continue;
        case u'\t': out += "\\t"; continue;
        default: break;
        }
        if (unit < 0x20) {
            escapeUnit(unit);
        } else if (QChar::isHighSurrogate(unit) && i + 1 < text.size()
                   && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            out += QStringView(text).mid(i, 2).toUtf8();
            ++i;
        } else if (QChar::isSurrogate(unit)) {
            escapeUnit(unit);
        } else {
            out += QStringView(&text.constData()[i], 1).toUtf8();
        }
    }
    out += '"';
}

} // namespace

QByteArray encodePresetDocument(const QList<CameraPreset> &presets)
{
    QByteArray out = "[";
    for (qsizetype i = 0; i < presets.size(); ++i) {
        if (i > 0)
            out += ',';
        out += '{';
        appendJsonString(out, QString::fromLatin1(CameraPreset::CodingKeys::name));
        out += ':';
        appendJsonString(out, presets.at(i).name);
        out += ',';
        appendJsonString(out, QString::fromLatin1(CameraPreset::CodingKeys::values));
        out += ":{";
        const QMap<QString, qint64> &values = presets.at(i).values;
        for (auto it = values.begin(); it != values.end(); ++it) {
            if (it != values.begin())
                out += ',';
            appendJsonString(out, it.key());
            out += ':';
            out += QByteArray::number(it.value());
        }
        out += "}}";
    }
    out += ']';
    return out;
}
