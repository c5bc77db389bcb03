#include "v4l2discovery.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string_view>
#include <thread>

namespace fs = std::filesystem;

namespace uvcc::v4l2 {
namespace {

struct VideoNode {
    int number = 0;      // N of videoN
    std::string name;    // "videoN"
    fs::path usbDevice;  // the directory holding idVendor
};

std::string readAttribute(const fs::path &file)
{
    std::ifstream in(file);
    std::string text;
    std::getline(in, text);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    return text;
}

std::optional<int> nodeNumber(std::string_view name)
{
    constexpr std::string_view prefix = "video";
    if (name.substr(0, prefix.size()) != prefix || name.size() == prefix.size() || name.size() > prefix.size() + 6)
        return std::nullopt;
    int number = 0;
    for (char c : name.substr(prefix.size())) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number;
}

bool isFourHexDigits(const std::string &text)
{
    return text.size() == 4 && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c));
    });
}

// Climbs from the node's parent device (for UVC the USB interface) to the USB
// device. Stops at the sysfs root, so a fake tree never reaches the real one.
std::optional<fs::path> usbDeviceOf(const fs::path &classEntry, const fs::path &sysfsRoot)
{
    std::error_code error;
    fs::path dir = fs::canonical(classEntry / "device", error);
    if (error)
        return std::nullopt; // virtual devices such as v4l2loopback have no parent device
    for (; dir != sysfsRoot && dir.has_relative_path(); dir = dir.parent_path()) {
        auto [root, rest] = std::mismatch(sysfsRoot.begin(), sysfsRoot.end(), dir.begin(), dir.end());
        if (root != sysfsRoot.end())
            return std::nullopt; // the link led out of the tree
        if (fs::exists(dir / "idVendor", error))
            return dir;
    }
    return std::nullopt;
}

std::vector<VideoNode> usbVideoNodes(const fs::path &sysfsRoot)
{
    std::vector<VideoNode> nodes;
    std::error_code error;
    for (const fs::directory_entry &entry : fs::directory_iterator(sysfsRoot / "class" / "video4linux", error)) {
        const std::string name = entry.path().filename().string();
        const std::optional<int> number = nodeNumber(name);
        if (!number)
            continue; // v4l-subdev, vbi, radio, ...: never a webcam's controls
        if (std::optional<fs::path> usb = usbDeviceOf(entry.path(), sysfsRoot))
            nodes.push_back({*number, name, *usb});
    }
    std::sort(nodes.begin(), nodes.end(), [](const VideoNode &a, const VideoNode &b) { return a.number < b.number; });
    return nodes;
}

// A USB device with video nodes, as sysfs tells it without opening anything.
struct UsbCamera {
    std::string vid; // lower-case hex
    std::string pid;
    fs::path usbDevice;
    std::vector<VideoNode> nodes; // by node number
    // Another camera of the same model is attached on a lower port: this one
    // is told apart by its own port, which stays the same when it is re-plugged.
    bool repeated = false;

    std::string port() const { return usbDevice.filename().string(); }
    std::string pidText() const { return repeated ? pid + "#" + port() : pid; }
    std::string designator() const { return vid + ":" + pidText(); }
    // The designator listed, and vid:pid#port even while the model is
    // attached once, so that a script keeps its camera when the other goes.
    bool answersTo(std::string_view wanted) const
    {
        return sameDesignator(wanted, designator()) || sameDesignator(wanted, vid + ":" + pid + "#" + port());
    }
};

// A USB port's place in the order of ports: "1-2.10" comes after "1-2.9".
std::vector<unsigned long> portOrder(std::string_view port)
{
    std::vector<unsigned long> numbers;
    for (std::size_t i = 0; i < port.size();) {
        if (!std::isdigit(static_cast<unsigned char>(port[i]))) {
            ++i;
            continue;
        }
        unsigned long number = 0;
        for (; i < port.size() && std::isdigit(static_cast<unsigned char>(port[i])); ++i)
            number = std::min(number * 10 + static_cast<unsigned long>(port[i] - '0'), 1000000UL);
        numbers.push_back(number);
    }
    return numbers;
}

// Of the cameras of one model, the one on the lowest port keeps plain
// vid:pid, so designators and presets made with a single camera keep working.
void markRepeatedModels(std::vector<UsbCamera> &cameras)
{
    for (UsbCamera &camera : cameras) {
        for (const UsbCamera &other : cameras) {
            if (&other == &camera || other.vid != camera.vid || other.pid != camera.pid)
                continue;
            const auto mine = portOrder(camera.port());
            const auto theirs = portOrder(other.port());
            if (theirs < mine || (theirs == mine && other.port() < camera.port()))
                camera.repeated = true;
        }
    }
}

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// Grouped by USB device, in the order of each device's lowest node number.
std::vector<UsbCamera> usbCameras(const fs::path &sysfsRoot)
{
    std::vector<UsbCamera> cameras;
    for (VideoNode &node : usbVideoNodes(sysfsRoot)) {
        auto same = std::find_if(cameras.begin(), cameras.end(),
                                 [&](const UsbCamera &camera) { return camera.usbDevice == node.usbDevice; });
        if (same != cameras.end()) {
            same->nodes.push_back(std::move(node));
            continue;
        }
        const std::string vid = readAttribute(node.usbDevice / "idVendor");
        const std::string pid = readAttribute(node.usbDevice / "idProduct");
        if (!isFourHexDigits(vid) || !isFourHexDigits(pid))
            continue;
        cameras.push_back({lower(vid), lower(pid), node.usbDevice, {}});
        cameras.back().nodes.push_back(std::move(node));
    }
    markRepeatedModels(cameras);
    return cameras;
}

