// Writes to the camera: what is sent, the one ordered queue, and the snapshot
// presets are made from.

#include "controllertestsupport.h"

#include <QElapsedTimer>
#include <memory>

namespace {

const QString kDesk = QStringLiteral("1a2b:3c4d");
const QString kRoom = QStringLiteral("046d:085e");

// The "set" runs so far, without the designator.
QList<QStringList> setRuns(const FakeHelperScript &fake)
{
    QList<QStringList> runs;
    for (const QStringList &run : fake.runs())
        if (run.value(0) == QLatin1String("set"))
            runs << run.mid(0, 3);
    return runs;
}

} // namespace

class WritesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FakeHelperScript> m_fake;
    std::unique_ptr<UVCController> m_controller;

    UVCController &controller() { return *m_controller; }

private slots:
    void init()
    {
        m_fake = std::make_unique<FakeHelperScript>();
        scriptFullCamera(*m_fake);
        m_controller = std::make_unique<UVCController>(m_fake->program());
        settle();
        QCOMPARE(controller().sliders().size(), 13);
        m_fake->clearLog();
    }
    void cleanup()
    {
        m_controller.reset();
        m_fake.reset();
    }

    void whatIsSent_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("sent");
        QTest::newRow("auto exposure off") << "auto_exposure_mode" << qint64(0) << "1";
        QTest::newRow("auto exposure on") << "auto_exposure_mode" << qint64(1) << "8";
        QTest::newRow("auto focus on") << "auto_focus" << qint64(1) << "1";
        QTest::newRow("auto white balance off") << "auto_white_balance_temperature" << qint64(0)
                                                << "0";
        QTest::newRow("negative slider") << "brightness" << qint64(-5) << "-5";
        QTest::newRow("above max, unclamped") << "gain" << qint64(1000) << "1000";
        QTest::newRow("unchanged value sent again") << "contrast" << qint64(32) << "32";
    }
    void whatIsSent()
    {
        QFETCH(QString, control);
        QFETCH(qint64, value);
        QFETCH(QString, sent);
        const bool isSwitch = control.startsWith(QLatin1String("auto_"));
        ChangeLog log(controller());
        if (isSwitch)
            controller().setToggleValue(toggleRow(controller(), control), value != 0);
        else
            controller().setSliderValue(sliderRow(controller(), control), value);
        // The row follows at once, with one notification, before the write lands.
        QCOMPARE(log.take(), QStringList{isSwitch ? "toggles 3" : "sliders 13"});
        if (isSwitch)
            QCOMPARE(toggleRow(controller(), control).value, value != 0);
        else
            QCOMPARE(sliderRow(controller(), control).value, value);
        QVERIFY(controller().waitForWrites());
        QCOMPARE(m_fake->runs(), (QList<QStringList>{{"set", control, sent, kDesk}}));
    }

    void rowNoLongerShownIsStillSent()
    {
        ChangeLog log(controller());
        CameraSliderControl gone = sliderRow(controller(), "brightness");
        gone.id = gone.controlName = QStringLiteral("pan_absolute");
        controller().setSliderValue(gone, 3);
        QVERIFY(controller().waitForWrites());
        QVERIFY(log.take().isEmpty());
        QCOMPARE(setRuns(*m_fake), (QList<QStringList>{{"set", "pan_absolute", "3"}}));
    }

    void guiThreadNeverWaits()
    {
        m_fake->option("set", "sleep", "3000");
        controller().setSliderValue(sliderRow(controller(), "gain"), 7);
        controller().setSliderValue(sliderRow(controller(), "hue"), 8);
        QCOMPARE(sliderRow(controller(), "gain").value, 7);
        QCOMPARE(sliderRow(controller(), "hue").value, 8);
        // Had either call waited for its helper run, that run would have ended.
        QVERIFY(!m_fake->trace().join(' ').contains("end"));
    }

    // The camera a write goes to is fixed when it is queued, not when it runs.
    void designatorTakenWhenQueued()
    {
        m_fake->option("set", "sleep", "200");
        controller().setSliderValue(sliderRow(controller(), "gain"), 1);
        controller().setSliderValue(sliderRow(controller(), "hue"), 2);
        controller().setSelectedDevice(controller().devices().at(1));
        controller().setSliderValue(sliderRow(controller(), "gamma"), 3);
        controller().setSelectedDevice(std::nullopt);
        controller().setSliderValue(sliderRow(controller(), "contrast"), 4);
        QVERIFY(controller().waitForWrites());
        QCOMPARE(m_fake->runs(), (QList<QStringList>{{"set", "gain", "1", kDesk},
                                                     {"set", "hue", "2", kDesk},
                                                     {"set", "gamma", "3", kRoom},
                                                     {"set", "contrast", "4"}}));
    }

    void oneRunAtATimeInCallOrder()
    {
        m_fake->option("set", "sleep", "30");
        const QStringList controls{"gain", "hue", "gamma", "contrast", "sharpness", "saturation"};
        for (const QString &control : controls)
            controller().setSliderValue(sliderRow(controller(), control), 1);
        QVERIFY(controller().waitForWrites());
        QList<QStringList> expected;
        for (const QString &control : controls)
            expected << QStringList{"set", control, "1"};
        QCOMPARE(setRuns(*m_fake), expected);
        const QList<QByteArray> trace = m_fake->trace();
        QCOMPARE(trace.size(), 2 * controls.size());
        for (qsizetype i = 0; i < trace.size(); i += 2) {
            QVERIFY(trace[i].startsWith("start "));
            QCOMPARE(trace[i + 1], "end " + trace[i].mid(6));
        }
    }

    // A drag queues many values while one write runs; consecutive values of
    // one control merge into the newest, and nothing is reordered.
    void waitingWritesAreReplaced()
    {
        m_fake->option("set", "sleep", "300");
        controller().setSliderValue(sliderRow(controller(), "brightness"), 1);
        QTRY_COMPARE(m_fake->trace().size(), 1);
        for (qint64 value = 2; value <= 50; ++value)
            controller().setSliderValue(sliderRow(controller(), "brightness"), value);
        controller().setSliderValue(sliderRow(controller(), "contrast"), 5);
        controller().setSliderValue(sliderRow(controller(), "brightness"), 60);
        controller().setSelectedDevice(controller().devices().at(1));
        controller().setSliderValue(sliderRow(controller(), "brightness"), 70);
        QCOMPARE(sliderRow(controller(), "brightness").value, 70);
        QVERIFY(controller().waitForWrites());
        QCOMPARE(m_fake->runs(), (QList<QStringList>{{"set", "brightness", "1", kDesk},
                                                     {"set", "brightness", "50", kDesk},
                                                     {"set", "contrast", "5", kDesk},
                                                     {"set", "brightness", "60", kDesk},
                                                     {"set", "brightness", "70", kRoom}}));
    }

    // A camera refuses a manual exposure while Auto Exposure is on, so the
    // mode and its manual control must land in the order they were set, and
    // the mode's last state must be the one sent last.
    void modeAndManualControlKeepTheirOrder()
    {
        m_fake->option("set", "sleep", "300");
        controller().setSliderValue(sliderRow(controller(), "brightness"), 1);
        QTRY_COMPARE(m_fake->trace().size(), 1);
        m_fake->clearOption("set", "sleep");
        const CameraToggleControl autoExposure = toggleRow(controller(), "auto_exposure_mode");
        controller().setToggleValue(autoExposure, false);
        controller().setSliderValue(sliderRow(controller(), "absolute_exposure_time"), 500);
        controller().setToggleValue(autoExposure, true);
        controller().setToggleValue(autoExposure, false);
        QVERIFY(controller().waitForWrites());
        QCOMPARE(setRuns(*m_fake), (QList<QStringList>{{"set", "brightness", "1"},
                                                       {"set", "auto_exposure_mode", "1"},
                                                       {"set", "absolute_exposure_time", "500"},
                                                       {"set", "auto_exposure_mode", "1"}}));
    }

    void destroyedControllerSkipsQueuedWrites()
    {
        m_fake->option("set", "sleep", "20000");
        controller().setSliderValue(sliderRow(controller(), "gain"), 1);
        QTRY_COMPARE(m_fake->trace().size(), 1);
        controller().setSliderValue(sliderRow(controller(), "hue"), 2);
        QElapsedTimer timer;
        timer.start();
        m_controller.reset();
        // Far below the helper's 20 s: the destructor must not sit out the run.
        QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(setRuns(*m_fake), (QList<QStringList>{{"set", "gain", "1"}}));
    }

    void currentValues()
    {
        // Every switch to the state the fixture does not have, and back.
        controller().setToggleValue(toggleRow(controller(), "auto_exposure_mode"), false);
        controller().setToggleValue(toggleRow(controller(), "auto_focus"), true);
        controller().setToggleValue(toggleRow(controller(), "auto_white_balance_temperature"), false);
        controller().setSliderValue(sliderRow(controller(), "hue"), -7);
        ValueMap values = controller().currentValues();
        QCOMPARE(values.size(), 16);
        QCOMPARE(values.value("auto_exposure_mode"), 1);
        QCOMPARE(values.value("auto_focus"), 1);
        QCOMPARE(values.value("auto_white_balance_temperature"), 0);
        QCOMPARE(values.value("hue"), -7);
        QCOMPARE(values.value("white_balance_temperature"), 4600);

        controller().setToggleValue(toggleRow(controller(), "auto_exposure_mode"), true);
        controller().setToggleValue(toggleRow(controller(), "auto_focus"), false);
        values = controller().currentValues();
        QCOMPARE(values.value("auto_exposure_mode"), 8);
        QCOMPARE(values.value("auto_focus"), 0);
    }

    void applyValuesSwitchesFirst()
    {
        const ValueMap preset{{"absolute_exposure_time", 500}, {"auto_exposure_mode", 3},
                              {"brightness", 4},               {"pan_absolute", 9},
                              {"auto_focus", 2},               {"white_balance_temperature", 3000},
                              {"auto_white_balance_temperature", 0}};
        controller().applyValues(preset);
        QCOMPARE(toggleRow(controller(), "auto_exposure_mode").value, false);
        QCOMPARE(toggleRow(controller(), "auto_focus").value, true);
        QCOMPARE(sliderRow(controller(), "absolute_exposure_time").value, 500);
        QVERIFY(controller().waitForWrites());
        QCOMPARE(setRuns(*m_fake), (QList<QStringList>{
                                       {"set", "auto_exposure_mode", "1"},
                                       {"set", "auto_focus", "1"},
                                       {"set", "auto_white_balance_temperature", "0"},
                                       {"set", "absolute_exposure_time", "500"},
                                       {"set", "brightness", "4"},
                                       {"set", "white_balance_temperature", "3000"},
                                   }));
    }

    // A camera without mode 8 sits in 2 (fully automatic) once switched on.
    void fullyAutomaticExposureIsOnAndStoredAs8()
    {
        m_fake->answer("export", R"({"auto_exposure_mode":2,"absolute_exposure_time":250})");
        controller().checkConnection();
        settle();
        QCOMPARE(toggleRow(controller(), "auto_exposure_mode").value, true);
        QCOMPARE(controller().currentValues().value("auto_exposure_mode"), 8);
        controller().applyValues({{"auto_exposure_mode", 1}});
        QVERIFY(controller().waitForWrites()); // not merged with the next one
        QCOMPARE(toggleRow(controller(), "auto_exposure_mode").value, false);
        controller().applyValues({{"auto_exposure_mode", 2}});
        QCOMPARE(toggleRow(controller(), "auto_exposure_mode").value, true);
        QVERIFY(controller().waitForWrites());
        QCOMPARE(setRuns(*m_fake), (QList<QStringList>{{"set", "auto_exposure_mode", "1"},
                                                       {"set", "auto_exposure_mode", "8"}}));
    }

    void applyValuesWithoutRowsDoesNothing()
    {
        m_fake->answer("export", "{}");
        controller().checkConnection();
        settle();
        m_fake->clearLog();
        ChangeLog log(controller());
        controller().applyValues({{"brightness", 1}, {"auto_focus", 1}});
        QVERIFY(controller().waitForWrites());
        QVERIFY(log.take().isEmpty());
        QVERIFY(m_fake->runs().isEmpty());
        QVERIFY(controller().currentValues().isEmpty());
    }
};

QTEST_GUILESS_MAIN(WritesTest)
#include "tst_writes.moc"
