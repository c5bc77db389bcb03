#pragma once

#include <QString>

#include <optional>

// Lumarel's own command line: `--help` and `--version` answer and end the
// program before anything else happens (no display needed, and no running
// copy is asked to quit); anything else is refused.
namespace CommandLine {

// Looks at the arguments as the program got them, before Qt does (which
// needs a display). The exit status when one of them is --help / -h or
// --version, after printing the answer to standard output; 2, after a
// one-line message on standard error, when one is neither that nor one of
// Qt's own options (-platform, -style, -reverse, ...); nothing when the
// program is to start.
std::optional<int> answerBeforeStart(int argc, const char *const *argv);

// What --help prints.
QString usage();

} // namespace CommandLine
