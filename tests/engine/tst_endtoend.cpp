// The controller against the real uvcc-helper serving its simulated cameras.

#include "controllertestsupport.h"

#include "controlcatalogue.h"
#include "helperanswers.h"
#include "simulatedstate.h"

#include <memory>

class EndToEndTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_state;
    std::unique_ptr<UVCController> m_controller;

    UVCController &controller() { return *m_controller; }

    // What the camera holds now, read by a fresh helper run.
    qint64 onCamera(const QString &control)
    {
        const auto values = HelperAnswers::parseObject(
            controller().runHelper({QStringLiteral("export")}).value_or(QString()));
        return HelperAnswers::integerValue(values.value_or(QJsonObject()).value(control))
            .value_or(std::numeric_limits<qint64>::min());
    }

private slots:
    void init()
    {
        m_state = std::make_unique<QTemporaryDir>();
        qputenv("UVCC_HELPER_SIMULATE", m_state->filePath("camera.json").toLocal8Bit());
        m_controller = std::make_unique<UVCController>(QStringLiteral(UVCC_HELPER_PATH));
        settle();
    }
    void cleanup()
    {
        m_controller.reset();
        qunsetenv("UVCC_HELPER_SIMULATE");
        m_state.reset();
    }

    void findsAndLoadsTheDemoCamera()
    {
        QCOMPARE(controller().devices().size(), 2);
        QCOMPARE(controller().devices().at(0).name, QStringLiteral("Lumarel Demo Camera"));
        QVERIFY(controller().devices().at(0).id() != controller().devices().at(1).id());
        QCOMPARE(controller().selectedDevice(), controller().devices().at(0));
        QVERIFY(controller().isConnected());
        QCOMPARE(controller().errorMessage(), std::nullopt);
        QStringList sliders;
        for (const auto &row : controller().sliders()) {
            sliders << row.id;
            QVERIFY2(row.min <= row.max, qPrintable(row.id));
        }
        QStringList catalogue;
        for (const auto &definition : sliderCatalogue())
            catalogue << definition.controlName;
        QCOMPARE(sliders, catalogue);
        QCOMPARE(controller().toggles().size(), 3);
        QCOMPARE(sliderRow(controller(), "absolute_exposure_time").min, 3);
        QCOMPARE(sliderRow(controller(), "absolute_exposure_time").max, 2047);
    }

    void smallerCameraHasFewerRows()
    {
        controller().setSelectedDevice(controller().devices().at(1));
        controller().checkConnection();
        settle();
        QVERIFY(controller().isConnected());
        QCOMPARE(controller().sliders().size(), 10);
        QStringList shown;
        for (const auto &row : controller().sliders())
            shown << row.id;
        for (const char *missing : {"absolute_focus", "absolute_zoom", "iris_absolute"})
            QVERIFY(!shown.contains(missing));
    }

    void writesReachTheCamera()
    {
        controller().setSliderValue(sliderRow(controller(), "brightness"), -12);
        controller().setToggleValue(toggleRow(controller(), "auto_focus"), false);
        QVERIFY(controller().waitForWrites());
        QCOMPARE(onCamera("brightness"), -12);
        QCOMPARE(onCamera("auto_focus"), 0);
        controller().loadControls();
        settle();
        QCOMPARE(sliderRow(controller(), "brightness").value, -12);
        QCOMPARE(toggleRow(controller(), "auto_focus").value, false);
    }

    void writesGoToTheCameraSelectedWhenQueued()
    {
        const UVCDevice demo = controller().devices().at(0);
        const UVCDevice mini = controller().devices().at(1);
        controller().setSliderValue(sliderRow(controller(), "gain"), 40);
        controller().setSelectedDevice(mini);
        controller().setSliderValue(sliderRow(controller(), "gain"), 60);
        QVERIFY(controller().waitForWrites());
        QCOMPARE(onCamera("gain"), 60);
        controller().setSelectedDevice(demo);
        QCOMPARE(onCamera("gain"), 40);
    }

    void presetRoundTrip()
    {
        controller().applyValues({{"auto_exposure_mode", 1}, {"absolute_exposure_time", 500},
                                  {"contrast", 10}});
        const ValueMap saved = controller().currentValues();
        QVERIFY(controller().waitForWrites());
        controller().loadControls();
        settle();
        QCOMPARE(controller().currentValues(), saved);
        QCOMPARE(saved.value("absolute_exposure_time"), 500);
        QCOMPARE(saved.value("auto_exposure_mode"), 1);
    }

    void lastOfManyWritesWins()
    {
        const CameraSliderControl row = sliderRow(controller(), "absolute_zoom");
        for (qint64 value = row.min; value <= row.max; value += 3)
            controller().setSliderValue(row, value);
        controller().setSliderValue(row, 321);
        QVERIFY(controller().waitForWrites());
        QCOMPARE(onCamera("absolute_zoom"), 321);
    }

    // Pulling the selected camera out disconnects it; plugging it back in
    // connects it again. The list as it stood when watching began changes nothing.
    void followsTheSelectedCameraOutAndBackIn()
    {
        const UVCDevice mini = controller().devices().at(1);
        controller().setSelectedDevice(mini);
        controller().checkConnection();
        QVERIFY(controller().isConnected());
        settle();
        ChangeLog log(controller());
        controller().followCameras();
        QTest::qWait(700);
        const QStringList early = log.take();
        QVERIFY2(early.isEmpty(), qPrintable(early.join(", ")));

        QVERIFY(setUnplugged(m_state->filePath("camera.json"), {mini.id()}));
        QTRY_VERIFY_WITH_TIMEOUT(!controller().isConnected(), 5000);
        QCOMPARE(controller().devices().size(), 1);
        QCOMPARE(controller().selectedDevice(), mini); // kept, to be found again

        QVERIFY(setUnplugged(m_state->filePath("camera.json"), {}));
        QTRY_VERIFY_WITH_TIMEOUT(controller().isConnected(), 5000);
        QCOMPARE(controller().devices().size(), 2);
        settle();
        QVERIFY(!controller().sliders().isEmpty());
    }
};

QTEST_GUILESS_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
