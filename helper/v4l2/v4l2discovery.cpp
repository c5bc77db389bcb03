#include "v4l2discovery.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cstring>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string_view>

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

enum class Probe { Capture, NotCapture, Unopenable };

Probe probeNode(NodeCache &nodes, const std::string &path, std::string *card)
{
    Result<const OpenNode *> node = nodes.open(path);
    if (!node)
        return node.failure().code == ExitCode::Permission ? Probe::Unopenable : Probe::NotCapture;
    v4l2_capability caps{};
    if (node.value()->ioctl(VIDIOC_QUERYCAP, &caps) < 0)
        return Probe::NotCapture;
    const uint32_t nodeCaps = (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
    if (!(nodeCaps & (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_CAPTURE_MPLANE)))
        return Probe::NotCapture;
    const auto *text = reinterpret_cast<const char *>(caps.card);
    card->assign(text, strnlen(text, sizeof caps.card));
    return Probe::Capture;
}

// The node a camera is addressed through. When the user may not open the
// nodes, QUERYCAP cannot tell capture from metadata; the driver registers the
// capture node first (sysfs index 0), so take that one and let the later
// commands report the permission problem instead of hiding the camera.
struct Choice {
    std::string path;
    std::string card;
};

std::optional<Choice> chooseNode(NodeCache &nodes, const V4l2Paths &paths, const fs::path &sysfsRoot,
                                 const std::vector<const VideoNode *> &videoNodes)
{
    std::optional<Choice> unopenable;
    for (const VideoNode *node : videoNodes) {
        const std::string path = (fs::path(paths.devRoot) / node->name).string();
        std::string card;
        switch (probeNode(nodes, path, &card)) {
        case Probe::Capture:
            return Choice{path, card};
        case Probe::Unopenable:
            if (!unopenable) {
                const fs::path attributes = sysfsRoot / "class" / "video4linux" / node->name;
                const std::string index = readAttribute(attributes / "index");
                if (index.empty() || index == "0")
                    unopenable = Choice{path, readAttribute(attributes / "name")};
            }
            break;
        case Probe::NotCapture:
            break;
        }
    }
    return unopenable;
}

} // namespace

std::vector<CameraInfo> findCameras(NodeCache &nodes, const V4l2Paths &paths)
{
    std::error_code error;
    const fs::path sysfsRoot = fs::canonical(paths.sysfsRoot, error);
    if (error)
        return {};
    const std::vector<VideoNode> videoNodes = usbVideoNodes(sysfsRoot);

    // Group the nodes by USB device, keeping the order of each device's first node.
    std::vector<fs::path> order;
    std::map<fs::path, std::vector<const VideoNode *>> byDevice;
    for (const VideoNode &node : videoNodes) {
        auto &group = byDevice[node.usbDevice];
        if (group.empty())
            order.push_back(node.usbDevice);
        group.push_back(&node);
    }

    std::vector<CameraInfo> cameras;
    for (const fs::path &usb : order) {
        std::string vid = readAttribute(usb / "idVendor");
        std::string pid = readAttribute(usb / "idProduct");
        if (!isFourHexDigits(vid) || !isFourHexDigits(pid))
            continue;
        std::optional<Choice> choice = chooseNode(nodes, paths, sysfsRoot, byDevice[usb]);
        if (!choice)
            continue;
        std::transform(vid.begin(), vid.end(), vid.begin(), [](unsigned char c) { return std::tolower(c); });
        std::transform(pid.begin(), pid.end(), pid.begin(), [](unsigned char c) { return std::tolower(c); });
        CameraInfo camera;
        camera.vid = vid;
        camera.pid = pid;
        camera.name = readAttribute(usb / "product");
        if (camera.name.empty())
            camera.name = choice->card;
        camera.manufacturer = readAttribute(usb / "manufacturer");
        camera.handle = choice->path;
        cameras.push_back(std::move(camera));
    }
    return cameras;
}

} // namespace uvcc::v4l2
