// The reader of the stored preset list. Written by hand because QJsonDocument
// rounds every number through a double (jsonnumbers.h), where this document
// must refuse anything that is not exactly a whole number within the signed
// 64-bit range.
#include "camerapreset.h"

#include "jsonnumbers.h"

#include <QStringDecoder>

#include <algorithm>
#include <cctype>

namespace {

using JsonNumbers::exactInteger;
using JsonNumbers::NumberToken;
using JsonNumbers::readNumberToken;

class DocumentReader {
public:
    explicit DocumentReader(const QByteArray &text)
        : m_pos(text.constData())
        , m_end(text.constData() + text.size())
    {
    }

    std::optional<QList<CameraPreset>> document();

private:
    // Deep enough for any hand-edited extra member, shallow enough for the stack.
    static constexpr int kMaxDepth = 200;

    void skipSpace();
    bool consume(char c);
    bool atEnd();
    bool next(char c);

    std::optional<CameraPreset> preset();
    std::optional<QMap<QString, qint64>> values();
    std::optional<QString> string();
    bool appendUtf8(QString &out, const char *from, const char *to);
    bool appendEscape(QString &out);
    std::optional<qint64> wholeNumber();
    bool skipValue(int depth);

    const char *m_pos;
    const char *m_end;
};

void DocumentReader::skipSpace()
{
    while (m_pos < m_end && (*m_pos == ' ' || *m_pos == '\t' || *m_pos == '\n' || *m_pos == '\r'))
        ++m_pos;
}

bool DocumentReader::consume(char c)
{
    skipSpace();
    if (m_pos < m_end && *m_pos == c) {
        ++m_pos;
        return true;
    }
    return false;
}

bool DocumentReader::atEnd()
{
    skipSpace();
    return m_pos == m_end;
}

bool DocumentReader::next(char c)
{
    skipSpace();
    return m_pos < m_end && *m_pos == c;
}

std::optional<QList<CameraPreset>> DocumentReader::document()
{
    // Editors may put a byte order mark in front.
    if (m_end - m_pos >= 3 && QByteArrayView(m_pos, 3) == "\xEF\xBB\xBF")
        m_pos += 3;
    if (!consume('['))
        return std::nullopt;
    QList<CameraPreset> presets;
    if (!consume(']')) {
        do {
            std::optional<CameraPreset> element = preset();
            if (!element)
                return std::nullopt;
            presets.append(std::move(*element));
        } while (consume(','));
        if (!consume(']'))
            return std::nullopt;
    }
    if (!atEnd())
        return std::nullopt;
    return presets;
}

// Members may come in any order and others are ignored; a repeated member
// counts with its last value, as in the JSON readers we replace.
std::optional<CameraPreset> DocumentReader::preset()
{
    if (!consume('{'))
        return std::nullopt;
    std::optional<QString> name;
    std::optional<QMap<QString, qint64>> values;
    if (!consume('}')) {
        do {
            const std::optional<QString> key = string();
            if (!key || !consume(':'))
                return std::nullopt;
            if (*key == QLatin1StringView(CameraPreset::CodingKeys::name)) {
                if (!next('"') || !(name = string()))
                    return std::nullopt;
            } else if (*key == QLatin1StringView(CameraPreset::CodingKeys::values)) {
                if (!(values = this->values()))
                    return std::nullopt;
            } else if (!skipValue(1)) {
                return std::nullopt;
            }
        } while (consume(','));
        if (!consume('}'))
            return std::nullopt;
    }
    if (!name || !values)
        return std::nullopt;
    return CameraPreset{*name, *values};
}

std::optional<QMap<QString, qint64>> DocumentReader::values()
{
    if (!consume('{'))
        return std::nullopt;
    QMap<QString, qint64> result;
    if (consume('}'))
        return result;
    do {
        const std::optional<QString> key = string();
        if (!key || !consume(':'))
            return std::nullopt;
        const std::optional<qint64> value = wholeNumber();
        if (!value)
            return std::nullopt;
        result.insert(*key, *value);
    } while (consume(','));
    if (!consume('}'))
        return std::nullopt;
    return result;
}

std::optional<qint64> DocumentReader::wholeNumber()
{
    skipSpace();
    const std::optional<NumberToken> token = readNumberToken(m_pos, m_end);
    if (!token)
        return std::nullopt;
    return exactInteger(*token);
}

std::optional<QString> DocumentReader::string()
{
    if (!consume('"'))
        return std::nullopt;
    QString out;
    const char *run = m_pos;
    while (m_pos < m_end) {
        const unsigned char c = static_cast<unsigned char>(*m_pos);
        if (c == '"') {
            if (!appendUtf8(out, run, m_pos))
                return std::nullopt;
            ++m_pos;
            return out;
        }
        if (c < 0x20)
            return std::nullopt;
        if (c == '\\') {
            if (!appendUtf8(out, run, m_pos))
                return std::nullopt;
            ++m_pos;
            if (!appendEscape(out))
                return std::nullopt;
            run = m_pos;
            continue;
        }
        ++m_pos;
    }
    return std::nullopt;
}

bool DocumentReader::appendUtf8(QString &out, const char *from, const char *to)
{
    if (from == to)
        return true;
    // Without ConvertInitialBom the decoder drops a U+FEFF that opens a run,
    // and a name beginning with one would lose it.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    out += decoder(QByteArrayView(from, to - from));
    return !decoder.hasError();
}

bool DocumentReader::appendEscape(QString &out)
{
    if (m_pos >= m_end)
        return false;
    switch (*m_pos++) {
    case '"': out += u'"'; return true;
    case '\\': out += u'\\'; return true;
    case '/': out += u'/'; return true;
    case 'b': out += u'\b'; return true;
    case 'f': out += u'\f'; return true;
    case 'n': out += u'\n'; return true;
    case 'r': out += u'\r'; return true;
    case 't': out += u'\t'; return true;
    case 'u': break;
    default: return false;
    }
    if (m_end - m_pos < 4)
        return false;
    bool ok = false;
    // Lone surrogates are kept as they are: the writer escapes them again.
    const uint unit = QByteArray(m_pos, 4).toUInt(&ok, 16);
    if (!ok || !std::all_of(m_pos, m_pos + 4, [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
        return false;
    m_pos += 4;
    out += QChar(char16_t(unit));
    return true;
}

bool DocumentReader::skipValue(int depth)
{
    if (depth > kMaxDepth)
        return false;
    skipSpace();
    if (m_pos >= m_end)
        return false;
    switch (*m_pos) {
    case '"':
        return bool(string());
    case '{':
        ++m_pos;
        if (consume('}'))
            return true;
        do {
            if (!string() || !consume(':') || !skipValue(depth + 1))
                return false;
        } while (consume(','));
        return consume('}');
    case '[':
        ++m_pos;
        if (consume(']'))
            return true;
        do {
            if (!skipValue(depth + 1))
                return false;
        } while (consume(','));
        return consume(']');
    default:
        break;
    }
    for (const QByteArrayView literal : {QByteArrayView("true"), QByteArrayView("false"), QByteArrayView("null")}) {
        if (QByteArrayView(m_pos, qMin<qsizetype>(m_end - m_pos, literal.size())) == literal) {
            m_pos += literal.size();
            return true;
        }
    }
    return bool(readNumberToken(m_pos, m_end));
}

} // namespace

std::optional<QList<CameraPreset>> decodePresetDocument(const QByteArray &document)
{
    return DocumentReader(document).document();
}
