#pragma once

// How uvcc-helper reports what went wrong: the documented exit codes, and the
// value-or-failure type every back end and command passes along.

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace uvcc {

// The helper's documented exit codes.
enum class ExitCode : int {
    Ok = 0,
    Failure = 1,      // anything not listed below (I/O error, broken state)
    Usage = 2,        // unknown command or wrong arguments
    NoCamera = 3,     // no camera, or none with that designator
    NoControl = 4,    // unknown control, or one this camera lacks
    BadValue = 5,     // value is not a decimal 64-bit integer
    Refused = 6,      // the camera refused the value (e.g. its automatic mode is on)
    Permission = 7,   // the camera's device node may not be opened
};

struct Failure {
    ExitCode code = ExitCode::Failure;
    std::string message; // one line, for standard error
    int systemError = 0; // the errno behind it, where there is one
};

// A value or the reason there is none.
template <typename T>
class Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Failure failure) : m_failure(std::move(failure)) {}
    explicit operator bool() const { return m_value.has_value(); }
    // value() only when the result holds one; failure() only when it does not.
    const T &value() const { return *m_value; }
    T &value() { return *m_value; }
    const Failure &failure() const { return m_failure; }

private:
    std::optional<T> m_value;
    Failure m_failure;
};

// An argument as a diagnostic shows it: quoted, shortened, and with control
// characters escaped, so that whatever the caller passed the diagnostic stays
// one readable line.
std::string printable(std::string_view text);

} // namespace uvcc
