#pragma once

// The commands of uvcc-helper. Everything here but runCommand() is a pure
// function of its arguments, so that parsing and output can be tested without
// starting processes or touching a camera.

#include "camerabackend.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace uvcc {

// What one run prints and how it ends: `out` goes to standard output (only on
// success), `err` to standard error (one line per diagnostic or warning).
struct Outcome {
    ExitCode code = ExitCode::Ok;
    std::string out;
    std::string err;
    // `watch` was asked for and its arguments are right: the caller then runs
    // runWatch(), which does not return until standard input closes.
    bool watch = false;
};

// The arguments after the command name.
using CommandFunction = Outcome (*)(CameraBackend &backend, std::span<const std::string> args);

struct Command {
    const char *name;
    const char *usage;   // the arguments, e.g. "<control> <value> [vid:pid]"
    const char *summary; // one line for --help
    std::size_t minArgs;
    std::size_t maxArgs;
    CommandFunction run;
};

// The command table; --help is generated from it.
std::span<const Command> commandTable();
std::string helpText();

// Runs one command line (without the program name) against `backend`. The
// backend is touched only by camera commands; --help and usage errors never
// reach it.
Outcome runCommand(std::span<const std::string> args, CameraBackend &backend);

// `watch`: writes the devices answer to `out` now and again each time the set
// of cameras changes, once the change has settled, and returns when `input`
// reaches its end (or fails). Sleeps in poll() in between: a camera that
// stays put costs nothing.
Outcome runWatch(CameraBackend &backend, int input, int out);

// A value as the set command takes it: decimal digits with an optional leading
// minus, within the signed 64-bit range, nothing before or after.
std::optional<int64_t> parseValue(std::string_view text);

// Output of each command, one compact JSON line with a final line break
// (controls: a readable listing).
std::string formatDevices(const std::vector<CameraInfo> &cameras);
std::string formatExport(const std::vector<ControlInfo> &controls);
std::string formatRanges(const std::vector<ControlInfo> &controls);
std::string formatControls(const CameraInfo &camera, const std::vector<ControlInfo> &controls);

} // namespace uvcc
