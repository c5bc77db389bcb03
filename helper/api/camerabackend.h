#pragma once

// The camera access of uvcc-helper. The commands (commands.cpp) speak only to
// this interface; each back end (simulated, V4L2, null) lives in files of its
// own. makeCameraBackend() chooses between the simulated cameras and the
// platform's back end, and helper/CMakeLists.txt chooses which library
// provides makePlatformBackend().

#include "result.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace uvcc {

struct CameraInfo {
    std::string vid;          // four lower-case hex digits, e.g. "046d"
    std::string pid;          // the same, with "#<USB port>" for a second camera of one model
    std::string name;
    std::string manufacturer; // empty when the camera has none
    std::string handle;       // back-end private (device node, state key)

    std::string designator() const { return vid + ":" + pid; }
};

// How a control takes its values: a number in a range, a switch (0 or 1), or
// one of a few listed modes (auto_exposure_mode).
enum class ControlType { Integer, Boolean, Menu };

// One catalogue control as the camera has it.
struct ControlInfo {
    std::string name;          // catalogue name, e.g. "white_balance_temperature"
    ControlType type = ControlType::Integer;
    int64_t min = 0;
    int64_t max = 0;
    int64_t step = 1;
    int64_t defaultValue = 0;
    std::optional<int64_t> value; // absent when reading it failed
    bool inactive = false;        // e.g. a manual control while its automatic mode is on
    std::vector<int64_t> modes;   // the values a menu control really supports
};

// Says, without polling, when the set of cameras may have changed: fd()
// turns readable, and drain() reads what woke it and tells whether it may
// concern the cameras.
class ChangeWatch {
public:
    virtual ~ChangeWatch() = default;
    virtual int fd() const = 0;
    virtual bool drain() = 0;
};

// Watches the entries of a directory being created, removed, replaced or
// changing permissions, reporting those whose name `relevant` accepts.
// nullptr where the system cannot watch it (no such directory; no inotify).
std::unique_ptr<ChangeWatch> watchDirectory(const std::string &directory,
                                            std::function<bool(std::string_view name)> relevant);

class CameraBackend {
public:
    virtual ~CameraBackend() = default;

    // Every camera, in a stable order; one entry per physical camera.
    virtual Result<std::vector<CameraInfo>> cameras() = 0;
    // The camera a command addresses, as selectCamera() picks it from
    // cameras(). A back end whose cameras() has to open every camera
    // overrides this to touch only the one addressed: opening a camera can
    // wake it from USB power saving, and a hung one must not stall the others.
    virtual Result<CameraInfo> camera(const std::optional<std::string> &designator);
    // The catalogue controls the camera has, in catalogue order.
    virtual Result<std::vector<ControlInfo>> controls(const CameraInfo &camera) = 0;
    // Writes one control, brought to a value the camera takes first
    // (acceptedValue()). A camera without the control gives
    // ExitCode::NoControl. Each slider move is one such write, so a back end
    // whose controls() talks to the camera asks it about this control only.
    virtual std::optional<Failure> setControl(const CameraInfo &camera, const std::string &name,
                                              int64_t value) = 0;
    // What `watch` waits on between listings; nullptr when the back end
    // cannot tell when its cameras change (it then lists them once).
    virtual std::unique_ptr<ChangeWatch> watchChanges() { return nullptr; }
    // Lets go of every camera the back end holds open. A command's run is
    // short and ends with its exit; `watch` calls this after each listing,
    // since an open camera cannot go to USB power saving and a re-plugged one
    // must be opened anew.
    virtual void closeCameras() {}
};

// Whether two designators name the same camera: hex digits compare without
// regard to case.
bool sameDesignator(std::string_view a, std::string_view b);

// The camera a command addresses: the first one with that designator (vid:pid,
// hex digits compared without regard to case), or the first camera when no
// designator is given.
Result<CameraInfo> selectCamera(const std::vector<CameraInfo> &cameras,
                                const std::optional<std::string> &designator);

// The value a camera stores when asked for `requested`: integers and switches
// are clamped to min..max and rounded to the nearest step; a menu takes only
// one of its modes, anything else is refused (nullopt). Asked for aperture
// priority, a camera without it gets its fully automatic mode: both leave the
// exposure time to the camera, and stored presets say 8 for "automatic".
std::optional<int64_t> acceptedValue(const ControlInfo &control, int64_t requested);

// The simulated camera when UVCC_HELPER_SIMULATE names a state file,
// otherwise the platform's back end.
std::unique_ptr<CameraBackend> makeCameraBackend();
// The platform's back end: V4L2 on Linux, elsewhere the null back end, which
// finds no camera.
std::unique_ptr<CameraBackend> makePlatformBackend();

} // namespace uvcc