// Unprobed: the node could not be asked what it is, because the user may not
// open it or because it failed in a way that passes (the camera still
// enumerating after a plug-in or a resume, a busy or stalled USB transfer).
enum class Probe { Capture, NotCapture, Unprobed };

bool passes(int error) { return error == EBUSY || error == EIO || error == ENODEV || error == ENXIO || error == EAGAIN; }

Probe probeNode(NodeCache &nodes, const std::string &path, std::string *card, bool *transient)
{
    Result<const OpenNode *> node = nodes.open(path);
    if (!node) {
        if (node.failure().code == ExitCode::Permission)
            return Probe::Unprobed;
        if (!passes(node.failure().systemError))
            return Probe::NotCapture;
        *transient = true;
        return Probe::Unprobed;
    }
    v4l2_capability caps{};
    if (node.value()->ioctl(VIDIOC_QUERYCAP, &caps) < 0) {
        if (!passes(errno) && errno != ETIMEDOUT)
            return Probe::NotCapture; // ENOTTY: not a V4L2 device at all
        nodes.forget(path); // asked again on a fresh descriptor
        *transient = true;
        return Probe::Unprobed;
    }
    const uint32_t nodeCaps = (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
    if (!(nodeCaps & (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_CAPTURE_MPLANE)))
        return Probe::NotCapture;
    const auto *text = reinterpret_cast<const char *>(caps.card);
    card->assign(text, strnlen(text, sizeof caps.card));
    return Probe::Capture;
}

// The node a camera is addressed through: its first capture node. A node that
// could not be probed is asked once more after a moment, when the failure
// may pass; when it still cannot be asked, QUERYCAP cannot tell capture from
// metadata, and the driver registers the capture node first (sysfs index 0),
// so take that one and let the later commands report the problem instead of
// hiding the camera.
struct Choice {
    std::string path;
    std::string card;
};

constexpr std::chrono::milliseconds kRetryPause{150};

std::optional<Choice> chooseNode(NodeCache &nodes, const V4l2Paths &paths, const fs::path &sysfsRoot,
                                 const UsbCamera &camera)
{
    std::optional<Choice> unprobed;
    for (int attempt = 0; attempt < 2; ++attempt) {
        bool transient = false;
        unprobed.reset();
        for (const VideoNode &node : camera.nodes) {
            const std::string path = (fs::path(paths.devRoot) / node.name).string();
            std::string card;
            switch (probeNode(nodes, path, &card, &transient)) {
            case Probe::Capture:
                return Choice{path, card};
            case Probe::Unprobed:
                if (!unprobed) {
                    const fs::path attributes = sysfsRoot / "class" / "video4linux" / node.name;
                    const std::string index = readAttribute(attributes / "index");
                    if (index.empty() || index == "0")
                        unprobed = Choice{path, readAttribute(attributes / "name")};
                }
                break;
            case Probe::NotCapture:
                break;
            }
        }
        if (!transient)
            break;
        if (attempt == 0)
            std::this_thread::sleep_for(kRetryPause);
    }
    return unprobed;
}

CameraInfo describeCamera(const UsbCamera &usb, const Choice &choice)
{
    CameraInfo camera;
    camera.vid = usb.vid;
    camera.pid = usb.pidText();
    camera.name = readAttribute(usb.usbDevice / "product");
    if (camera.name.empty())
        camera.name = choice.card;
    camera.manufacturer = readAttribute(usb.usbDevice / "manufacturer");
    camera.handle = choice.path;
    return camera;
}

std::optional<fs::path> sysfsRootOf(const V4l2Paths &paths)
{
    std::error_code error;
    fs::path root = fs::canonical(paths.sysfsRoot, error);
    if (error)
        return std::nullopt;
    return root;
}

} // namespace

std::vector<CameraInfo> findCameras(NodeCache &nodes, const V4l2Paths &paths)
{
    const std::optional<fs::path> sysfsRoot = sysfsRootOf(paths);
    if (!sysfsRoot)
        return {};
    std::vector<CameraInfo> cameras;
    for (const UsbCamera &usb : usbCameras(*sysfsRoot)) {
        if (std::optional<Choice> choice = chooseNode(nodes, paths, *sysfsRoot, usb))
            cameras.push_back(describeCamera(usb, *choice));
    }
    return cameras;
}

Result<CameraInfo> findCamera(NodeCache &nodes, const V4l2Paths &paths, const std::optional<std::string> &designator)
{
    const std::optional<fs::path> sysfsRoot = sysfsRootOf(paths);
    const std::vector<UsbCamera> usb = sysfsRoot ? usbCameras(*sysfsRoot) : std::vector<UsbCamera>{};
    std::string known;
    for (const UsbCamera &candidate : usb) {
        known += (known.empty() ? "" : ", ") + candidate.designator();
        if (designator && !candidate.answersTo(*designator))
            continue;
        if (std::optional<Choice> choice = chooseNode(nodes, paths, *sysfsRoot, candidate))
            return describeCamera(candidate, *choice);
    }
    if (!designator || known.empty())
        return Failure{ExitCode::NoCamera, "no camera found"};
    return Failure{ExitCode::NoCamera, "no camera " + printable(*designator) + " (cameras: " + known + ")"};
}

} // namespace uvcc::v4l2
