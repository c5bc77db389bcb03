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
        std::optional<fakeuvc::FakeUvcNode> node = fakeuvc::FakeUvcNode::load(path);
        if (!node || node->deniesOpen()) {
            errno = node ? EACCES : ENOENT;
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

    void sameModelTwiceSharesTheDesignatorFirstWins()
    {
        fakeuvc::addUsbCamera(m_dir->path().toStdString(),
                              {"1-3", "1A2B", "3C4D", "Lumarel Test Camera", "", {{"video4", fakeuvc::basicCameraNode()}}});
        Result<std::vector<CameraInfo>> cameras = m_backend->cameras();
        QVERIFY(cameras);
        QCOMPARE(cameras.value().size(), size_t(3));
        QCOMPARE(cameras.value()[1].designator(), std::string("1a2b:3c4d")); // lower-cased like sysfs prints it
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
        QCOMPARE(controls.size(), size_t(15));
        QVERIFY(!find(controls, "contrast"));
        QCOMPARE(find(controls, "gain")->value, std::nullopt);
        QCOMPARE(find(controls, "hue")->value, std::nullopt);
        QCOMPARE(find(controls, "brightness")->value, std::optional<int64_t>(0));
        QCOMPARE(find(controls, "sharpness")->step, 1);
    }

    // A write asks about its one control; the answer must match the listing,
    // including the controls the listing leaves out.
    void hasControlAgreesWithTheListing()
    {
        fakeuvc::setControlField(path("dev/video2"), V4L2_CID_GAIN, "fail", EIO);
        fakeuvc::setControlField(path("dev/video2"), V4L2_CID_CONTRAST, "min", 100); // above its max of 95
        for (size_t index : {0, 1}) {
            const std::vector<ControlInfo> listed = controlsOf(index);
            for (std::string_view name : kControlNames) {
                Result<bool> has = m_backend->hasControl(camera(index), std::string(name));
                QVERIFY(has);
                QVERIFY2(has.value() == (find(listed, std::string(name)) != nullptr), name.data());
            }
            QCOMPARE(m_backend->hasControl(camera(index), "power_line_frequency").value(), false);
        }

        const CameraInfo unplugged = camera(0);
        std::filesystem::remove(path("dev/video2"));
        QCOMPARE(m_backend->hasControl(unplugged, "brightness").failure().code, ExitCode::NoCamera);
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

    void writesGoToTheKernelWhichClampsAndRounds_data()
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

    void writesGoToTheKernelWhichClampsAndRounds()
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
