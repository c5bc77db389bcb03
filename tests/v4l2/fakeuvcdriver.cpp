#include "fakeuvcdriver.h"

#include <linux/videodev2.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using nlohmann::json;

namespace fakeuvc {
namespace {

// A manual control, the automatic mode that locks it, and the mode's value
// (V4L2 menu index or boolean) in which the manual control is free.
struct Lock {
    uint32_t id;
    uint32_t master;
    int32_t manualValue;
};
constexpr Lock kLocks[] = {
    {V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL},
    {V4L2_CID_FOCUS_ABSOLUTE, V4L2_CID_FOCUS_AUTO, 0},
    {V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CID_AUTO_WHITE_BALANCE, 0},
};

void copyName(char *target, size_t size, const std::string &text)
{
    std::memset(target, 0, size);
    std::memcpy(target, text.data(), std::min(size - 1, text.size()));
}

json intControl(uint32_t id, const char *name, int min, int max, int step, int def)
{
    return {{"id", id}, {"name", name}, {"type", V4L2_CTRL_TYPE_INTEGER}, {"min", min}, {"max", max},
            {"step", step}, {"default", def}, {"value", def}};
}

json boolControl(uint32_t id, const char *name, int def)
{
    return {{"id", id}, {"name", name}, {"type", V4L2_CTRL_TYPE_BOOLEAN}, {"min", 0}, {"max", 1},
            {"step", 1}, {"default", def}, {"value", def}};
}

// The UVC driver reports only the modes the camera supports (menu mask) and
// narrows min and max to them.
json exposureControl(uint32_t mask, int def)
{
    const int min = __builtin_ctz(mask);
    const int max = 31 - __builtin_clz(mask);
    return {{"id", V4L2_CID_EXPOSURE_AUTO}, {"name", "Auto Exposure"}, {"type", V4L2_CTRL_TYPE_MENU},
            {"min", min}, {"max", max}, {"step", 1}, {"default", def}, {"value", def}, {"menuMask", mask},
            {"menu", {"Auto Mode", "Manual Mode", "Shutter Priority Mode", "Aperture Priority Mode"}}};
}

void writeText(const fs::path &file, const std::string &text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << "\n";
}

// One video node in sysfs: the class link, its attributes and, when it has a
// parent device, the `device` link to it.
void addSysfsNode(const fs::path &sys, const fs::path &parent, const std::string &node, const std::string &name,
                  int index)
{
    const fs::path dir = parent / "video4linux" / node;
    writeText(dir / "name", name);
    writeText(dir / "index", std::to_string(index));
    // Tools that start from a device node (v4l2-ctl) find it through /sys/dev/char.
    const std::string number = node.substr(std::string("video").size());
    writeText(dir / "dev", "81:" + number);
    writeText(dir / "uevent", "MAJOR=81\nMINOR=" + number + "\nDEVNAME=" + node);
    fs::create_directories(sys / "dev" / "char");
    fs::create_directory_symlink(fs::relative(dir, sys / "dev" / "char"), sys / "dev" / "char" / ("81:" + number));
    if (parent.filename() != "virtual")
        fs::create_directory_symlink(fs::relative(parent, dir), dir / "device");
    fs::create_directories(sys / "class" / "video4linux");
    fs::create_directory_symlink(fs::relative(dir, sys / "class" / "video4linux"), sys / "class" / "video4linux" / node);
}

} // namespace

json CallCounts::toJson() const
{
    return {{"opens", opens}, {"capabilityQueries", capabilityQueries}, {"controlQueries", controlQueries},
            {"reads", reads}, {"writes", writes}};
}

CallCounts &callCounts()
{
    static CallCounts counts;
    return counts;
}

std::optional<FakeUvcNode> FakeUvcNode::open(const std::string &path, int *error)
{
    ++callCounts().opens;
    std::optional<FakeUvcNode> node = load(path);
    *error = !node ? (stampOf(path) == Stamp{} ? ENOENT : ENODEV) : node->m_state.value("denyOpen", false) ? EACCES : node->consumeFailure("failOpen");
    if (*error)
        return std::nullopt;
    return node;
}

int FakeUvcNode::consumeFailure(const std::string &field)
{
    const int error = m_state.value(field, 0);
    if (!error)
        return 0;
    const std::string times = field + "Times";
    if (!m_state.contains(times))
        return error;
    const int left = m_state[times].get<int>();
    if (left <= 0)
        return 0;
    m_state[times] = left - 1;
    save();
    return error;
}

std::optional<FakeUvcNode> FakeUvcNode::load(const std::string &path)
{
    try {
        json state = readNodeFile(path);
        if (!state.is_object() || !state.contains("kind"))
            return std::nullopt;
        return FakeUvcNode(path, std::move(state));
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

FakeUvcNode::Stamp FakeUvcNode::stampOf(const std::string &path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return {};
    return {info.st_ino, int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

bool FakeUvcNode::reloadIfChanged()
{
    const Stamp now = stampOf(m_path);
    if (now == Stamp{})
        return false;
    if (now != m_stamp) {
        if (std::optional<FakeUvcNode> fresh = load(m_path))
            *this = std::move(*fresh);
    }
    return true;
}

FakeUvcNode::FakeUvcNode(std::string path, json state)
    : m_path(std::move(path)), m_state(std::move(state)), m_stamp(stampOf(m_path))
{
    auto &controls = m_state["controls"];
    if (!controls.is_array())
        controls = json::array();
    std::sort(controls.begin(), controls.end(),
              [](const json &a, const json &b) { return a["id"].get<uint32_t>() < b["id"].get<uint32_t>(); });
}

json *FakeUvcNode::control(uint32_t id)
{
    for (json &c : m_state["controls"]) {
        if (c["id"].get<uint32_t>() == id)
            return &c;
    }
    return nullptr;
}

json *FakeUvcNode::nextControl(uint32_t after)
{
    for (json &c : m_state["controls"]) {
        if (c["id"].get<uint32_t>() > after)
            return &c;
    }
    return nullptr;
}

bool FakeUvcNode::isInactive(const json &c)
{
    for (const Lock &lock : kLocks) {
        if (c["id"].get<uint32_t>() != lock.id)
            continue;
        const json *master = control(lock.master);
        return master && (*master)["value"].get<int32_t>() != lock.manualValue;
    }
    return false;
}

int FakeUvcNode::ioctl(unsigned long request, void *arg)
{
    if (!reloadIfChanged())
        return -ENODEV; // unplugged while open
    const bool metadata = m_state["kind"] == "metadata";
    CallCounts &counts = callCounts();
    switch (request) {
    case VIDIOC_QUERYCAP:
        ++counts.capabilityQueries;
        if (const int error = consumeFailure("failQuerycap"))
            return -error;
        return queryCapabilities(arg);
    case VIDIOC_QUERYCTRL:
    case VIDIOC_QUERY_EXT_CTRL:
    case VIDIOC_QUERYMENU:
        ++counts.controlQueries;
        break;
    case VIDIOC_G_CTRL:
        ++counts.reads;
        break;
    case VIDIOC_S_CTRL:
        ++counts.writes;
        break;
    case VIDIOC_G_EXT_CTRLS:
    case VIDIOC_S_EXT_CTRLS:
        (request == VIDIOC_G_EXT_CTRLS ? counts.reads : counts.writes) +=
            static_cast<v4l2_ext_controls *>(arg)->count;
        break;
    }
    switch (request) {
    case VIDIOC_QUERYCTRL:
        return metadata ? -ENOTTY : queryControl(arg);
    case VIDIOC_QUERY_EXT_CTRL:
        return metadata ? -ENOTTY : queryExtControl(arg);
    case VIDIOC_QUERYMENU:
        return metadata ? -ENOTTY : queryMenu(arg);
    case VIDIOC_G_CTRL: {
        if (metadata)
            return -ENOTTY;
        auto *c = static_cast<v4l2_control *>(arg);
        return getControl(c->id, &c->value);
    }
    case VIDIOC_S_CTRL: {
        if (metadata)
            return -ENOTTY;
        auto *c = static_cast<v4l2_control *>(arg);
        return setControl(c->id, &c->value, true);
    }
    case VIDIOC_G_EXT_CTRLS:
    case VIDIOC_S_EXT_CTRLS:
    case VIDIOC_TRY_EXT_CTRLS:
        return metadata ? -ENOTTY : extControls(request, arg);
    default:
        return -ENOTTY;
    }
}

int FakeUvcNode::queryCapabilities(void *arg)
{
    auto *caps = static_cast<v4l2_capability *>(arg);
    *caps = {};
    copyName(reinterpret_cast<char *>(caps->driver), sizeof caps->driver, "uvcvideo");
    copyName(reinterpret_cast<char *>(caps->card), sizeof caps->card, m_state.value("card", ""));
    copyName(reinterpret_cast<char *>(caps->bus_info), sizeof caps->bus_info, m_state.value("busInfo", ""));
    caps->version = 0x060100; // 6.1, Debian 12's kernel
    const uint32_t common = V4L2_CAP_STREAMING | V4L2_CAP_EXT_PIX_FORMAT;
    caps->device_caps = common | (m_state["kind"] == "metadata" ? V4L2_CAP_META_CAPTURE : V4L2_CAP_VIDEO_CAPTURE);
    caps->capabilities = common | V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE | V4L2_CAP_DEVICE_CAPS;
    return 0;
}

int FakeUvcNode::queryControl(void *arg)
{
    v4l2_query_ext_ctrl ext{};
    auto *q = static_cast<v4l2_queryctrl *>(arg);
    ext.id = q->id;
    if (int error = queryExtControl(&ext))
        return error;
    *q = {};
    q->id = ext.id;
    q->type = ext.type;
    std::memcpy(q->name, ext.name, sizeof q->name);
    q->minimum = static_cast<int32_t>(ext.minimum);
    q->maximum = static_cast<int32_t>(ext.maximum);
    q->step = static_cast<int32_t>(ext.step);
    q->default_value = static_cast<int32_t>(ext.default_value);
    q->flags = ext.flags;
    return 0;
}

int FakeUvcNode::queryExtControl(void *arg)
{
    auto *q = static_cast<v4l2_query_ext_ctrl *>(arg);
    const uint32_t id = q->id & ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
    json *c = (q->id & V4L2_CTRL_FLAG_NEXT_CTRL) ? nextControl(id) : control(id);
    if (!c)
        return -EINVAL;
    *q = {};
    q->id = (*c)["id"].get<uint32_t>();
    q->type = (*c)["type"].get<uint32_t>();
    copyName(q->name, sizeof q->name, (*c)["name"].get<std::string>());
    q->minimum = (*c)["min"].get<int32_t>();
    q->maximum = (*c)["max"].get<int32_t>();
    q->step = (*c)["step"].get<int32_t>();
    q->default_value = (*c)["default"].get<int32_t>();
    q->flags = (isInactive(*c) ? V4L2_CTRL_FLAG_INACTIVE : 0) | (c->value("readOnly", false) ? V4L2_CTRL_FLAG_READ_ONLY : 0);
    q->elem_size = 4;
    q->elems = 1;
    return 0;
}

int FakeUvcNode::queryMenu(void *arg)
{
    auto *m = static_cast<v4l2_querymenu *>(arg);
    const json *c = control(m->id);
    if (!c || (*c)["type"].get<uint32_t>() != V4L2_CTRL_TYPE_MENU || m->index >= 32)
        return -EINVAL;
    const uint32_t mask = (*c)["menuMask"].get<uint32_t>();
    const json &names = (*c)["menu"];
    if (!(mask & (1u << m->index)) || m->index >= names.size())
        return -EINVAL;
    copyName(reinterpret_cast<char *>(m->name), sizeof m->name, names[m->index].get<std::string>());
    return 0;
}

int FakeUvcNode::getControl(uint32_t id, int32_t *value, bool defaultValue)
{
    const json *c = control(id);
    if (!c)
        return -EINVAL;
    if (!defaultValue && c->value("fail", 0) != 0)
        return -c->value("fail", 0);
    *value = (*c)[defaultValue ? "default" : "value"].get<int32_t>();
    return 0;
}

int FakeUvcNode::setControl(uint32_t id, int32_t *value, bool apply)
{
    json *c = control(id);
    if (!c)
        return -EINVAL;
    if (apply && c->value("failSet", 0) != 0)
        return -c->value("failSet", 0);
    if (c->value("readOnly", false) || isInactive(*c))
        return -EACCES;
    const int32_t min = (*c)["min"].get<int32_t>();
    const int32_t max = (*c)["max"].get<int32_t>();
    int64_t v = *value;
    switch ((*c)["type"].get<uint32_t>()) {
    case V4L2_CTRL_TYPE_MENU:
        if (v < min || v > max)
            return -ERANGE;
        if (!((*c)["menuMask"].get<uint32_t>() & (1u << v)))
            return -EINVAL;
        break;
    case V4L2_CTRL_TYPE_BOOLEAN:
        v = std::clamp<int64_t>(v, 0, 1);
        break;
    default: {
        // As uvcvideo does it: round the offset from min as an unsigned
        // 32-bit number, then clamp, signed only for the controls UVC defines
        // as signed.
        const uint32_t step = static_cast<uint32_t>(std::max(1, (*c)["step"].get<int32_t>()));
        const uint32_t offset = static_cast<uint32_t>(*value) - static_cast<uint32_t>(min);
        const int32_t rounded = static_cast<int32_t>(static_cast<uint32_t>(min) + (offset + step / 2) / step * step);
        if (id == V4L2_CID_BRIGHTNESS || id == V4L2_CID_HUE)
            v = std::clamp(rounded, min, max);
        else
            v = static_cast<int32_t>(std::clamp(static_cast<uint32_t>(rounded), static_cast<uint32_t>(min),
                                                static_cast<uint32_t>(max)));
    }
    }
    if (c->value("fail", 0) != 0)
        return -c->value("fail", 0);
    *value = static_cast<int32_t>(v);
    if (apply) {
        (*c)["value"] = v;
        save();
    }
    return 0;
}

int FakeUvcNode::extControls(unsigned long request, void *arg)
{
    auto *ext = static_cast<v4l2_ext_controls *>(arg);
    const bool defaults = ext->which == V4L2_CTRL_WHICH_DEF_VAL;
    if (defaults && request != VIDIOC_G_EXT_CTRLS)
        return -EINVAL;
    for (uint32_t i = 0; i < ext->count; ++i) {
        v4l2_ext_control &c = ext->controls[i];
        int32_t value = c.value; // the struct is packed: no pointer to its members
        int error = request == VIDIOC_G_EXT_CTRLS ? getControl(c.id, &value, defaults)
                                                  : setControl(c.id, &value, request == VIDIOC_S_EXT_CTRLS);
        c.value = value;
        if (error) {
            ext->error_idx = i;
            return error;
        }
    }
    return 0;
}

void FakeUvcNode::save()
{
    writeNodeFile(m_path, m_state);
    m_stamp = stampOf(m_path);
}

void writeNodeFile(const std::string &path, const json &state)
{
    // Replace, never rewrite in place: another process may be reading it.
    const std::string temporary = path + ".new";
    std::ofstream(temporary) << state.dump(1) << "\n";
    std::rename(temporary.c_str(), path.c_str());
}

json readNodeFile(const std::string &path)
{
    std::ifstream in(path);
    return json::parse(in);
}

json fullCameraNode()
{
    json controls = basicCameraNode()["controls"];
    controls.erase(std::remove_if(controls.begin(), controls.end(),
                                  [](const json &c) { return c["id"] == V4L2_CID_EXPOSURE_AUTO; }),
                   controls.end());
    // The common webcam: manual and aperture priority only, starting automatic.
    controls.push_back(exposureControl((1u << V4L2_EXPOSURE_MANUAL) | (1u << V4L2_EXPOSURE_APERTURE_PRIORITY),
                                       V4L2_EXPOSURE_APERTURE_PRIORITY));
    controls.push_back(intControl(V4L2_CID_FOCUS_ABSOLUTE, "Focus, Absolute", 0, 250, 5, 0));
    controls.push_back(boolControl(V4L2_CID_FOCUS_AUTO, "Focus, Automatic Continuous", 1));
    controls.push_back(intControl(V4L2_CID_ZOOM_ABSOLUTE, "Zoom, Absolute", 100, 500, 1, 100));
    controls.push_back(intControl(V4L2_CID_IRIS_ABSOLUTE, "Iris, Absolute", 0, 10, 1, 0));
    return {{"kind", "capture"}, {"card", "Lumarel Test Camera"}, {"busInfo", "usb-0000:00:14.0-1"},
            {"controls", controls}};
}

json basicCameraNode()
{
    json controls = {
        intControl(V4L2_CID_BRIGHTNESS, "Brightness", -64, 64, 1, 0),
        intControl(V4L2_CID_CONTRAST, "Contrast", 0, 95, 1, 32),
        intControl(V4L2_CID_SATURATION, "Saturation", 0, 100, 1, 55),
        intControl(V4L2_CID_HUE, "Hue", -2000, 2000, 1, 0),
        boolControl(V4L2_CID_AUTO_WHITE_BALANCE, "White Balance, Automatic", 1),
        intControl(V4L2_CID_GAMMA, "Gamma", 100, 300, 1, 165),
        intControl(V4L2_CID_GAIN, "Gain", 0, 255, 1, 0),
        intControl(V4L2_CID_WHITE_BALANCE_TEMPERATURE, "White Balance Temperature", 2800, 6500, 10, 4600),
        intControl(V4L2_CID_SHARPNESS, "Sharpness", 0, 7, 1, 2),
        intControl(V4L2_CID_BACKLIGHT_COMPENSATION, "Backlight Compensation", 0, 2, 1, 1),
        exposureControl(0xf, V4L2_EXPOSURE_AUTO),
        intControl(V4L2_CID_EXPOSURE_ABSOLUTE, "Exposure Time, Absolute", 3, 2047, 1, 166),
    };
    return {{"kind", "capture"}, {"card", "USB 2.0 Camera: USB Camera"}, {"busInfo", "usb-0000:00:14.0-2"},
            {"controls", controls}};
}

json metadataNode(const std::string &card)
{
    return {{"kind", "metadata"}, {"card", card}, {"busInfo", "usb-0000:00:14.0-1"}};
}

void addUsbCamera(const std::string &rootText, const UsbCamera &camera)
{
    const fs::path root(rootText);
    const fs::path usb = root / "sys" / "devices" / "pci0000:00" / "0000:00:14.0" / "usb1" / camera.port;
    fs::create_directories(root / "dev");
    writeText(usb / "idVendor", camera.vid);
    writeText(usb / "idProduct", camera.pid);
    if (!camera.product.empty())
        writeText(usb / "product", camera.product);
    if (!camera.manufacturer.empty())
        writeText(usb / "manufacturer", camera.manufacturer);
    int index = 0;
    for (const auto &[node, state] : camera.nodes) {
        addSysfsNode(root / "sys", usb / (camera.port + ":1.0"), node, state.value("card", ""), index++);
        writeNodeFile((root / "dev" / node).string(), state);
    }
}

void buildStandardTree(const std::string &rootText)
{
    const fs::path root(rootText);
    const fs::path sys = root / "sys";
    const fs::path dev = root / "dev";
    fs::create_directories(dev);

    addSysfsNode(sys, sys / "devices" / "virtual", "video0", "Dummy video device (0x0000)", 0);
    writeNodeFile((dev / "video0").string(), {{"kind", "capture"}, {"card", "Dummy video device (0x0000)"}});
    addSysfsNode(sys, sys / "devices" / "platform" / "vivid.0", "video1", "vivid-000-vid-cap", 0);
    writeNodeFile((dev / "video1").string(), {{"kind", "capture"}, {"card", "vivid"}});

    addUsbCamera(rootText, {"1-1", "1a2b", "3c4d", "Lumarel Test Camera", "Acme Optics",
                            {{"video2", fullCameraNode()}, {"video3", metadataNode("Lumarel Test Camera")}}});
    addUsbCamera(rootText, {"1-2", "0c45", "6366", "", "", {{"video10", basicCameraNode()}}});
}

void setControlField(const std::string &nodeFile, uint32_t id, const std::string &field, const json &value)
{
    json state = readNodeFile(nodeFile);
    for (json &c : state["controls"]) {
        if (c["id"].get<uint32_t>() == id)
            c[field] = value;
    }
    writeNodeFile(nodeFile, state);
}

} // namespace fakeuvc
