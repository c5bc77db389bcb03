// The simulated cameras' state file is plain JSON that users and tests edit by
// hand, and many helper runs share it. Whatever it holds, a command must not
// crash, must leave a state file that reads back, and must never lose bytes
// it could not read: those are moved aside, unchanged.
#include "commands.h"
#include "simulatedbackend.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace uvcc;

namespace {

fs::path workDirectory()
{
    // tmpfs when there is one: every input writes and renames files.
    static const fs::path dir = [] {
        const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        fs::path path = base / ("lumarel-statefile-fuzz-" + std::to_string(::getpid()));
        fs::create_directories(path);
        return path;
    }();
    return dir;
}

std::string readAll(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::vector<std::vector<std::string>> &commandLines()
{
    static const std::vector<std::vector<std::string>> lines = {
        {"devices"},
        {"export"},
        {"ranges", "fe2b:0102"},
        {"controls", "fe1a:0c01"},
        {"set", "brightness", "-7"},
        {"set", "auto_exposure_mode", "1", "fe2b:0102"},
        {"set", "absolute_focus", "123", "fe1a:0c01"},
    };
    return lines;
}

} // namespace

// The first byte picks a command line; the rest is the state file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const fs::path dir = workDirectory();
    const fs::path state = dir / "state.json";
    const std::string bytes(reinterpret_cast<const char *>(data + 1), size - 1);
    {
        std::ofstream out(state, std::ios::binary | std::ios::trunc);
        out << bytes;
    }

    SimulatedBackend backend(state.string(), [](const std::string &) {});
    const auto &lines = commandLines();
    const Outcome outcome = runCommand(lines[data[0] % lines.size()], backend);
    if (outcome.code != ExitCode::Ok && !outcome.out.empty())
        std::abort();

    // Whatever happened, the file now reads as a JSON object.
    const nlohmann::json after = nlohmann::json::parse(readAll(state), nullptr, false);
    if (!after.is_object())
        std::abort();
    // Bytes that were replaced survive, byte for byte, beside the file.
    bool keptAside = false;
    for (const fs::directory_entry &entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("state.json.broken-", 0) == 0) {
            if (readAll(entry.path()) != bytes)
                std::abort();
            keptAside = true;
        }
    }
    if (!keptAside && outcome.code == ExitCode::Ok && data[0] % lines.size() < 4 && readAll(state) != bytes) {
        // A read-only command rewrites the file only to settle a blank,
        // missing or damaged one.
        if (bytes.find_first_not_of(" \t\r\n") != std::string::npos)
            std::abort();
    }
    for (const fs::directory_entry &entry : fs::directory_iterator(dir))
        fs::remove(entry.path());
    return 0;
}
