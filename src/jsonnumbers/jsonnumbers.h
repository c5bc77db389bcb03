#pragma once

// JSON numbers read exactly. Qt's JSON reader turns every number into a
// double first and rounds it back, so it reads -9223372036854775809 as the
// smallest 64-bit value and 1.0000000000000001 as 1; where a value must be
// exactly a whole number within the signed 64-bit range, read it here.

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace JsonNumbers {

// A JSON number token split into its parts; the value is digits * 10^exponent.
struct NumberToken {
    bool negative = false;
    QByteArray digits;
    qint64 exponent = 0;
};

// Reads one number token of the JSON grammar starting at `pos` and moves
// `pos` past it; absent (with `pos` somewhere inside) when the text there is
// not one. Stops at the first character that cannot continue the token.
std::optional<NumberToken> readNumberToken(const char *&pos, const char *end);

// The token's value when it is exactly a signed 64-bit integer (5.0, 1e2 and
// -0 are); absent for fractions and anything beyond 64 bits.
std::optional<qint64> exactInteger(const NumberToken &token);

// `json` with every number outside strings that is not exactly a signed
// 64-bit integer replaced by null and every other one written in plain
// decimal, so that Qt's reader can no longer round a value into range.
// Everything else, malformed numbers included, is left as it is.
QByteArray exactIntegersOnly(QByteArrayView json);

} // namespace JsonNumbers
