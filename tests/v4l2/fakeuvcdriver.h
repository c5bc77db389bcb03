#pragma once

// A stand-in for the kernel's UVC driver, for tests and benchmarks only.
//
// Each fake device node is a small JSON state file (the "node file"): a
// capture node with its controls, or a metadata node without any. The driver
// answers V4L2 ioctls from that state the way uvcvideo does (unknown ids give
// EINVAL, the metadata node ENOTTY, integer writes are rounded to the step and
// clamped, the unsigned ones as unsigned 32-bit numbers so that a negative
// value lands on the maximum, a manual control is inactive and refuses writes
// with EACCES while its automatic mode is on) and writes every change back to the node file, so
// that a change made by one process is seen by the next, and reads it again
// when another program changed it, as if both held the same kernel device.

#include <nlohmann/json.hpp>

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fakeuvc {

// What the programs of this process asked of the fake nodes: each open of a
// uvcvideo node wakes its camera from USB autosuspend, and each query, read
// and write is a request the camera (or the driver) answers.
struct CallCounts {
    int opens = 0;
    int capabilityQueries = 0; // VIDIOC_QUERYCAP
    int controlQueries = 0;    // VIDIOC_QUERYCTRL, VIDIOC_QUERY_EXT_CTRL, VIDIOC_QUERYMENU
    int reads = 0;             // VIDIOC_G_CTRL, controls in VIDIOC_G_EXT_CTRLS
    int writes = 0;            // VIDIOC_S_CTRL, controls in VIDIOC_S_EXT_CTRLS
    nlohmann::json toJson() const;
};
CallCounts &callCounts();

class FakeUvcNode {
public:
    // nullopt when the file is missing or not a node file.
    static std::optional<FakeUvcNode> load(const std::string &path);
    // What open() of the node does: counted; nullopt with *error set when
    // the node file refuses it. "denyOpen": true fails with EACCES, as for a
    // user outside the video group (a file mode would not stop root);
    // "failOpen": errno fails with that, "failOpenTimes": N only the next N
    // opens (counted down in the file, so across processes), like a camera
    // busy or re-enumerating for a moment. "failQuerycap" with
    // "failQuerycapTimes" does the same to VIDIOC_QUERYCAP.
    static std::optional<FakeUvcNode> open(const std::string &path, int *error);

    // 0, or the negated errno the kernel would give.
    int ioctl(unsigned long request, void *arg);

private:
    FakeUvcNode(std::string path, nlohmann::json state);
    nlohmann::json *control(uint32_t id);
    nlohmann::json *nextControl(uint32_t after);
    bool isInactive(const nlohmann::json &control);
    int queryCapabilities(void *arg);
    int queryControl(void *arg);
    int queryExtControl(void *arg);
    int queryMenu(void *arg);
    int getControl(uint32_t id, int32_t *value, bool defaultValue = false);
    int setControl(uint32_t id, int32_t *value, bool apply);
    int extControls(unsigned long request, void *arg);
    void save();
    bool reloadIfChanged(); // false when the node file is gone
    int consumeFailure(const std::string &field); // errno, or 0

    struct Stamp {
        ino_t inode = 0;
        int64_t modified = 0;
        bool operator==(const Stamp &) const = default;
    };
    static Stamp stampOf(const std::string &path);

    std::string m_path;
    nlohmann::json m_state;
    Stamp m_stamp;
};

// Writes a node file.
void writeNodeFile(const std::string &path, const nlohmann::json &state);
nlohmann::json readNodeFile(const std::string &path);

// The node file of a 16-control capture node (every catalogue control) and of
// an 11-control one (no focus, zoom or iris, all four exposure modes).
nlohmann::json fullCameraNode();
nlohmann::json basicCameraNode();
nlohmann::json metadataNode(const std::string &card);

// Adds a USB camera below root/sys (port e.g. "1-3") with its nodes, in
// order, in sysfs and as node files in root/dev. Empty strings are left out.
struct UsbCamera {
    std::string port;
    std::string vid;
    std::string pid;
    std::string product;
    std::string manufacturer;
    std::vector<std::pair<std::string, nlohmann::json>> nodes; // "videoN" -> node file
};
void addUsbCamera(const std::string &root, const UsbCamera &camera);

// Builds under root a sysfs tree (root/sys) and device nodes (root/dev):
//   video0  a v4l2loopback device (virtual, no parent device)
//   video1  a platform camera (parent device without a USB vendor id)
//   video2  USB camera 1a2b:3c4d "Lumarel Test Camera" by "Acme Optics", 16 controls
//   video3  its metadata node
//   video10 USB camera 0c45:6366 without product or manufacturer strings, 11 controls
void buildStandardTree(const std::string &root);

// Changes one field of one control in a node file, e.g. ("absolute_focus" by
// its V4L2 id, "fail", EIO). "fail" fails reads and writes, "failSet" writes
// only, before any other check, as a camera without the UVC error-code
// control stalls (EPIPE) whatever the reason it refuses.
void setControlField(const std::string &nodeFile, uint32_t id, const std::string &field, const nlohmann::json &value);

} // namespace fakeuvc
