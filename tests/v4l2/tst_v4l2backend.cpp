// The V4L2 back end through its public interface, with the fake UVC driver
// behind the device seam and a fake sysfs tree in a temporary directory.

#include "catalogue.h"
#include "fakeuvcdriver.h"
#include "v4l2backend.h"
#include "v4l2controls.h"

#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <linux/videodev2.h>

#include <cerrno>
#include <map>

using namespace uvcc;
using namespace uvcc::v4l2;

namespace {

// Serves node files in process, the way the LD_PRELOAD shim does for programs.
class FakeDevice final : public V4l2Device {
public:
    int open(const std::string &path, int flags) override
    {
        openFlags = flags;
        opened.push_back(path);
        int error = 0;
        std::optional<fakeuvc::FakeUvcNode> node = fakeuvc::FakeUvcNode::open(path, &error);
        if (!node) {
            errno = error;
            return -1;
        }
        m_open.emplace(m_nextFd, std::move(*node));
        return m_nextFd++;
    }
    int ioctl(int fd, unsigned long request, void *arg) override
    {
        auto found = m_open.find(fd);
        const int result = found == m_open.end() ? -EBADF : found->second.ioctl(request, arg);
        errno = -result;
        return result < 0 ? -1 : 0;
    }
    int close(int fd) override { return m_open.erase(fd) ? 0 : -1; }

    int openFlags = 0;
    std::vector<std::string> opened; // every open asked for, in order
    size_t stillOpen() const { return m_open.size(); }

private:
    std::map<int, fakeuvc::FakeUvcNode> m_open;
    int m_nextFd = 100;
};

const ControlInfo *find(const std::vector<ControlInfo> &controls, const std::string &name)
{
    for (const ControlInfo &control : controls) {
        if (control.name == name)
            return &control;
    }
    return nullptr;
}

} // namespace

