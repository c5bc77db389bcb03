// uvcc-helper's command line comes from whoever starts it. Any argument list
// must end in a documented exit code with output only on success and each
// diagnostic on a line of its own; the value a simulated camera stores for
// any accepted number must stay inside the control's range.
#include "commands.h"
#include "simulatedbackend.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

using namespace uvcc;

namespace {

constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

ControlInfo ranged(const char *name, int64_t min, int64_t max, int64_t step)
{
    return ControlInfo{name, ControlType::Integer, min, max, step, min, min, false, {}};
}

// Two cameras with controls at the edges of the 64-bit range, answering
// from memory so that each input costs no file or device access.
class MemoryBackend final : public CameraBackend {
public:
    std::vector<ControlInfo> list = {
        ranged("brightness", kMin, kMax, 1),
        ranged("contrast", kMax, kMin, 7),       // inverted range
        ranged("gain", -3, 3, kMax),             // step wider than the range
        ranged("hue", 0, 0, 0),                  // no step at all
        ranged("gamma", kMin, kMin + 10, -5),    // negative step
        ControlInfo{"auto_exposure_mode", ControlType::Menu, 1, 8, 1, 8, 8, false, {1, 8}},
    };

    Result<std::vector<CameraInfo>> cameras() override
    {
        return std::vector<CameraInfo>{{"fe1a", "0c01", "One", "Maker", "a"},
                                       {"FE2B", "0102", "Two\n\"quoted\"", "", "b"}};
    }
    Result<std::vector<ControlInfo>> controls(const CameraInfo &) override { return list; }
    std::optional<Failure> setControl(const CameraInfo &, const std::string &name, int64_t value) override
    {
        for (const ControlInfo &control : list) {
            if (control.name != name)
                continue;
            const std::optional<int64_t> stored = acceptedValue(control, value);
            if (stored && control.type != ControlType::Menu
                && (*stored < std::min(control.min, control.max) || *stored > std::max(control.min, control.max)))
                std::abort();
        }
        return std::nullopt;
    }
};

bool hasStrayLineBreak(const std::string &diagnostics)
{
    // Every line ends with '\n' and starts with the program's name.
    std::size_t start = 0;
    while (start < diagnostics.size()) {
        const std::size_t end = diagnostics.find('\n', start);
        if (end == std::string::npos || diagnostics.compare(start, 12, "uvcc-helper:") != 0)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

// Arguments are separated by NUL bytes, as they arrive in argv.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<std::string> args;
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    if (size > 0)
        args.push_back(current);

    MemoryBackend backend;
    const Outcome outcome = runCommand(args, backend);
    const int code = static_cast<int>(outcome.code);
    if (code < 0 || code > 7)
        std::abort();
    if (outcome.code != ExitCode::Ok && !outcome.out.empty())
        std::abort();
    if (hasStrayLineBreak(outcome.err))
        std::abort();

    // The value parser alone: it takes digits with an optional leading minus
    // and nothing else, and its result prints back to the same number.
    if (!args.empty()) {
        const std::string &text = args.back();
        if (const std::optional<int64_t> value = parseValue(text)) {
            const std::size_t digits = text.find_first_not_of('-');
            if (digits > 1 || text.find_first_not_of("0123456789", digits) != std::string::npos
                || parseValue(std::to_string(*value)) != value)
                std::abort();
        }
    }
    return 0;
}
