#include "simulatedbackend.h"

#include "catalogue.h"
#include "statefile.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <cstdio>
#include <limits>

namespace uvcc {
namespace {

struct SimulatedCamera {
    CameraInfo info;
    std::vector<ControlInfo> controls; // in catalogue order, without values
};

ControlInfo ranged(const char *name, int64_t min, int64_t max, int64_t step, int64_t defaultValue)
{
    return ControlInfo{name, ControlType::Integer, min, max, step, defaultValue, std::nullopt, false, {}};
}

ControlInfo toggle(const char *name, int64_t defaultValue)
{
    return ControlInfo{name, ControlType::Boolean, 0, 1, 1, defaultValue, std::nullopt, false, {}};
}

ControlInfo autoExposure(std::vector<int64_t> modes, int64_t defaultValue)
{
    return ControlInfo{"auto_exposure_mode", ControlType::Menu, modes.front(), modes.back(), 1,
                       defaultValue, std::nullopt, false, modes};
}

// Ranges modelled on common UVC webcams; the ids are made up.
const std::vector<SimulatedCamera> &simulatedCameras()
{
    static const std::vector<SimulatedCamera> cameras = {
        {{"fe1a", "0c01", "Lumarel Demo Camera", "Lumarel Labs", "fe1a:0c01"},
         {ranged("brightness", -64, 64, 1, 0),
          ranged("contrast", 0, 95, 1, 32),
          ranged("saturation", 0, 128, 1, 64),
          ranged("sharpness", 0, 7, 1, 3),
          ranged("gain", 0, 255, 1, 0),
          ranged("white_balance_temperature", 2800, 6500, 10, 4600),
          ranged("backlight_compensation", 0, 2, 1, 1),
          ranged("absolute_exposure_time", 3, 2047, 1, 250),
          ranged("absolute_focus", 0, 250, 5, 0),
          ranged("absolute_zoom", 100, 500, 1, 100),
          ranged("hue", -40, 40, 1, 0),
          ranged("gamma", 72, 500, 1, 100),
          ranged("iris_absolute", 1, 16, 1, 4),
          toggle("auto_white_balance_temperature", 1),
          toggle("auto_focus", 1),
          autoExposure({kAutoExposureManual, kAutoExposureAperturePriority},
                       kAutoExposureAperturePriority)}},
        {{"fe2b", "0102", "Lumarel Mini Camera", "", "fe2b:0102"},
         {ranged("brightness", 0, 255, 1, 128),
          ranged("contrast", 0, 255, 1, 128),
          ranged("saturation", 0, 255, 1, 128),
          ranged("sharpness", 0, 255, 1, 128),
          ranged("gain", 0, 100, 1, 0),
          ranged("white_balance_temperature", 2800, 6500, 1, 4000),
          ranged("backlight_compensation", 0, 1, 1, 0),
          ranged("absolute_exposure_time", 1, 5000, 1, 156),
          ranged("hue", -180, 180, 1, 0),
          ranged("gamma", 100, 300, 1, 100),
          toggle("auto_white_balance_temperature", 1),
          autoExposure({kAutoExposureManual, kAutoExposureAperturePriority},
                       kAutoExposureAperturePriority)}},
    };
    return cameras;
}

const SimulatedCamera *findCamera(const CameraInfo &camera)
{
    for (const SimulatedCamera &simulated : simulatedCameras()) {
        if (simulated.info.handle == camera.handle)
            return &simulated;
    }
    return nullptr;
}

const ControlInfo *findControl(const SimulatedCamera &camera, const std::string &name)
{
    auto control = std::find_if(camera.controls.begin(), camera.controls.end(),
                                [&](const ControlInfo &c) { return c.name == name; });
    return control == camera.controls.end() ? nullptr : &*control;
}

Failure noCamera(const CameraInfo &camera)
{
    return Failure{ExitCode::NoCamera, "no camera '" + camera.designator() + "'"};
}

bool isBlank(const std::string &bytes)
{
    return bytes.find_first_not_of(" \t\r\n") == std::string::npos;
}

bool isInt64(const nlohmann::json &json)
{
    if (!json.is_number_integer())
        return false;
    return !json.is_number_unsigned()
        || json.get<uint64_t>() <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
}

using State = SimulatedState;

std::optional<State> parseState(const std::string &bytes)
{
    nlohmann::json json = nlohmann::json::parse(bytes, nullptr, false);
    if (!json.is_object())
        return std::nullopt;
    State state;
    if (auto unplugged = json.find("unplugged"); unplugged != json.end()) {
        if (!unplugged->is_array())
            return std::nullopt;
        for (const nlohmann::json &designator : *unplugged) {
            if (!designator.is_string())
                return std::nullopt;
            state.unplugged.push_back(designator.get<std::string>());
        }
    }
    auto cameras = json.find("cameras");
    if (cameras == json.end())
        return state;
    if (!cameras->is_object())
        return std::nullopt;
    for (const auto &[designator, values] : cameras->items()) {
        if (!values.is_object())
            return std::nullopt;
        auto &target = state.values[designator];
        for (const auto &[name, value] : values.items()) {
            if (value.is_null())
                target[name] = std::nullopt;
            else if (isInt64(value))
                target[name] = value.get<int64_t>();
            else
                return std::nullopt;
        }
    }
    return state;
}

// The state file as it stands. Without a state in it, `damaged` tells a file
// that holds something else from one that is missing or blank.
struct Reading {
    std::optional<State> state;
    bool damaged = false;
};

Result<Reading> readState(const std::string &path)
{
    Result<FileContents> contents = readFile(path);
    if (!contents)
        return contents.failure();
    if (!contents.value().exists || isBlank(contents.value().bytes))
        return Reading{};
    std::optional<State> state = parseState(contents.value().bytes);
    const bool damaged = !state;
    return Reading{std::move(state), damaged};
}

State defaultState()
{
    State state;
    for (const SimulatedCamera &camera : simulatedCameras()) {
        for (const ControlInfo &control : camera.controls)
            state.values[camera.info.handle][control.name] = control.defaultValue;
    }
    return state;
}

std::string serialize(const State &state)
{
    nlohmann::ordered_json cameras = nlohmann::ordered_json::object();
    for (const SimulatedCamera &camera : simulatedCameras()) {
        nlohmann::ordered_json values = nlohmann::ordered_json::object();
        auto stored = state.values.find(camera.info.handle);
        for (const ControlInfo &control : camera.controls) {
            std::optional<int64_t> value = control.defaultValue;
            if (stored != state.values.end()) {
                auto entry = stored->second.find(control.name);
                if (entry != stored->second.end())
                    value = entry->second;
            }
            values[control.name] = value ? nlohmann::ordered_json(*value) : nullptr;
        }
        cameras[camera.info.handle] = std::move(values);
    }
    nlohmann::ordered_json document{{"cameras", cameras}};
    if (!state.unplugged.empty())
        document["unplugged"] = state.unplugged;
    return document.dump(2) + "\n";
}

bool isUnplugged(const State &state, const CameraInfo &camera)
{
    const std::string wanted = camera.designator();
    return std::any_of(state.unplugged.begin(), state.unplugged.end(),
                       [&](const std::string &designator) { return sameDesignator(designator, wanted); });
}

std::optional<int64_t> storedValue(const State &state, const SimulatedCamera &camera,
                                   const ControlInfo &control)
{
    auto stored = state.values.find(camera.info.handle);
    if (stored == state.values.end())
        return control.defaultValue;
    auto entry = stored->second.find(control.name);
    return entry == stored->second.end() ? std::optional(control.defaultValue) : entry->second;
}

// The camera's readable values, defaults filled in.
std::map<std::string, int64_t> currentValues(const State &state, const SimulatedCamera &camera)
{
    std::map<std::string, int64_t> values;
    for (const ControlInfo &control : camera.controls) {
        if (std::optional<int64_t> value = storedValue(state, camera, control))
            values[control.name] = *value;
    }
    return values;
}

// The automatic mode that drives a manual control while it is on, or null.
// Like the Linux UVC driver, the camera flags such a control inactive and
// refuses writes to it until the mode is switched off.
const char *lockingMode(const std::string &name, const std::map<std::string, int64_t> &values)
{
    auto isOn = [&](const char *mode, int64_t manual) {
        auto it = values.find(mode);
        return it != values.end() && it->second != manual;
    };
    if (name == "white_balance_temperature" && isOn("auto_white_balance_temperature", 0))
        return "auto_white_balance_temperature";
    if (name == "absolute_focus" && isOn("auto_focus", 0))
        return "auto_focus";
    if (name == "absolute_exposure_time" && isOn("auto_exposure_mode", kAutoExposureManual))
        return "auto_exposure_mode";
    return nullptr;
}

Failure refusal(const CameraInfo &camera, const ControlInfo &control, int64_t value)
{
    std::string modes;
    for (int64_t mode : control.modes)
        modes += (modes.empty() ? "" : ", ") + std::to_string(mode);
    return Failure{ExitCode::Refused, "camera " + camera.designator() + " refused " + control.name
                                          + " " + std::to_string(value) + " (modes: " + modes + ")"};
}

} // namespace

SimulatedBackend::SimulatedBackend(std::string statePath, Warn warn)
    : m_statePath(std::move(statePath)), m_warn(std::move(warn))
{
    if (!m_warn)
        m_warn = [](const std::string &line) { std::fprintf(stderr, "uvcc-helper: %s\n", line.c_str()); };
}

Result<std::vector<CameraInfo>> SimulatedBackend::cameras()
{
    // Loading here creates the state file on first use and reports a bad
    // state path before any camera command is tried.
    Result<State> state = load();
    if (!state)
        return state.failure();
    std::vector<CameraInfo> infos;
    for (const SimulatedCamera &camera : simulatedCameras()) {
        if (!isUnplugged(state.value(), camera.info))
            infos.push_back(camera.info);
    }
    return infos;
}

std::unique_ptr<ChangeWatch> SimulatedBackend::watchChanges()
{
    // The file is replaced by a rename on every write, so its directory is
    // watched, not the file.
    const std::filesystem::path path(m_statePath);
    const std::string name = path.filename().string();
    return watchDirectory(path.parent_path().empty() ? "." : path.parent_path().string(),
                          [name](std::string_view changed) { return changed == name; });
}

Result<std::vector<ControlInfo>> SimulatedBackend::controls(const CameraInfo &camera)
{
    const SimulatedCamera *simulated = findCamera(camera);
    if (!simulated)
        return noCamera(camera);
    Result<State> state = load();
    if (!state)
        return state.failure();
    if (isUnplugged(state.value(), camera))
        return noCamera(camera);
    std::vector<ControlInfo> controls = simulated->controls;
    const std::map<std::string, int64_t> values = currentValues(state.value(), *simulated);
    for (ControlInfo &control : controls) {
        control.value = storedValue(state.value(), *simulated, control);
        control.inactive = lockingMode(control.name, values) != nullptr;
    }
    return controls;
}

std::optional<Failure> SimulatedBackend::setControl(const CameraInfo &camera, const std::string &name,
                                                    int64_t value)
{
    const SimulatedCamera *simulated = findCamera(camera);
    if (!simulated)
        return noCamera(camera);
    const ControlInfo *control = findControl(*simulated, name);
    if (!control)
        return Failure{ExitCode::NoControl, "camera " + camera.designator() + " has no control '" + name + "'"};
    std::optional<int64_t> accepted = acceptedValue(*control, value);
    if (!accepted)
        return refusal(camera, *control, value);
    if (std::optional<Failure> failure = ensureParentDirectory(m_statePath))
        return failure;
    Result<FileLock> lock = FileLock::acquire(m_statePath);
    if (!lock)
        return lock.failure();
    Result<State> state = loadLocked();
    if (!state)
        return state.failure();
    if (const char *mode = lockingMode(name, currentValues(state.value(), *simulated))) {
        return Failure{ExitCode::Refused, "camera " + camera.designator() + " refused " + name
                                              + " while " + mode + " is on; switch it off first"};
    }
    if (isUnplugged(state.value(), camera))
        return noCamera(camera);
    state.value().values[simulated->info.handle][name] = *accepted;
    return writeFileAtomically(m_statePath, serialize(state.value()));
}

Result<SimulatedBackend::State> SimulatedBackend::load()
{
    Result<Reading> reading = readState(m_statePath);
    if (!reading)
        return reading.failure();
    if (reading.value().state)
        return std::move(*reading.value().state);
    // Missing, empty or damaged: settle it under the lock, so that only one
    // of several runs starting at once writes the defaults or moves it aside.
    if (std::optional<Failure> failure = ensureParentDirectory(m_statePath))
        return *failure;
    Result<FileLock> lock = FileLock::acquire(m_statePath);
    if (!lock)
        return lock.failure();
    return loadLocked();
}

Result<SimulatedBackend::State> SimulatedBackend::loadLocked()
{
    Result<Reading> reading = readState(m_statePath);
    if (!reading)
        return reading.failure();
    if (reading.value().state)
        return std::move(*reading.value().state);
    if (reading.value().damaged) {
        Result<std::string> moved = moveAside(m_statePath);
        if (!moved) {
            return Failure{ExitCode::Failure, "simulated camera state " + m_statePath
                                                  + " is damaged; " + moved.failure().message};
        }
        m_warn("simulated camera state " + m_statePath + " was damaged; moved it to "
               + moved.value() + " and started again from defaults");
    }
    State state = defaultState();
    if (std::optional<Failure> failure = writeFileAtomically(m_statePath, serialize(state)))
        return *failure;
    return state;
}

} // namespace uvcc
