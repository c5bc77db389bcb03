#include "jsonnumbers.h"

#include <limits>

namespace JsonNumbers {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Every character Qt's lenient number reader might take into one number.
bool mayContinueNumber(char c)
{
    return isDigit(c) || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// Moves `pos` past the string that opens there, escapes included; to the end
// when it is never closed.
const char *skipString(const char *pos, const char *end)
{
    for (++pos; pos < end; ++pos) {
        if (*pos == '\\' && pos + 1 < end)
            ++pos;
        else if (*pos == '"')
            return pos + 1;
    }
    return end;
}

} // namespace

std::optional<NumberToken> readNumberToken(const char *&pos, const char *end)
{
    const auto digitAt = [&](const char *p) { return p < end && isDigit(*p); };
    NumberToken token;
    if (pos < end && *pos == '-') {
        token.negative = true;
        ++pos;
    }
    if (!digitAt(pos))
        return std::nullopt;
    if (*pos == '0') {
        ++pos;
    } else {
        while (digitAt(pos))
            token.digits += *pos++;
    }
    if (pos < end && *pos == '.') {
        ++pos;
        if (!digitAt(pos))
            return std::nullopt;
        while (digitAt(pos)) {
            token.digits += *pos++;
            --token.exponent;
        }
    }
    if (pos < end && (*pos == 'e' || *pos == 'E')) {
        ++pos;
        bool negativeExponent = false;
        if (pos < end && (*pos == '+' || *pos == '-'))
            negativeExponent = *pos++ == '-';
        if (!digitAt(pos))
            return std::nullopt;
        // Saturated: any exponent this large already settles the answer.
        qint64 exponent = 0;
        while (digitAt(pos))
            exponent = qMin<qint64>(exponent * 10 + (*pos++ - '0'), 1'000'000);
        token.exponent += negativeExponent ? -exponent : exponent;
    }
    return token;
}

std::optional<qint64> exactInteger(const NumberToken &token)
{
    qsizetype first = 0;
    while (first < token.digits.size() && token.digits.at(first) == '0')
        ++first;
    QByteArray digits = token.digits.mid(first);
    qint64 exponent = token.exponent;
    while (!digits.isEmpty() && digits.endsWith('0')) {
        digits.chop(1);
        ++exponent;
    }
    if (digits.isEmpty())
        return 0;
    if (exponent < 0 || digits.size() + exponent > 19)
        return std::nullopt;

    // At most 19 digits: below 10^19, so it fits an unsigned 64-bit number.
    quint64 magnitude = 0;
    for (char digit : std::as_const(digits))
        magnitude = magnitude * 10 + quint64(digit - '0');
    for (qint64 i = 0; i < exponent; ++i)
        magnitude *= 10;

    constexpr quint64 kLargest = quint64(std::numeric_limits<qint64>::max());
    if (!token.negative)
        return magnitude <= kLargest ? std::optional<qint64>(qint64(magnitude)) : std::nullopt;
    if (magnitude > kLargest + 1)
        return std::nullopt;
    return magnitude == kLargest + 1 ? std::numeric_limits<qint64>::min() : -qint64(magnitude);
}

QByteArray exactIntegersOnly(QByteArrayView json)
{
    const char *pos = json.begin();
    const char *const end = json.end();
    QByteArray out;
    out.reserve(json.size());
    while (pos < end) {
        const char *const start = pos;
        if (*pos == '"') {
            pos = skipString(pos, end);
            out.append(start, pos - start);
            continue;
        }
        if (!mayContinueNumber(*pos) || *pos == 'e' || *pos == 'E') {
            out += *pos++;
            continue;
        }
        // The whole run Qt would read as one number. Anything but a number
        // token exactly as JSON writes it (Qt also takes "1." and ".5", and
        // refuses "01") stays as it was, so that Qt reads or refuses it as before.
        const char *runEnd = pos;
        while (runEnd < end && mayContinueNumber(*runEnd))
            ++runEnd;
        const std::optional<NumberToken> token = readNumberToken(pos, runEnd);
        if (!token || pos != runEnd)
            out.append(start, runEnd - start);
        else if (const std::optional<qint64> value = exactInteger(*token))
            out += QByteArray::number(*value);
        else
            out += "null";
        pos = runEnd;
    }
    return out;
}

} // namespace JsonNumbers
