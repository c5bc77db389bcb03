#pragma once

// Two made-up USB cameras whose control values live in a JSON state file, so
// that Lumarel can be run and tested on machines without a webcam. Several
// helper runs may share one state file at the same time.
//
// State file: {"cameras": {"<vid:pid>": {"<control>": <integer or null>}},
//              "unplugged": ["<vid:pid>", ...]}.
// A camera named in "unplugged" is absent, as if pulled out, until the name
// is removed again; `watch` sees such changes.
// A missing or empty file starts from the cameras' defaults; a control missing
// from the file has its default; null makes reading that control fail (export
// leaves it out). Stored values are reported as they stand, even out of range.
// A file that is not such JSON is renamed to <file>.broken-<date>-<time> and
// the cameras start again from their defaults, with a warning on stderr.

#include "camerabackend.h"

#include <functional>
#include <map>

namespace uvcc {

// What the state file holds.
struct SimulatedState {
    // designator -> control -> value (absent: reading it fails)
    std::map<std::string, std::map<std::string, std::optional<int64_t>>> values;
    std::vector<std::string> unplugged; // designators, as the file spells them
};

class SimulatedBackend final : public CameraBackend {
public:
    using Warn = std::function<void(const std::string &line)>;

    // `warn` receives one line for each thing the user should know about
    // but that does not stop the command (a damaged state file moved aside).
    explicit SimulatedBackend(std::string statePath, Warn warn = {});

    Result<std::vector<CameraInfo>> cameras() override;
    Result<std::vector<ControlInfo>> controls(const CameraInfo &camera) override;
    std::optional<Failure> setControl(const CameraInfo &camera, const std::string &name,
                                      int64_t value) override;

    std::unique_ptr<ChangeWatch> watchChanges() override;

private:
    using State = SimulatedState;

    Result<State> load();
    Result<State> loadLocked();

    std::string m_statePath;
    Warn m_warn;
};

} // namespace uvcc
