// Construction, the connection check and control loading, against the
// scripted fake helper.

#include "controllertestsupport.h"

namespace {

const QString kCannotFind = QStringLiteral("Cannot find uvcc-helper or camera not connected");
const QString kNoUvc = QStringLiteral("This camera does not support UVC controls");
const QString kCannotRead = QStringLiteral("Could not read camera controls");
const QString kDenied = QStringLiteral("Camera access denied: see the README on permissions");

} // namespace

class ControllerTest : public QObject {
    Q_OBJECT

private slots:
    void constructionOrder()
    {
        FakeHelperScript fake;
        scriptFullCamera(fake);
        UVCController controller(fake.program());
        const QString desk = QStringLiteral("1a2b:3c4d");
        QCOMPARE(fake.runs(), (QList<QStringList>{{"devices"},
                                                  {"controls", desk},
                                                  {"export", desk},
                                                  {"ranges", desk}}));
        QCOMPARE(controller.helperPath(), fake.program());
        QCOMPARE(controller.devices().size(), 2);
        QCOMPARE(controller.selectedDevice(), controller.devices().first());
        QVERIFY(controller.isConnected());
        QCOMPARE(controller.errorMessage(), std::nullopt);
        // Rows follow one event-loop turn after isConnected.
        QVERIFY(controller.sliders().isEmpty());
        QVERIFY(controller.toggles().isEmpty());
        ChangeLog log(controller);
        settle();
        QCOMPARE(log.take(), (QStringList{"sliders 13", "toggles 3"}));
        QCOMPARE(controller.sliders().at(7).label, QStringLiteral("Exposure"));
    }

    void withoutHelper()
    {
        UVCController controller(QDir::temp().filePath("lumarel-no-such-helper"));
        settle();
        QVERIFY(controller.devices().isEmpty());
        QCOMPARE(controller.selectedDevice(), std::nullopt);
        QVERIFY(!controller.isConnected());
        QCOMPARE(controller.errorMessage(), kCannotFind);
        QVERIFY(controller.sliders().isEmpty());
    }

