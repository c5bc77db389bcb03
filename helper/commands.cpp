#include "commands.h"

#include "catalogue.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace uvcc {
namespace {

using Json = nlohmann::ordered_json;

// Camera names come from USB string descriptors and need not be valid UTF-8;
// replacing bad bytes keeps the answer valid JSON instead of throwing.
std::string dumpLine(const Json &json)
{
    return json.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

Outcome fail(ExitCode code, std::string message)
{
    // Back-end messages may carry paths and device names; keep them on one line.
    std::replace_if(message.begin(), message.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return Outcome{code, {}, "uvcc-helper: " + std::move(message) + "\n"};
}

Outcome fail(const Failure &failure) { return fail(failure.code, failure.message); }

std::string padded(std::string text, std::size_t width)
{
    text.resize(std::max(text.size() + 1, width), ' ');
    return text;
}

// The type column of the controls listing.
std::string typeName(ControlType type)
{
    switch (type) {
    case ControlType::Integer: return "int";
    case ControlType::Boolean: return "bool";
    case ControlType::Menu: return "menu";
    }
    return "int";
}

std::optional<std::string> designatorArgument(std::span<const std::string> args, std::size_t index)
{
    if (index < args.size())
        return args[index];
    return std::nullopt;
}

// The addressed camera and its controls, or the reason a command cannot run.
struct Target {
    CameraInfo camera;
    std::vector<ControlInfo> controls;
};

Result<CameraInfo> resolveCamera(CameraBackend &backend, const std::optional<std::string> &designator)
{
    return backend.camera(designator);
}

Result<Target> resolve(CameraBackend &backend, const std::optional<std::string> &designator)
{
    Result<CameraInfo> camera = resolveCamera(backend, designator);
    if (!camera)
        return camera.failure();
    Result<std::vector<ControlInfo>> controls = backend.controls(camera.value());
    if (!controls)
        return controls.failure();
    return Target{camera.value(), std::move(controls.value())};
}

Outcome runDevices(CameraBackend &backend, std::span<const std::string>)
{
    Result<std::vector<CameraInfo>> cameras = backend.cameras();
    if (!cameras)
        return fail(cameras.failure());
    return Outcome{ExitCode::Ok, formatDevices(cameras.value()), {}};
}

// controls, export and ranges differ only in how they print the controls.
template <std::string (*format)(const Target &)>
Outcome runListing(CameraBackend &backend, std::span<const std::string> args)
{
    Result<Target> target = resolve(backend, designatorArgument(args, 0));
    if (!target)
        return fail(target.failure());
    return Outcome{ExitCode::Ok, format(target.value()), {}};
}

std::string listControls(const Target &t) { return formatControls(t.camera, t.controls); }
std::string listExport(const Target &t) { return formatExport(t.controls); }
std::string listRanges(const Target &t) { return formatRanges(t.controls); }

Outcome runSet(CameraBackend &backend, std::span<const std::string> args)
{
    const std::string &name = args[0];
    if (!isKnownControl(name))
        return fail(ExitCode::NoControl, "unknown control " + printable(name) + " (see 'uvcc-helper --help')");
    std::optional<int64_t> value = parseValue(args[1]);
    if (!value) {
        return fail(ExitCode::BadValue, "value " + printable(args[1])
                        + " is not a decimal 64-bit integer (e.g. 42 or -7)");
    }
    Result<CameraInfo> camera = resolveCamera(backend, designatorArgument(args, 2));
    if (!camera)
        return fail(camera.failure());
    if (std::optional<Failure> failure = backend.setControl(camera.value(), name, *value)) {
        if (failure->code == ExitCode::NoControl)
            return fail(ExitCode::NoControl, "camera " + camera.value().designator() + " has no control " + printable(name));
        return fail(*failure);
    }
    return Outcome{};
}

Outcome askForWatch(CameraBackend &, std::span<const std::string>)
{
    Outcome outcome;
    outcome.watch = true;
    return outcome;
}

Outcome runHelp(CameraBackend &, std::span<const std::string>)
{
    return Outcome{ExitCode::Ok, helpText(), {}};
}

constexpr Command kCommands[] = {
    {"devices", "", "the cameras: JSON array of {vid, pid, name[, manufacturer]}", 0, 0,
     runDevices},
    {"controls", "[vid:pid]", "a readable list of the camera's controls: type, range, default, value",
     0, 1, runListing<listControls>},
    {"export", "[vid:pid]", "the current values: JSON object {control: value}", 0, 1,
     runListing<listExport>},
    {"ranges", "[vid:pid]",
     "the ranges: JSON object {control: {min, max, step, default[, modes]}}", 0, 1,
     runListing<listRanges>},
    {"set", "<control> <value> [vid:pid]",
     "write one control, clamped to its range and rounded to its step", 2, 3, runSet},
    {"watch", "",
     "the devices answer, and again each time cameras come or go; runs until\n"
     "      standard input closes (or SIGTERM)",
     0, 0, askForWatch},
    {"--help", "", "show this text", 0, 0, runHelp},
};

const Command *findCommand(std::string_view name)
{
    for (const Command &command : kCommands) {
        if (name == command.name)
            return &command;
    }
    if (name == "-h" || name == "help")
        return findCommand("--help");
    return nullptr;
}

std::string usageLine(const Command &command)
{
    std::string line = std::string("uvcc-helper ") + command.name;
    if (*command.usage)
        line += std::string(" ") + command.usage;
    return line;
}

} // namespace

std::span<const Command> commandTable() { return kCommands; }

std::string helpText()
{
    std::string text = "Usage: uvcc-helper <command> [arguments]\n\n"
                       "Reads and writes the UVC controls of USB cameras. A camera is addressed\n"
                       "by vid:pid as 'devices' prints it; without one, the first camera listed.\n"
                       "A model attached more than once keeps vid:pid on its lowest USB port;\n"
                       "each other one is vid:pid#port (e.g. 046d:085e#1-2.3), the same for\n"
                       "as long as it stays in that port.\n\n"
                       "Commands:\n";
    for (const Command &command : kCommands) {
        std::string left = std::string(command.name) + (*command.usage ? " " : "") + command.usage;
        text += "  " + left + "\n      " + command.summary + "\n";
    }
    text += "\nControls:";
    std::size_t column = 80;
    for (std::string_view name : kControlNames) {
        if (column + name.size() + 1 > 78) {
            text += "\n ";
            column = 1;
        }
        text += " " + std::string(name);
        column += name.size() + 1;
    }
    text += "\n"
            "auto_exposure_mode takes 1 (manual), 2 (auto), 4 (shutter priority) or\n"
            "8 (aperture priority); 8 selects 2 on a camera that lacks 8.\n\n"
            "Output: JSON on standard output, one line, only on success. Otherwise one\n"
            "line on standard error and the exit status says why:\n"
            "  0 success           1 other failure     2 unknown command or wrong arguments\n"
            "  3 unknown camera    4 unknown control   5 value not a decimal 64-bit integer\n"
            "  6 value refused (a mode the camera lacks, or a manual control such as\n"
            "    absolute_exposure_time while its automatic mode is on)\n"
            "  7 camera not accessible (permissions)\n\n"
            "Environment:\n"
            "  UVCC_HELPER_SIMULATE=<file>  serve two simulated cameras whose state lives in\n"
            "                               <file> (created with defaults when missing; a\n"
            "                               damaged file is moved aside to <file>.broken-*);\n"
            "                               a camera listed in its \"unplugged\" array, e.g.\n"
            "                               \"unplugged\": [\"fe2b:0102\"], is absent\n";
    return text;
}

Outcome runCommand(std::span<const std::string> args, CameraBackend &backend)
{
    if (args.empty())
        return fail(ExitCode::Usage, "no command given (try 'uvcc-helper --help')");
    const Command *command = findCommand(args[0]);
    if (!command)
        return fail(ExitCode::Usage, "unknown command " + printable(args[0]) + " (try 'uvcc-helper --help')");
    std::span<const std::string> rest = args.subspan(1);
    if (rest.size() < command->minArgs || rest.size() > command->maxArgs)
        return fail(ExitCode::Usage, "usage: " + usageLine(*command));
    return command->run(backend, rest);
}

std::optional<int64_t> parseValue(std::string_view text)
{
    int64_t value = 0;
    const char *end = text.data() + text.size();
    // from_chars takes no '+', no white space and no base prefix, as wanted.
    auto [ptr, error] = std::from_chars(text.data(), end, value, 10);
    if (error != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

std::string formatDevices(const std::vector<CameraInfo> &cameras)
{
    Json list = Json::array();
    for (const CameraInfo &camera : cameras) {
        Json device = {{"vid", camera.vid}, {"pid", camera.pid}, {"name", camera.name}};
        if (!camera.manufacturer.empty())
            device["manufacturer"] = camera.manufacturer;
        list.push_back(std::move(device));
    }
    return dumpLine(list);
}

std::string formatExport(const std::vector<ControlInfo> &controls)
{
    Json values = Json::object();
    for (const ControlInfo &control : controls) {
        if (control.value)
            values[control.name] = *control.value;
    }
    return dumpLine(values);
}

std::string formatRanges(const std::vector<ControlInfo> &controls)
{
    Json ranges = Json::object();
    for (const ControlInfo &control : controls) {
        Json range = {{"min", control.min},
                      {"max", control.max},
                      {"step", control.step},
                      {"default", control.defaultValue}};
        if (control.type == ControlType::Menu)
            range["modes"] = control.modes;
        ranges[control.name] = std::move(range);
    }
    return dumpLine(ranges);
}

std::string formatControls(const CameraInfo &camera, const std::vector<ControlInfo> &controls)
{
    // The camera's name is left out, and brightness is named even when the
    // camera lacks it: the listing must contain "brightness" exactly when the
    // camera has any of the controls, whatever the camera calls itself.
    if (controls.empty())
        return "camera " + camera.designator() + " has no UVC controls\n";
    std::string text = "controls of camera " + camera.designator() + ":\n";
    for (const ControlInfo &c : controls) {
        std::string range = std::to_string(c.min) + ".." + std::to_string(c.max);
        if (c.type == ControlType::Menu) {
            std::string modes;
            for (int64_t mode : c.modes)
                modes += (modes.empty() ? "" : ",") + std::to_string(mode);
            range += " modes " + modes;
        } else {
            range += " step " + std::to_string(c.step);
        }
        text += "  " + padded(c.name, 31) + padded(typeName(c.type), 5) + padded(range, 24) + "default "
            + padded(std::to_string(c.defaultValue), 7) + "value "
            + (c.value ? std::to_string(*c.value) : "unreadable") + (c.inactive ? "  inactive" : "")
            + "\n";
    }
    if (std::none_of(controls.begin(), controls.end(), [](const ControlInfo &c) { return c.name == "brightness"; }))
        text += "  " + padded("brightness", 31) + "not offered by this camera\n";
    return text;
}

} // namespace uvcc
