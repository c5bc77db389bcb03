#include "camerabackend.h"
#include "commands.h"

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::unique_ptr<uvcc::CameraBackend> backend = uvcc::makeCameraBackend();
    uvcc::Outcome outcome = uvcc::runCommand(args, *backend);
    if (outcome.watch)
        outcome = uvcc::runWatch(*backend, STDIN_FILENO, STDOUT_FILENO);

    std::fputs(outcome.err.c_str(), stderr);
    if (!outcome.out.empty()) {
        // A reader that went away must not take a half answer for success.
        bool written = std::fwrite(outcome.out.data(), 1, outcome.out.size(), stdout) == outcome.out.size();
        if (std::fflush(stdout) != 0 || !written) {
            std::fputs("uvcc-helper: cannot write to standard output\n", stderr);
            return static_cast<int>(uvcc::ExitCode::Failure);
        }
    }
    return static_cast<int>(outcome.code);
}