class TestV4l2Backend : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    FakeDevice m_device;
    std::unique_ptr<V4l2Backend> m_backend;

    std::string path(const char *relative) const { return (m_dir->path() + "/" + relative).toStdString(); }
    CameraInfo camera(size_t index)
    {
        Result<std::vector<CameraInfo>> cameras = m_backend->cameras();
        if (!cameras || cameras.value().size() <= index)
            return {};
        return cameras.value()[index];
    }
    std::vector<ControlInfo> controlsOf(size_t index)
    {
        Result<std::vector<ControlInfo>> controls = m_backend->controls(camera(index));
        return controls ? controls.value() : std::vector<ControlInfo>{};
    }
    void deny(const char *node)
    {
        nlohmann::json state = fakeuvc::readNodeFile(path(node));
        state["denyOpen"] = true;
        fakeuvc::writeNodeFile(path(node), state);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        fakeuvc::buildStandardTree(m_dir->path().toStdString());
        m_backend = std::make_unique<V4l2Backend>(m_device, V4l2Paths{path("sys"), path("dev")});
    }

    void cleanup()
    {
        m_backend.reset();
        QCOMPARE(m_device.stillOpen(), size_t(0));
    }

    void findsOneEntryPerUsbCaptureCamera()
    {
        Result<std::vector<CameraInfo>> cameras = m_backend->cameras();
        QVERIFY(cameras);
        // Not the loopback (video0), not the platform camera (video1), not the
        // metadata node (video3); video10 sorts after video2.
        QCOMPARE(cameras.value().size(), size_t(2));
        const CameraInfo &first = cameras.value()[0];
        QCOMPARE(first.designator(), std::string("1a2b:3c4d"));
        QCOMPARE(first.name, std::string("Lumarel Test Camera"));
        QCOMPARE(first.manufacturer, std::string("Acme Optics"));
        QCOMPARE(first.handle, path("dev/video2"));
        const CameraInfo &second = cameras.value()[1];
        QCOMPARE(second.designator(), std::string("0c45:6366"));
        QCOMPARE(second.name, std::string("USB 2.0 Camera: USB Camera")); // no USB product: the card
        QCOMPARE(second.manufacturer, std::string());
        QCOMPARE(second.handle, path("dev/video10"));
        QCOMPARE(m_device.openFlags, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    }

    void sameModelTwiceIsToldApartByItsPort()
    {
        fakeuvc::addUsbCamera(m_dir->path().toStdString(),
                              {"1-3", "1A2B", "3C4D", "Lumarel Test Camera", "", {{"video4", fakeuvc::basicCameraNode()}}});
        Result<std::vector<CameraInfo>> cameras = m_backend->cameras();
        QVERIFY(cameras);
        QCOMPARE(cameras.value().size(), size_t(3));
        // lower-cased like sysfs prints it; the first of the model, on port 1-1, keeps plain vid:pid
        QCOMPARE(cameras.value()[1].designator(), std::string("1a2b:3c4d#1-3"));
        QCOMPARE(cameras.value()[0].designator(), std::string("1a2b:3c4d"));
        QCOMPARE(cameras.value()[1].handle, path("dev/video4"));
    }

    void emptyOrMissingTreesHaveNoCameras()
    {
        V4l2Backend nowhere(m_device, V4l2Paths{path("no-such-sys"), path("dev")});
        QVERIFY(nowhere.cameras());
        QVERIFY(nowhere.cameras().value().empty());
        QVERIFY(QDir(m_dir->path() + "/sys/class/video4linux").removeRecursively());
        QVERIFY(m_backend->cameras().value().empty());
    }

    void unopenableCameraIsListedAndItsCommandsNameThePermission()
    {
        deny("dev/video2");
        deny("dev/video3");
        deny("dev/video10");
        Result<std::vector<CameraInfo>> cameras = m_backend->cameras();
        QCOMPARE(cameras.value().size(), size_t(2));
        QCOMPARE(cameras.value()[0].handle, path("dev/video2")); // the capture node, by sysfs index
        QCOMPARE(cameras.value()[1].name, std::string("USB 2.0 Camera: USB Camera"));

        Result<std::vector<ControlInfo>> controls = m_backend->controls(cameras.value()[0]);
        QVERIFY(!controls);
        QCOMPARE(controls.failure().code, ExitCode::Permission);
        QVERIFY(controls.failure().message.find("'video' group") != std::string::npos);
        std::optional<Failure> write = m_backend->setControl(cameras.value()[0], "brightness", 1);
        QVERIFY(write);
        QCOMPARE(write->code, ExitCode::Permission);
    }

    void reportsCatalogueControlsInUvcTerms()
    {
        const std::vector<ControlInfo> full = controlsOf(0);
        QCOMPARE(full.size(), size_t(16));
        QCOMPARE(full.front().name, std::string("brightness"));
        QCOMPARE(full.back().name, std::string("auto_exposure_mode"));

        const ControlInfo *exposure = find(full, "auto_exposure_mode");
        QCOMPARE(exposure->type, ControlType::Menu);
        QCOMPARE(exposure->modes, (std::vector<int64_t>{1, 8}));
        QCOMPARE(exposure->min, 1);
        QCOMPARE(exposure->max, 8);
        QCOMPARE(exposure->defaultValue, 8);
        QCOMPARE(exposure->value, std::optional<int64_t>(8));

        const ControlInfo *focus = find(full, "absolute_focus");
        QCOMPARE(focus->step, 5);
        QVERIFY(focus->inactive);
        QVERIFY(find(full, "absolute_exposure_time")->inactive);
        QVERIFY(find(full, "white_balance_temperature")->inactive);
        QVERIFY(!find(full, "brightness")->inactive);
        QCOMPARE(find(full, "auto_focus")->type, ControlType::Boolean);
        QCOMPARE(find(full, "hue")->min, -2000);

        const std::vector<ControlInfo> basic = controlsOf(1);
        QCOMPARE(basic.size(), size_t(12));
        QVERIFY(!find(basic, "absolute_focus") && !find(basic, "absolute_zoom") && !find(basic, "iris_absolute"));
        QCOMPARE(find(basic, "auto_exposure_mode")->modes, (std::vector<int64_t>{1, 2, 4, 8}));
        QCOMPARE(find(basic, "auto_exposure_mode")->value, std::optional<int64_t>(2)); // menu index 0
    }

    void unreadableValuesAndBadDescriptors()
    {
        fakeuvc::setControlField(path("dev/video2"), V4L2_CID_GAIN, "fail", EIO);
        fakeuvc::setControlField(path("dev/video2"), V4L2_CID_HUE, "fail", ETIMEDOUT);
        fakeuvc::setControlField(path("dev/video2"), V4L2_CID_CONTRAST, "min", 100); // above its max of 95
        fakeuvc::setControlField(path("dev/video2"), V4L2_CID_SHARPNESS, "step", 0);
        const std::vector<ControlInfo> controls = controlsOf(0);
        QCOMPARE(controls.size(), size_t(16));
        QCOMPARE(find(controls, "contrast")->min, 95); // the bounds swapped, not the control dropped
        QCOMPARE(find(controls, "contrast")->max, 100);
        QCOMPARE(find(controls, "gain")->value, std::nullopt);
        QCOMPARE(find(controls, "hue")->value, std::nullopt);
        QCOMPARE(find(controls, "brightness")->value, std::optional<int64_t>(0));
        QCOMPARE(find(controls, "sharpness")->step, 1);
    }

    // A write asks about its one control; which controls it finds must match
    // the listing, including a control with inverted bounds.
    void writesFindExactlyTheListedControls()
    {
        fakeuvc::setControlField(path("dev/video10"), V4L2_CID_CONTRAST, "min", 100); // above its max of 95
        for (size_t index : {0, 1}) {
            const std::vector<ControlInfo> listed = controlsOf(index);
            for (std::string_view name : kControlNames) {
                const ControlInfo *control = find(listed, std::string(name));
                std::optional<Failure> write =
                    m_backend->setControl(camera(index), std::string(name), control ? control->defaultValue : 0);
                const bool noControl = write && write->code == ExitCode::NoControl;
                QVERIFY2(noControl == !control, name.data());
            }
        }
    }

    // Each slider move is one run of `set`: it must not wake the other camera
    // or ask the camera about anything but the control it writes.
    void setTouchesOnlyTheAddressedCameraAndControl()
    {
        fakeuvc::callCounts() = {};
        m_device.opened.clear();
        Result<CameraInfo> addressed = m_backend->camera(std::string("0C45:6366"));
        QVERIFY(addressed);
        QCOMPARE(m_backend->setControl(addressed.value(), "brightness", 10), std::nullopt);
        QCOMPARE(m_device.opened, std::vector<std::string>{path("dev/video10")});
        QVERIFY(fakeuvc::callCounts().controlQueries <= 1);
        QCOMPARE(fakeuvc::callCounts().reads, 0);
        QCOMPARE(fakeuvc::callCounts().writes, 1);

        Result<CameraInfo> unknown = m_backend->camera(std::string("dead:beef"));
        QCOMPARE(unknown.failure().code, ExitCode::NoCamera);
        QVERIFY2(unknown.failure().message.find("1a2b:3c4d, 0c45:6366") != std::string::npos,
                 unknown.failure().message.c_str());
    }

    // uvcvideo clamps unsigned controls as unsigned 32-bit numbers, so a
    // negative contrast would land on its maximum unless clamped first.
    void outOfRangeValuesAreClampedBeforeTheKernelSeesThem()
    {
        QCOMPARE(m_backend->setControl(camera(1), "contrast", -5), std::nullopt);
        QCOMPARE(find(controlsOf(1), "contrast")->value, std::optional<int64_t>(0));
        fakeuvc::setControlField(path("dev/video10"), V4L2_CID_GAIN, "step", 10);
        QCOMPARE(m_backend->setControl(camera(1), "gain", 254), std::nullopt);
        QCOMPARE(find(controlsOf(1), "gain")->value, std::optional<int64_t>(250)); // 260 is past the max
    }

    void aperturePriorityFallsBackToFullyAutomatic()
    {
        nlohmann::json node = fakeuvc::basicCameraNode();
        for (nlohmann::json &control : node["controls"]) {
            if (control["id"] == V4L2_CID_EXPOSURE_AUTO) {
                control["menuMask"] = (1u << V4L2_EXPOSURE_AUTO) | (1u << V4L2_EXPOSURE_MANUAL);
                control["max"] = V4L2_EXPOSURE_MANUAL;
            }
        }
        fakeuvc::writeNodeFile(path("dev/video10"), node);
        QCOMPARE(find(controlsOf(1), "auto_exposure_mode")->modes, (std::vector<int64_t>{1, 2}));
        QCOMPARE(m_backend->setControl(camera(1), "auto_exposure_mode", 1), std::nullopt);
        QCOMPARE(m_backend->setControl(camera(1), "auto_exposure_mode", 8), std::nullopt);
        QCOMPARE(find(controlsOf(1), "auto_exposure_mode")->value, std::optional<int64_t>(2));
        std::optional<Failure> shutter = m_backend->setControl(camera(1), "auto_exposure_mode", 4);
        QVERIFY(shutter);
        QCOMPARE(shutter->code, ExitCode::Refused);
    }

    // A camera without the UVC error-code control stalls every refused write.
    void stalledWritesAreRefusals()
    {
        fakeuvc::setControlField(path("dev/video2"), V4L2_CID_EXPOSURE_ABSOLUTE, "failSet", EPIPE);
        fakeuvc::setControlField(path("dev/video2"), V4L2_CID_BRIGHTNESS, "failSet", EPIPE);
        std::optional<Failure> locked = m_backend->setControl(camera(0), "absolute_exposure_time", 500);
        QVERIFY(locked);
        QCOMPARE(locked->code, ExitCode::Refused);
        QVERIFY2(locked->message.find("switch Auto Exposure off first") != std::string::npos, locked->message.c_str());
        std::optional<Failure> refused = m_backend->setControl(camera(0), "brightness", 5);
        QVERIFY(refused);
        QCOMPARE(refused->code, ExitCode::Refused);
        QCOMPARE(refused->message, std::string("the camera refused 5 for brightness"));
    }

    void aCameraBusyForAMomentIsStillListed()
    {
        nlohmann::json node = fakeuvc::readNodeFile(path("dev/video10"));
        node["failOpen"] = EBUSY;
        node["failOpenTimes"] = 1;
        fakeuvc::writeNodeFile(path("dev/video10"), node);
        QFile sysfsName(m_dir->path() + "/sys/class/video4linux/video10/name");
        QVERIFY(sysfsName.open(QIODevice::WriteOnly | QIODevice::Truncate));
        sysfsName.write("UVC Camera (0c45:6366)\n"); // what the kernel names a node, not the camera's answer
        sysfsName.close();
        nlohmann::json first = fakeuvc::readNodeFile(path("dev/video2"));
        first["failQuerycap"] = EIO; // for good: listed from what sysfs says
        fakeuvc::writeNodeFile(path("dev/video2"), first);

        Result<std::vector<CameraInfo>> cameras = m_backend->cameras();
        QVERIFY(cameras);
        QCOMPARE(cameras.value().size(), size_t(2));
        QCOMPARE(cameras.value()[0].designator(), std::string("1a2b:3c4d"));
        QCOMPARE(cameras.value()[0].handle, path("dev/video2"));
        QCOMPARE(cameras.value()[0].name, std::string("Lumarel Test Camera"));
        QCOMPARE(cameras.value()[1].name, std::string("USB 2.0 Camera: USB Camera")); // probed on the retry
    }

    void exposureModesMapBothWays_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("index");
        QTest::newRow("auto") << 2 << 0;
        QTest::newRow("manual") << 1 << 1;
        QTest::newRow("shutter priority") << 4 << 2;
        QTest::newRow("aperture priority") << 8 << 3;
    }

    void exposureModesMapBothWays()
    {
        QFETCH(int, mode);
        QFETCH(int, index);
        QCOMPARE(menuIndexFromExposureMode(mode), std::optional<int64_t>(index));
        QCOMPARE(exposureModeFromMenuIndex(index), std::optional<int64_t>(mode));
        QCOMPARE(menuIndexFromExposureMode(3), std::nullopt);
        QCOMPARE(exposureModeFromMenuIndex(4), std::nullopt);

        // Through the camera that has all four modes.
        QCOMPARE(m_backend->setControl(camera(1), "auto_exposure_mode", mode), std::nullopt);
        QCOMPARE(fakeuvc::readNodeFile(path("dev/video10"))["controls"][10]["value"].get<int>(), index);
        QCOMPARE(find(controlsOf(1), "auto_exposure_mode")->value, std::optional<int64_t>(mode));
    }

    void writesAreClampedAndRounded_data()
    {
        QTest::addColumn<std::string>("name");
        QTest::addColumn<qint64>("written");
        QTest::addColumn<qint64>("stored");
        QTest::newRow("in range") << std::string("brightness") << qint64(-7) << qint64(-7);
        QTest::newRow("above max") << std::string("brightness") << qint64(1000) << qint64(64);
        QTest::newRow("beyond 32 bits clamps, never wraps") << std::string("brightness") << (qint64(1) << 32) << qint64(64);
        QTest::newRow("far below") << std::string("brightness") << -(qint64(1) << 40) << qint64(-64);
        QTest::newRow("rounded to step") << std::string("absolute_focus") << qint64(123) << qint64(125);
        QTest::newRow("switch off") << std::string("auto_focus") << qint64(0) << qint64(0);
    }

    void writesAreClampedAndRounded()
    {
        QFETCH(std::string, name);
        QFETCH(qint64, written);
        QFETCH(qint64, stored);
        QCOMPARE(m_backend->setControl(camera(0), "auto_focus", 0), std::nullopt);
        QCOMPARE(m_backend->setControl(camera(0), name, written), std::nullopt);
        QCOMPARE(find(controlsOf(0), name)->value, std::optional<int64_t>(stored));
    }

    void refusedWritesSayWhatToDo_data()
    {
        QTest::addColumn<std::string>("name");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<int>("code");
        QTest::addColumn<std::string>("message");
        QTest::newRow("exposure time under auto exposure")
            << std::string("absolute_exposure_time") << qint64(500) << int(ExitCode::Refused)
            << std::string("absolute_exposure_time is locked while auto_exposure_mode is on; switch Auto Exposure off first");
        QTest::newRow("focus under auto focus") << std::string("absolute_focus") << qint64(10) << int(ExitCode::Refused)
                                                << std::string("switch Auto Focus off first");
        QTest::newRow("white balance under auto")
            << std::string("white_balance_temperature") << qint64(5000) << int(ExitCode::Refused)
            << std::string("switch Auto White Balance off first");
        QTest::newRow("mode the camera lacks") << std::string("auto_exposure_mode") << qint64(2) << int(ExitCode::Refused)
                                               << std::string("it offers 1 (manual), 8 (aperture priority)");
        QTest::newRow("not a mode") << std::string("auto_exposure_mode") << qint64(3) << int(ExitCode::BadValue)
                                    << std::string("takes 1 (manual), 2 (auto)");
        QTest::newRow("not in the catalogue") << std::string("power_line_frequency") << qint64(1)
                                              << int(ExitCode::NoControl) << std::string("no power_line_frequency");
    }

    void refusedWritesSayWhatToDo()
    {
        QFETCH(std::string, name);
        QFETCH(qint64, value);
        QFETCH(int, code);
        QFETCH(std::string, message);
        const std::string before = fakeuvc::readNodeFile(path("dev/video2")).dump();
        std::optional<Failure> failure = m_backend->setControl(camera(0), name, value);
        QVERIFY(failure);
        QCOMPARE(int(failure->code), code);
        QVERIFY2(failure->message.find(message) != std::string::npos, failure->message.c_str());
        QCOMPARE(fakeuvc::readNodeFile(path("dev/video2")).dump(), before);
    }

    void unlockedByTheAutomaticModeAndOtherFailures()
    {
        // Manual exposure frees the exposure time.
        QCOMPARE(m_backend->setControl(camera(0), "auto_exposure_mode", 1), std::nullopt);
        QVERIFY(!find(controlsOf(0), "absolute_exposure_time")->inactive);
        QCOMPARE(m_backend->setControl(camera(0), "absolute_exposure_time", 500), std::nullopt);

        fakeuvc::setControlField(path("dev/video2"), V4L2_CID_GAIN, "fail", EIO);
        std::optional<Failure> failed = m_backend->setControl(camera(0), "gain", 10);
        QVERIFY(failed);
        QCOMPARE(failed->code, ExitCode::Failure);

        fakeuvc::setControlField(path("dev/video2"), V4L2_CID_SATURATION, "readOnly", true);
        failed = m_backend->setControl(camera(0), "saturation", 10);
        QVERIFY(failed);
        QCOMPARE(failed->message, std::string("saturation is read-only on this camera"));

        QCOMPARE(m_backend->setControl(camera(1), "absolute_zoom", 1)->code, ExitCode::NoControl);

        const CameraInfo unplugged = camera(0);
        std::filesystem::remove(path("dev/video2")); // gone between discovery and use
        QCOMPARE(m_backend->controls(unplugged).failure().code, ExitCode::NoCamera);
        QCOMPARE(m_backend->setControl(unplugged, "brightness", 1)->code, ExitCode::NoCamera);
    }
};

QTEST_GUILESS_MAIN(TestV4l2Backend)
#include "tst_v4l2backend.moc"