    void devicesAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("devices");
        QTest::addColumn<QString>("controlsDesignator");
        QTest::newRow("empty array") << QByteArray("[]\n") << 0 << "";
        QTest::newRow("rejected whole") << QByteArray(R"([{"vid":"1","pid":"2"},7])") << 0 << "";
        QTest::newRow("line break only") << QByteArray("\n") << 0 << "";
        QTest::newRow("invalid UTF-8") << QByteArray("[{\"vid\":\"\xff\",\"pid\":\"2\"}]") << 0 << "";
        QTest::newRow("one usable") << QByteArray(R"([{"vid":"1"},{"vid":"a","pid":"b"}])") << 1
                                    << "a:b";
    }
    void devicesAnswers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, devices);
        QFETCH(QString, controlsDesignator);
        FakeHelperScript fake;
        fake.answer("devices", answer);
        fake.answer("controls", "none here");
        UVCController controller(fake.program());
        QCOMPARE(controller.devices().size(), devices);
        QCOMPARE(controller.selectedDevice().has_value(), devices > 0);
        QStringList expected{"controls"};
        if (!controlsDesignator.isEmpty())
            expected << controlsDesignator;
        QCOMPARE(fake.runs().value(1), expected);
        // Camera problems are reported by the connection check alone.
        QCOMPARE(controller.errorMessage(), kNoUvc);
    }

    void connectionCheck_data()
    {
        QTest::addColumn<QByteArray>("controls");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("exitStatus");
        QTest::newRow("no answer") << QByteArray() << false << kCannotFind << QByteArray("0");
        QTest::newRow("access denied") << QByteArray() << false << kDenied << QByteArray("7");
        QTest::newRow("other failure") << QByteArray() << false << kCannotFind << QByteArray("3");
        QTest::newRow("not UTF-8") << QByteArray("brightness \xff") << false << kCannotFind << QByteArray("0");
        QTest::newRow("capitalised only") << QByteArray("Brightness\n") << false << kNoUvc << QByteArray("0");
        // An answer, though an empty one: the helper ran and found no controls.
        QTest::newRow("line break only") << QByteArray("\n") << false << kNoUvc << QByteArray("0");
        QTest::newRow("substring") << QByteArray("xbrightnessx") << true << QString() << QByteArray("0");
    }
    void connectionCheck()
    {
        QFETCH(QByteArray, controls);
        QFETCH(bool, connected);
        QFETCH(QString, message);
        QFETCH(QByteArray, exitStatus);
        FakeHelperScript fake;
        scriptFullCamera(fake);
        UVCController controller(fake.program());
        settle();
        fake.answer("controls", controls);
        fake.option("controls", "exit", exitStatus);
        ChangeLog log(controller);
        controller.checkConnection();
        settle();
        QStringList expected{"sliders 0", "toggles 0"};
        if (connected)
            expected << "connected true" << "message none" << "sliders 13" << "toggles 3";
        else
            expected << "message " + message << "connected false";
        QCOMPARE(log.take(), expected);
    }

    void loadFailures_data()
    {
        QTest::addColumn<QByteArray>("exportAnswer");
        QTest::addColumn<QByteArray>("rangesAnswer");
        QTest::addColumn<int>("runs");
        const QByteArray ranges = R"({"brightness":{"min":0,"max":9}})";
        QTest::newRow("export silent") << QByteArray() << ranges << 1;
        QTest::newRow("ranges silent") << QByteArray(R"({"brightness":1})") << QByteArray() << 2;
        QTest::newRow("export an array") << QByteArray(R"([{"brightness":1}])") << ranges << 2;
        QTest::newRow("ranges truncated") << QByteArray(R"({"brightness":1})")
                                          << QByteArray(R"({"brightness":{"min":0,)") << 2;
    }
    void loadFailures()
    {
        QFETCH(QByteArray, exportAnswer);
        QFETCH(QByteArray, rangesAnswer);
        QFETCH(int, runs);
        FakeHelperScript fake;
        scriptFullCamera(fake);
        fake.answer("export", exportAnswer);
        fake.answer("ranges", rangesAnswer);
        UVCController controller(fake.program());
        settle();
        QCOMPARE(fake.runs().size(), 2 + runs);
        QVERIFY(controller.isConnected());
        QCOMPARE(controller.errorMessage(), kCannotRead);
        QVERIFY(controller.sliders().isEmpty());
        QVERIFY(controller.toggles().isEmpty());
    }

    void emptyExportIsNoFailure()
    {
        FakeHelperScript fake;
        scriptFullCamera(fake);
        fake.answer("export", "{}\n");
        UVCController controller(fake.program());
        settle();
        QVERIFY(controller.isConnected());
        QCOMPARE(controller.errorMessage(), std::nullopt);
        QVERIFY(controller.sliders().isEmpty());
        QVERIFY(controller.toggles().isEmpty());
    }

    void recheckEmptiesRowsFirst()
    {
        FakeHelperScript fake;
        scriptFullCamera(fake);
        UVCController controller(fake.program());
        settle();
        ChangeLog log(controller);
        controller.checkConnection();
        QCOMPARE(log.take(), (QStringList{"sliders 0", "toggles 0", "connected true", "message none"}));
        settle();
        QCOMPARE(log.take(), (QStringList{"sliders 13", "toggles 3"}));
    }

    void resetKeepsRowsUntilNewOnesArrive()
    {
        FakeHelperScript fake;
        scriptFullCamera(fake);
        UVCController controller(fake.program());
        settle();
        fake.answer("export", R"({"brightness": 42, "auto_focus": 1})");
        ChangeLog log(controller);
        controller.loadControls();
        QVERIFY(log.take().isEmpty());
        QCOMPARE(controller.sliders().size(), 13);
        settle();
        QCOMPARE(log.take(), (QStringList{"sliders 1", "toggles 1"}));
        QCOMPARE(controller.sliders().at(0).value, 42);
    }

    void failedResetKeepsRowsAndMessageStays()
    {
        FakeHelperScript fake;
        scriptFullCamera(fake);
        UVCController controller(fake.program());
        settle();
        fake.answer("export", "");
        ChangeLog log(controller);
        controller.loadControls();
        settle();
        QCOMPARE(log.take(), QStringList{"message " + kCannotRead});
        QCOMPARE(controller.sliders().size(), 13);
        QVERIFY(controller.isConnected());

        // A good Reset brings rows but leaves the message for the next check.
        scriptFullCamera(fake);
        controller.loadControls();
        settle();
        QCOMPARE(log.take(), (QStringList{"sliders 13", "toggles 3"}));
        QCOMPARE(controller.errorMessage(), kCannotRead);
    }

    void lastLoadWins()
    {
        FakeHelperScript fake;
        scriptFullCamera(fake);
        UVCController controller(fake.program());
        fake.answer("export", R"({"brightness": 1})");
        controller.loadControls();
        fake.answer("export", R"({"brightness": 2})");
        controller.loadControls();
        settle();
        QCOMPARE(controller.sliders().size(), 1);
        QCOMPARE(controller.sliders().at(0).value, 2);
    }

    void selectionAndCheckFollowThePick()
    {
        FakeHelperScript fake;
        scriptFullCamera(fake);
        UVCController controller(fake.program());
        settle();
        QSignalSpy selected(&controller, &UVCController::selectedDeviceChanged);
        // Every assignment notifies, even an unchanged one.
        controller.setSelectedDevice(controller.selectedDevice());
        controller.setSelectedDevice(controller.devices().at(1));
        QCOMPARE(selected.size(), 2);
        fake.clearLog();
        controller.checkConnection();
        QCOMPARE(fake.runs().value(0), (QStringList{"controls", "046d:085e"}));
        controller.setSelectedDevice(std::nullopt);
        controller.loadControls();
        QCOMPARE(fake.runs().value(3), QStringList{"export"});
    }

    // The panel relies on min <= max for every slider it is given.
    void invertedRangePublishedSwapped()
    {
        FakeHelperScript fake;
        scriptFullCamera(fake);
        fake.answer("ranges", R"({"gain": {"min": 100, "max": 0}})");
        UVCController controller(fake.program());
        settle();
        QCOMPARE(controller.sliders().size(), 1);
        QCOMPARE(controller.sliders().at(0).min, 0);
        QCOMPARE(controller.sliders().at(0).max, 100);
        QCOMPARE(controller.sliders().at(0).value, 0);
    }
};

QTEST_GUILESS_MAIN(ControllerTest)
#include "tst_controller.moc"
