// The panel over the real models: what it shows in each connection state and
// which model operation each control reaches.

#include "paneltestsupport.h"

#include "camerapreviewview.h"
#include "camerasessionmanager.h"
#include "presetmanager.h"

#include <QWheelEvent>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QSet>
#include <QSignalSpy>
#include <QSlider>

namespace {

// The stored presets as name and values, for comparing whole lists.
QList<std::pair<QString, QMap<QString, qint64>>> contents(const QList<CameraPreset> &presets)
{
    QList<std::pair<QString, QMap<QString, qint64>>> result;
    for (const CameraPreset &preset : presets)
        result.append({preset.name, preset.values});
    return result;
}

} // namespace

class TestMenuBarView : public QObject {
    Q_OBJECT

private slots:
    void elementsFollowTheConnectionState_data();
    void elementsFollowTheConnectionState();
    void everyInteractiveWidgetIsNamedAndEnabled();
    void oneCameraShowsItsNameTwoShowAPicker();
    void choosingACameraChecksItOnce();
    void camerasOfOneModelAreToldApart();
    void aLowerPanelKeepsItsFooter();
    void theTrayMenuOffersThePresetsWhileConnected();
    void atStartUpTheModelsComeAfterTheIcon();
    void retryThatConnectsReappliesTheLastUsedPreset();
    void everyConnectionSchedulesItsOwnReapplication();
    void aCameraConnectedAtStartIsNotReapplied();
    void aCameraPluggedBackInGetsTheLastUsedPreset();
    void aResumeReappliesOnceTheCameraAnswers();
    void sliderDragMakesOneCallPerPosition();
    void valueTextAndSwitches();
    void fullyAutomaticExposureShowsOn();
    void hugeRangesNeitherCrashNorWrap();
    void saveKeepsBlanksAroundTheName();
    void returnInTheNameFieldSavesNothing();
    void presetsThatCouldNotBeSavedSaySo();
    void resetReloadsTheRowsOnly();
    void aPresetSavedWithoutRowsIsEmpty();
    void loadAndUpdateMoveTheEmphasisAsDocumented();
    void deletingTheEmphasisedPresetClearsIt();
    void loginSwitchFollowsTheLoginItem();
    void showingStartsThePreviewHidingLetsTheCameraGo();
};

void TestMenuBarView::elementsFollowTheConnectionState_data()
{
    QTest::addColumn<QByteArray>("devices");
    QTest::addColumn<QByteArray>("controls");
    QTest::addColumn<QByteArray>("exported");
    QTest::addColumn<QByteArray>("ranges");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("message");

    const QByteArray one = R"([{"vid":"1a2b","pid":"3c4d","name":"Desk Camera"}])";
    const QByteArray controls = "brightness\n";
    const QByteArray exported = R"({"brightness":10,"auto_focus":1})";
    const QByteArray ranges = R"({"brightness":{"min":0,"max":20}})";

    QTest::newRow("no camera") << QByteArray("[]") << QByteArray() << exported << ranges
                               << QStringList{"disconnectedNotice"}
                               << "Cannot find uvcc-helper or camera not connected";
    QTest::newRow("no UVC controls") << one << QByteArray("Brightness only\n") << exported << ranges
                                     << QStringList{"cameraName", "disconnectedNotice"}
                                     << "This camera does not support UVC controls";
    QTest::newRow("loading failed") << one << controls << QByteArray("[]") << ranges
                                    << QStringList{"cameraName", "presetsSection"} << QString();
    QTest::newRow("switches only") << one << controls << exported << QByteArray("{}")
                                   << QStringList{"cameraName", "modesSection", "presetsSection"}
                                   << QString();
    QTest::newRow("all rows") << one << controls << exported << ranges
                              << QStringList{"cameraName", "modesSection", "adjustmentsSection",
                                             "presetsSection"}
                              << QString();
}

void TestMenuBarView::elementsFollowTheConnectionState()
{
    QFETCH(QByteArray, devices);
    QFETCH(QByteArray, controls);
    QFETCH(QByteArray, exported);
    QFETCH(QByteArray, ranges);
    QFETCH(QStringList, shown);
    QFETCH(QString, message);

    PanelFixture f;
    f.helper.answer("devices", devices);
    f.helper.answer("controls", controls);
    f.helper.answer("export", exported);
    f.helper.answer("ranges", ranges);
    MenuBarView &view = f.build();

    QCOMPARE(view.size(), QSize(320, 700));
    QVERIFY(f.shown("header"));
    QVERIFY(f.shown("footer"));
    QVERIFY(f.shown("quit"));
    QVERIFY(f.shown("loginSwitch"));
    const QStringList optional{"cameraName",   "cameraPickerRow",    "preview",
                               "disconnectedNotice", "modesSection", "adjustmentsSection",
                               "presetsSection"};
    for (const QString &element : optional)
        QVERIFY2(f.shown(element) == shown.contains(element), qPrintable(element));
    if (!message.isEmpty())
        QCOMPARE(f.named<QLabel>("noticeMessage")->text(), message);

    const QStringList titles = [&] {
        QStringList result;
        for (QLabel *title : view.findChildren<QLabel *>("sectionTitle"))
            if (title->isVisibleTo(&view))
                result << title->text();
        return result;
    }();
    QStringList expectedTitles;
    if (shown.contains("modesSection"))
        expectedTitles << "MODES";
    if (shown.contains("adjustmentsSection"))
        expectedTitles << "ADJUSTMENTS";
    if (shown.contains("presetsSection"))
        expectedTitles << "PRESETS";
    QCOMPARE(titles, expectedTitles);
    if (shown.contains("presetsSection"))
        QVERIFY(f.named<QLabel>("noPresets")->isVisibleTo(&view));
}

void TestMenuBarView::everyInteractiveWidgetIsNamedAndEnabled()
{
    PanelFixture f;
    f.helper.answer("devices", R"([{"vid":"1a2b","pid":"3c4d","name":"Desk"},{"vid":"046d","pid":"085e"}])");
    f.storePresets({{"Desk", {{"brightness", 1}}}});
    MenuBarView &view = f.build();

    // Nothing is greyed out instead of hidden; only Save waits for a name.
    int checked = 0;
    QSet<QWidget *> controls;
    for (QWidget *widget : view.findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(&view))
            continue;
        const bool interactive = qobject_cast<QAbstractButton *>(widget)
            || qobject_cast<QAbstractSlider *>(widget) || qobject_cast<QComboBox *>(widget)
            || qobject_cast<QLineEdit *>(widget);
        if (!interactive || qobject_cast<QScrollBar *>(widget) || widget->parent()->inherits("QComboBox"))
            continue;
        ++checked;
        if (widget->isEnabled())
            controls.insert(widget);
        const auto *button = qobject_cast<QAbstractButton *>(widget);
        const QString name = widget->accessibleName().isEmpty() && button ? button->text()
                                                                          : widget->accessibleName();
        QVERIFY2(!name.isEmpty(), widget->metaObject()->className());
        QVERIFY2(widget->isEnabled() || widget->objectName() == "save", qPrintable(name));
    }
    QVERIFY(checked >= 12);
    QVERIFY(f.accessible<QComboBox>("Camera"));
    QVERIFY(f.accessible<QSlider>("Brightness"));
    QVERIFY(f.accessible<QAbstractButton>("Auto Focus"));
    QVERIFY(f.accessible<QAbstractButton>("Update Desk"));
    QVERIFY(f.accessible<QAbstractButton>("Load Desk"));
    QVERIFY(f.accessible<QAbstractButton>("Delete Desk"));
    QVERIFY(f.accessible<QAbstractButton>("Open at Login"));
    QCOMPARE(f.named<QLineEdit>("presetNameField")->placeholderText(), QString::fromUtf8("Preset name\u2026"));

    // Tab reaches every one of them.
    view.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    f.accessible<QComboBox>("Camera")->setFocus(Qt::TabFocusReason);
    QVERIFY(QApplication::focusWidget());
    QSet<QWidget *> reached;
    for (int i = 0; i < 3 * controls.size() && QApplication::focusWidget(); ++i) {
        reached.insert(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    for (QWidget *control : controls)
        QVERIFY2(reached.contains(control), qPrintable(control->accessibleName() + " " + control->objectName()));
}

void TestMenuBarView::oneCameraShowsItsNameTwoShowAPicker()
{
    {
        PanelFixture f;
        f.helper.answer("devices", R"([{"vid":"1a2b","pid":"3c4d","name":""}])");
        f.build();
        QVERIFY(f.shown("cameraName"));
        QVERIFY(!f.shown("cameraPickerRow"));
        QCOMPARE(f.named<QLabel>("cameraName")->text(), QString("Unknown Camera"));
    }
    {
        PanelFixture f;
        f.helper.answer("devices", R"([{"vid":"1a2b","pid":"3c4d","name":"Desk"},{"vid":"046d","pid":"085e"}])");
        MenuBarView &view = f.build();
        QVERIFY(!f.shown("cameraName"));
        QVERIFY(f.shown("cameraPickerRow"));
        auto *picker = f.named<QComboBox>("cameraPicker");
        QCOMPARE(picker->count(), 2);
        QCOMPARE(picker->itemText(0), QString("Desk"));
        QCOMPARE(picker->itemText(1), QString("Unknown Camera"));
        QCOMPARE(picker->currentIndex(), 0);

        // With no selection the first camera shows as chosen.
        view.uvc().setSelectedDevice(std::nullopt);
        QCOMPARE(picker->currentIndex(), 0);
        view.uvc().setSelectedDevice(view.uvc().devices().at(1));
        QCOMPARE(picker->currentIndex(), 1);
    }
    {
        // The chosen camera pulled out, one other left: that one is offered,
        // not shown as chosen, and the missing one is not named as if present.
        PanelFixture f;
        f.helper.answer("devices", R"([{"vid":"1a2b","pid":"3c4d","name":"Desk"},{"vid":"046d","pid":"085e","name":"Room"}])");
        f.helper.answer("watch", R"([{"vid":"046d","pid":"085e","name":"Room"}])" "\n");
        f.followCameras = true;
        MenuBarView &view = f.build();
        auto *picker = f.named<QComboBox>("cameraPicker");
        QTRY_COMPARE_WITH_TIMEOUT(picker->count(), 1, 5000);
        QVERIFY(f.shown("cameraPickerRow"));
        QVERIFY(!f.shown("cameraName"));
        QCOMPARE(picker->currentIndex(), -1);
        QCOMPARE(view.uvc().selectedDevice()->id(), QString("1a2b:3c4d"));
        emit picker->activated(0);
        QCOMPARE(view.uvc().selectedDevice()->id(), QString("046d:085e"));
        QVERIFY(f.shown("cameraName"));
        QVERIFY(!f.shown("cameraPickerRow"));
    }
}

void TestMenuBarView::choosingACameraChecksItOnce()
{
    PanelFixture f;
    f.helper.answer("devices", R"([{"vid":"1a2b","pid":"3c4d","name":"Desk"},{"vid":"046d","pid":"085e","name":"Room"}])");
    MenuBarView &view = f.build();
    f.helper.clearLog();

    auto *picker = f.named<QComboBox>("cameraPicker");
    picker->setCurrentIndex(1);
    emit picker->activated(1);
    QCOMPARE(view.uvc().selectedDevice()->id(), QString("046d:085e"));
    QCOMPARE(f.runsOf("controls"), 1);
    QCOMPARE(f.helper.runs().first(), (QStringList{"controls", "046d:085e"}));
    QCOMPARE(picker->currentIndex(), 1);

    // A wheel notch over the closed picker chooses nothing; a screen reader
    // names it after its label.
    QWheelEvent notch(QPointF(10, 10), picker->mapToGlobal(QPointF(10, 10)), {}, QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(picker, &notch);
    QCOMPARE(picker->currentIndex(), 1);
    QCOMPARE(f.runsOf("controls"), 1);
    const auto labels = f.named("cameraPickerRow")->findChildren<QLabel *>();
    QVERIFY(std::any_of(labels.begin(), labels.end(), [&](QLabel *label) { return label->buddy() == picker; }));

    // Neither a choice nor Retry looks for cameras again.
    QTest::mouseClick(f.named<QAbstractButton>("retry"), Qt::LeftButton);
    QCoreApplication::processEvents();
    QCOMPARE(f.runsOf("devices"), 0);
}

void TestMenuBarView::theTrayMenuOffersThePresetsWhileConnected()
{
    PanelFixture f;
    f.storePresets({{"Desk", {{"brightness", 20}}}, {"R&D", {{"brightness", 5}}}}, "Desk");
    MenuBarView &view = f.build();
    QMenu menu;
    view.addPresetActions(&menu);
    const QList<QAction *> entries = menu.actions();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0]->text(), QString("Desk"));
    QCOMPARE(entries[1]->text(), QString("R&&D"));
    QVERIFY(entries[0]->isChecked());
    QVERIFY(!entries[1]->isChecked());

    // Chosen, it does what Load does; the menu's entries change with it.
    QSignalSpy entriesChanged(&view, &MenuBarView::trayMenuEntriesChanged);
    entries[1]->trigger();
    QVERIFY(view.uvc().waitForWrites());
    QVERIFY(f.helper.runs().contains(QStringList({"set", "brightness", "5", "1a2b:3c4d"})));
    QCOMPARE(view.presets().lastUsedPresetName(), std::optional<QString>("R&D"));
    QCOMPARE(f.sliderValue("brightness"), 5);
    QVERIFY(!entriesChanged.isEmpty());

    f.helper.answer("controls", "");
    view.uvc().checkConnection();
    QMenu disconnected;
    view.addPresetActions(&disconnected);
    QVERIFY(disconnected.actions().isEmpty());
}

void TestMenuBarView::atStartUpTheModelsComeAfterTheIcon()
{
    // Nothing asked of the helper while the tray icon is being put up; then
    // the models come by themselves, or earlier when something needs them.
    {
        PanelFixture f;
        f.asAtStartUp = true;
        MenuBarView &view = f.build();
        QVERIFY(!view.hasModels());
        QVERIFY(f.helper.runs().isEmpty());
        QTRY_VERIFY(view.hasModels());
        QCOMPARE(f.runsOf("controls"), 1);
    }
    {
        // Opened at once: the panel is whole in its first picture.
        PanelFixture f;
        f.asAtStartUp = true;
        MenuBarView &view = f.build();
        view.show();
        QVERIFY(view.hasModels());
        QVERIFY(f.shown("presetsSection"));
        QTRY_VERIFY(f.accessible<QSlider>("Brightness")); // published a turn later, as always
        QCOMPARE(f.accessible<QSlider>("Brightness")->value(), 10);
        QCOMPARE(f.runsOf("controls"), 1);
    }
    {
        PanelFixture f;
        f.storePresets({{"Desk", {{"brightness", 20}}}});
        f.asAtStartUp = true;
        MenuBarView &view = f.build();
        // The tray's menu, filled as the icon goes up, waits for them.
        QMenu early;
        view.addPresetActions(&early);
        QVERIFY(early.actions().isEmpty());
        QVERIFY(f.helper.runs().isEmpty());
        QTRY_VERIFY(view.hasModels());
        QMenu menu;
        view.addPresetActions(&menu);
        QCOMPARE(menu.actions().size(), 1);
        QTest::qWait(MenuBarView::kModelDelayMs * 2);
        QCOMPARE(f.runsOf("controls"), 1); // made once
    }
}

void TestMenuBarView::aLowerPanelKeepsItsFooter()
{
    PanelFixture f;
    MenuBarView &view = f.build();
    const int scrollHeight = f.named("scrollArea")->height();
    view.resize(320, 560);
    QCoreApplication::processEvents();
    QCOMPARE(view.height(), 560);
    QWidget *footer = f.named("footer");
    QVERIFY(view.rect().contains(QRect(footer->mapTo(&view, QPoint()), footer->size())));
    QCOMPARE(f.named("scrollArea")->height(), scrollHeight - 140);
}

void TestMenuBarView::camerasOfOneModelAreToldApart()
{
    PanelFixture f;
    f.helper.answer("devices", R"([{"vid":"1a2b","pid":"3c4d","name":"Desk"},{"vid":"1a2b","pid":"3c4d#1-3","name":"Desk"}])");
    MenuBarView &view = f.build();
    auto *picker = f.named<QComboBox>("cameraPicker");
    QCOMPARE(picker->itemText(0), QString("Desk"));
    QCOMPARE(picker->itemText(1), QString("Desk (port 1-3)"));

    emit picker->activated(1);
    QTRY_VERIFY_WITH_TIMEOUT(view.uvc().isConnected(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(f.accessible<QSlider>("Brightness"), 5000);
    f.accessible<QSlider>("Brightness")->setValue(12);
    QVERIFY(view.uvc().waitForWrites());
    QVERIFY(f.helper.runs().contains(QStringList({"set", "brightness", "12", "1a2b:3c4d#1-3"})));
}

void TestMenuBarView::retryThatConnectsReappliesTheLastUsedPreset()
{
    PanelFixture f;
    f.helper.answer("controls", "");
    f.storePresets({{"Desk", {{"brightness", 20}}}}, "Desk");
    MenuBarView &view = f.build();
    QVERIFY(!view.uvc().isConnected());

    f.helper.answer("controls", "brightness\n");
    QElapsedTimer clock;
    qint64 appliedAfter = -1;
    connect(&view.uvc(), &UVCController::slidersChanged, &view, [&] {
        if (appliedAfter < 0 && f.sliderValue("brightness") == 20)
            appliedAfter = clock.elapsed();
    });
    // Retry runs the helper synchronously; counted from its start, a slow
    // Retry would hide an application that came without any delay.
    QTest::mouseClick(f.named<QAbstractButton>("retry"), Qt::LeftButton);
    clock.start();
    QVERIFY(view.uvc().isConnected());
    QVERIFY(f.shown("presetsSection"));
    QVERIFY(!f.shown("disconnectedNotice"));
    // The values are the ones stored when the connection came; a change
    // during the delay does not alter what is applied.
    view.presets().updatePreset("Desk", {{"brightness", 30}});

    QTRY_VERIFY_WITH_TIMEOUT(appliedAfter >= 0, 5000);
    // The delay began inside Retry, before the rows were read; those reads
    // take only a fraction of it.
    QVERIFY2(appliedAfter >= 250, qPrintable(QString::number(appliedAfter)));
    QCOMPARE(f.sliderValue("brightness"), 20);
    QVERIFY(view.uvc().waitForWrites());
    QVERIFY(f.helper.runs().contains(QStringList({"set", "brightness", "20", "1a2b:3c4d"})));
    QCOMPARE(view.presets().lastUsedPresetName(), std::optional<QString>("Desk"));
}

void TestMenuBarView::everyConnectionSchedulesItsOwnReapplication()
{
    PanelFixture f;
    f.helper.answer("controls", "");
    f.storePresets({{"Desk", {{"brightness", 20}}}}, "Desk");
    MenuBarView &view = f.build();
    auto *retry = f.named<QAbstractButton>("retry");
    const QStringList write{"set", "brightness", "20", "1a2b:3c4d"};

    // Connected, lost and connected again, all within the delay: the first
    // task is not cancelled, neither by the loss nor by the second change.
    QElapsedTimer steps;
    steps.start();
    f.helper.answer("controls", "brightness\n");
    QTest::mouseClick(retry, Qt::LeftButton);
    QVERIFY(view.uvc().isConnected());
    f.helper.answer("controls", "");
    view.uvc().checkConnection();
    QVERIFY(!view.uvc().isConnected());
    f.helper.answer("controls", "brightness\n");
    QTest::mouseClick(retry, Qt::LeftButton);
    QVERIFY(view.uvc().isConnected());
    QCOMPARE(f.runsOf("set"), 0);
    // The first task found the camera gone if the steps outlasted its delay.
    if (steps.elapsed() >= 450)
        QSKIP("the machine was too busy to connect twice within the delay");

    QTRY_COMPARE_WITH_TIMEOUT(f.helper.runs().count(write), 2, 5000);
    QTest::qWait(700);
    QVERIFY(view.uvc().waitForWrites());
    QCOMPARE(f.helper.runs().count(write), 2);
}

void TestMenuBarView::aCameraConnectedAtStartIsNotReapplied()
{
    PanelFixture f;
    f.storePresets({{"Desk", {{"brightness", 20}}}}, "Desk");
    MenuBarView &view = f.build();
    QVERIFY(view.uvc().isConnected());
    // A second successful check is no change of the connection either.
    view.uvc().checkConnection();
    QTest::qWait(1000);
    QCOMPARE(f.sliderValue("brightness"), 10);
    QCOMPARE(f.runsOf("set"), 0);
}

void TestMenuBarView::aCameraPluggedBackInGetsTheLastUsedPreset()
{
    PanelFixture f;
    f.storePresets({{"Desk", {{"brightness", 20}}}}, "Desk");
    // The first watch run finds the camera gone; the next one, a pause
    // later, finds it back.
    f.helper.answer("watch", "[]\n");
    f.followCameras = true;
    MenuBarView &view = f.build();
    QVERIFY(view.uvc().isConnected());
    f.helper.answer("controls", "");
    QTRY_VERIFY_WITH_TIMEOUT(!view.uvc().isConnected(), 5000);
    QVERIFY(f.shown("disconnectedNotice"));
    QCOMPARE(f.runsOf("set"), 0);

    f.helper.answer("controls", "brightness\n");
    f.helper.answer("watch", R"([{"vid":"1a2b","pid":"3c4d","name":"Desk Camera"}])" "\n");
    QTRY_VERIFY_WITH_TIMEOUT(view.uvc().isConnected(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(f.sliderValue("brightness"), 20, 5000);
    QVERIFY(view.uvc().waitForWrites());
    QCOMPARE(f.helper.runs().count(QStringList({"set", "brightness", "20", "1a2b:3c4d"})), 1);
}

void TestMenuBarView::aResumeReappliesOnceTheCameraAnswers()
{
    PanelFixture f;
    f.storePresets({{"Desk", {{"brightness", 20}}}}, "Desk");
    MenuBarView &view = f.build();
    const QStringList write{"set", "brightness", "20", "1a2b:3c4d"};
    QTest::qWait(700);
    QCOMPARE(f.runsOf("set"), 0);

    // The camera stayed attached through the sleep, and lost its settings.
    emit f.sleep->resumed();
    QTRY_COMPARE_WITH_TIMEOUT(f.helper.runs().count(write), 1, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(f.sliderValue("brightness"), 20, 5000);

    // The camera does not answer at first: asked again until it does, and
    // applied once, by the connection it then makes.
    f.helper.answer("controls", "");
    emit f.sleep->resumed();
    QVERIFY(!view.uvc().isConnected());
    f.helper.answer("controls", "brightness\n");
    QTRY_VERIFY_WITH_TIMEOUT(view.uvc().isConnected(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(f.helper.runs().count(write), 2, 5000);
    QTest::qWait(1500);
    QVERIFY(view.uvc().waitForWrites());
    QCOMPARE(f.helper.runs().count(write), 2);
}

void TestMenuBarView::sliderDragMakesOneCallPerPosition()
{
    PanelFixture f;
    MenuBarView &view = f.build();
    QPointer<QSlider> slider = f.accessible<QSlider>("Brightness");
    QVERIFY(slider);
    QCOMPARE(slider->value(), 10);
    QCOMPARE(slider->minimum(), -64);
    QCOMPARE(slider->maximum(), 64);

    QSignalSpy changes(&view.uvc(), &UVCController::slidersChanged);
    slider->setSliderDown(true);
    for (int position : {11, 12, 13}) {
        slider->setSliderPosition(position);
        QCOMPARE(f.sliderValue("brightness"), position);
    }
    slider->setSliderDown(false);
    QCOMPARE(changes.count(), 3);
    // The slider under the hand survives every update of the list.
    QVERIFY(slider);
    QCOMPARE(slider->value(), 13);
    QVERIFY(view.uvc().waitForWrites());
    QVERIFY(f.helper.runs().contains(QStringList({"set", "brightness", "13", "1a2b:3c4d"})));

    // Keyboard steps count as positions too.
    QTest::keyClick(slider, Qt::Key_Left);
    QCOMPARE(f.sliderValue("brightness"), 12);
    QCOMPARE(changes.count(), 4);
}

void TestMenuBarView::valueTextAndSwitches()
{
    PanelFixture f;
    f.helper.answer("export", R"({"brightness":-5,"contrast":4000,"auto_focus":1,"auto_exposure_mode":1})");
    MenuBarView &view = f.build();
    auto valueText = [&](const QString &label) {
        return f.accessible<QSlider>(label)->parentWidget()->findChild<QLabel *>("valueText")->text();
    };
    QCOMPARE(valueText("Brightness"), QString("-5"));
    QCOMPARE(valueText("Contrast"), QString("4000"));

    auto *autoFocus = f.accessible<QAbstractButton>("Auto Focus");
    auto *autoExposure = f.accessible<QAbstractButton>("Auto Exposure");
    QVERIFY(autoFocus->isChecked());
    QVERIFY(!autoExposure->isChecked());
    QTest::mouseClick(autoExposure, Qt::LeftButton);
    QVERIFY(autoExposure->isChecked());
    QVERIFY(view.uvc().currentValues().value("auto_exposure_mode") == 8);
    QTest::mouseClick(autoFocus, Qt::LeftButton);
    QVERIFY(!autoFocus->isChecked());
    QVERIFY(view.uvc().waitForWrites());
    QVERIFY(f.helper.runs().contains(QStringList({"set", "auto_exposure_mode", "8", "1a2b:3c4d"})));
    QVERIFY(f.helper.runs().contains(QStringList({"set", "auto_focus", "0", "1a2b:3c4d"})));
    // No slider is disabled by a mode.
    QVERIFY(f.accessible<QSlider>("Brightness")->isEnabled());

    const QString tip = view.uvc().sliders().first().tooltip;
    QVERIFY(!tip.isEmpty());
    QCOMPARE(f.accessible<QSlider>("Brightness")->parentWidget()->findChild<QLabel *>("infoIcon")->toolTip(), tip);
}

void TestMenuBarView::fullyAutomaticExposureShowsOn()
{
    PanelFixture f;
    f.helper.answer("export", R"({"absolute_exposure_time":250,"auto_exposure_mode":2})");
    f.helper.answer("ranges", R"({"absolute_exposure_time":{"min":3,"max":2047}})");
    f.build();
    auto *autoExposure = f.accessible<QAbstractButton>("Auto Exposure");
    QVERIFY(autoExposure->isChecked());
    // As with mode 8: the slider stays usable, the camera decides.
    QVERIFY(f.accessible<QSlider>("Exposure")->isEnabled());
    QTest::mouseClick(autoExposure, Qt::LeftButton);
    QVERIFY(!autoExposure->isChecked());
    QVERIFY(f.accessible<QSlider>("Exposure")->isEnabled());
}

void TestMenuBarView::hugeRangesNeitherCrashNorWrap()
{
    PanelFixture f;
    f.helper.answer("export", R"({"brightness":0,"contrast":3000000050})");
    f.helper.answer("ranges", R"({"brightness":{"min":-9223372036854775808,"max":9223372036854775807},)"
                              R"("contrast":{"min":3000000000,"max":3000000100}})");
    MenuBarView &view = f.build();
    QSlider *brightness = f.accessible<QSlider>("Brightness");
    QSlider *contrast = f.accessible<QSlider>("Contrast");
    QVERIFY(brightness && contrast);

    brightness->setValue(brightness->maximum());
    QCOMPARE(f.sliderValue("brightness"), std::numeric_limits<qint64>::max());
    brightness->setValue(brightness->minimum());
    QCOMPARE(f.sliderValue("brightness"), std::numeric_limits<qint64>::min());
    QCOMPARE(brightness->value(), brightness->minimum());

    // A narrow range far beyond int keeps one position per value.
    QCOMPARE(contrast->maximum() - contrast->minimum(), 100);
    QTest::keyClick(contrast, Qt::Key_Right);
    QCOMPARE(f.sliderValue("contrast"), 3000000051);
    QVERIFY(view.uvc().waitForWrites());
    QVERIFY(f.helper.runs().contains(QStringList({"set", "contrast", "3000000051", "1a2b:3c4d"})));
}

void TestMenuBarView::saveKeepsBlanksAroundTheName()
{
    PanelFixture f;
    MenuBarView &view = f.build();
    auto *field = f.named<QLineEdit>("presetNameField");
    auto *save = f.named<QAbstractButton>("save");
    QVERIFY(!save->isEnabled());

    QTest::keyClicks(field, "  \t");
    QVERIFY(!save->isEnabled());
    field->setText(QString::fromUtf8("\u00a0\u3000"));
    QVERIFY(!save->isEnabled());
    QTest::mouseClick(save, Qt::LeftButton);
    QVERIFY(view.presets().presets().isEmpty());

    field->setText(" Desk ");
    QVERIFY(save->isEnabled());
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(view.presets().presets().size(), 1);
    QCOMPARE(view.presets().presets().first().name, QString(" Desk "));
    QCOMPARE(view.presets().presets().first().values, view.uvc().currentValues());
    QCOMPARE(view.presets().lastUsedPresetName(), std::optional<QString>(" Desk "));
    QCOMPARE(Preferences::string(Preferences::kLastUsedPreset), std::optional<QString>(" Desk "));
    QVERIFY(field->text().isEmpty());
    QVERIFY(!save->isEnabled());
    QVERIFY(!f.named<QLabel>("noPresets")->isVisibleTo(&view));
    QVERIFY(f.accessible<QAbstractButton>("Load  Desk "));
}

void TestMenuBarView::presetsThatCouldNotBeSavedSaySo()
{
    PanelFixture f;
    MenuBarView &view = f.build();
    QVERIFY(!f.shown("presetsNotSaved"));
    // The preferences file now lies below a regular file: no write can succeed.
    QFile blocker(f.preferencesDir.filePath("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Preferences::setFileForTesting(blocker.fileName() + "/prefs.ini");
    f.named<QLineEdit>("presetNameField")->setText("Desk");
    QTest::mouseClick(f.named<QAbstractButton>("save"), Qt::LeftButton);
    QVERIFY(f.shown("presetsNotSaved"));
    QCOMPARE(f.named<QLabel>("presetsNotSaved")->text(), QString("Could not save presets"));
    QVERIFY(f.accessible<QAbstractButton>("Load Desk"));

    QVERIFY(blocker.remove());
    QTest::mouseClick(f.accessible<QAbstractButton>("Update Desk"), Qt::LeftButton);
    QVERIFY(!f.shown("presetsNotSaved"));
    QCOMPARE(view.presets().presets().size(), 1);
}

void TestMenuBarView::returnInTheNameFieldSavesNothing()
{
    PanelFixture f;
    MenuBarView &view = f.build();
    auto *field = f.named<QLineEdit>("presetNameField");
    QTest::keyClicks(field, "Night");
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClick(field, Qt::Key_Enter);
    QVERIFY(view.presets().presets().isEmpty());
    QCOMPARE(field->text(), QString("Night"));
}

void TestMenuBarView::resetReloadsTheRowsOnly()
{
    PanelFixture f;
    f.storePresets({{"Desk", {{"brightness", 20}}}}, "Desk");
    MenuBarView &view = f.build();
    auto *field = f.named<QLineEdit>("presetNameField");
    field->setText("Half typed");
    const auto presets = contents(view.presets().presets());

    // The camera changed behind the panel's back; Reset reads it again.
    f.helper.answer("export", R"({"brightness":-7,"contrast":12,"auto_focus":0})");
    f.helper.clearLog();
    QTest::mouseClick(f.named<QAbstractButton>("reset"), Qt::LeftButton);
    QTRY_COMPARE(f.sliderValue("brightness"), -7);
    QCOMPARE(f.sliderValue("contrast"), 12);
    QVERIFY(!f.accessible<QAbstractButton>("Auto Focus")->isChecked());
    QCOMPARE(f.runsOf("controls"), 0);
    QCOMPARE(f.runsOf("set"), 0);

    QCOMPARE(contents(view.presets().presets()), presets);
    QCOMPARE(field->text(), QString("Half typed"));
    QCOMPARE(view.presets().lastUsedPresetName(), std::optional<QString>("Desk"));
    QCOMPARE(Preferences::string(Preferences::kLastUsedPreset), std::optional<QString>("Desk"));
}

void TestMenuBarView::aPresetSavedWithoutRowsIsEmpty()
{
    // Connected, but the controls could not be read: no rows.
    PanelFixture f;
    f.helper.answer("export", "[]");
    MenuBarView &view = f.build();
    QVERIFY(view.uvc().isConnected() && view.uvc().sliders().isEmpty() && view.uvc().toggles().isEmpty());
    f.named<QLineEdit>("presetNameField")->setText("Blank");
    QTest::mouseClick(f.named<QAbstractButton>("save"), Qt::LeftButton);
    QCOMPARE(view.presets().presets().size(), 1);
    QVERIFY(view.presets().presets().first().values.isEmpty());
    QCOMPARE(contents(PresetManager().presets()), contents(view.presets().presets()));

    // Loaded once the rows are back, it writes nothing but is the last used.
    f.helper.answer("export", R"({"brightness":10,"contrast":4000,"auto_focus":1,"auto_exposure_mode":8})");
    QTest::mouseClick(f.named<QAbstractButton>("reset"), Qt::LeftButton);
    QTRY_VERIFY(!view.uvc().sliders().isEmpty());
    recordLastUsedPreset(view.presets(), "Other");
    QTest::mouseClick(f.accessible<QAbstractButton>("Load Blank"), Qt::LeftButton);
    QVERIFY(view.uvc().waitForWrites());
    QCOMPARE(f.runsOf("set"), 0);
    QCOMPARE(f.sliderValue("brightness"), 10);
    QCOMPARE(view.presets().lastUsedPresetName(), std::optional<QString>("Blank"));
    QCOMPARE(Preferences::string(Preferences::kLastUsedPreset), std::optional<QString>("Blank"));
}

void TestMenuBarView::loadAndUpdateMoveTheEmphasisAsDocumented()
{
    PanelFixture f;
    f.storePresets({{"Desk", {{"brightness", 20}}}, {"Evening", {{"brightness", 40}}}});
    MenuBarView &view = f.build();
    auto emphasised = [&] {
        QStringList names;
        for (QLabel *name : view.findChildren<QLabel *>("presetName"))
            if (name->isVisibleTo(&view) && name->font().weight() == QFont::DemiBold)
                names << name->text();
        return names;
    };
    QCOMPARE(emphasised(), QStringList());

    QTest::mouseClick(f.accessible<QAbstractButton>("Load Evening"), Qt::LeftButton);
    QCOMPARE(f.sliderValue("brightness"), 40);
    QCOMPARE(emphasised(), QStringList{"Evening"});
    QCOMPARE(Preferences::string(Preferences::kLastUsedPreset), std::optional<QString>("Evening"));

    f.accessible<QSlider>("Brightness")->setValue(5);
    QTest::mouseClick(f.accessible<QAbstractButton>("Update Desk"), Qt::LeftButton);
    QCOMPARE(view.presets().presets().first().values.value("brightness"), 5);
    QCOMPARE(emphasised(), QStringList{"Evening"});
    QCOMPARE(Preferences::string(Preferences::kLastUsedPreset), std::optional<QString>("Evening"));

    // The row now holds the updated values.
    f.accessible<QSlider>("Brightness")->setValue(0);
    QTest::mouseClick(f.accessible<QAbstractButton>("Load Desk"), Qt::LeftButton);
    QCOMPARE(f.sliderValue("brightness"), 5);
    QCOMPARE(emphasised(), QStringList{"Desk"});

    // Saving under an existing name moves it to the end, emphasised.
    f.accessible<QAbstractButton>("Load Evening")->click();
    f.named<QLineEdit>("presetNameField")->setText("Desk");
    QTest::mouseClick(f.named<QAbstractButton>("save"), Qt::LeftButton);
    QStringList order;
    for (const CameraPreset &p : view.presets().presets())
        order << p.name;
    QCOMPARE(order, (QStringList{"Evening", "Desk"}));
    QCOMPARE(emphasised(), QStringList{"Desk"});
}

void TestMenuBarView::deletingTheEmphasisedPresetClearsIt()
{
    PanelFixture f;
    f.storePresets({{"Desk", {{"brightness", 20}}}, {"Evening", {{"brightness", 40}}}}, "Evening");
    MenuBarView &view = f.build();
    auto heavy = [&](const QString &name) {
        for (QLabel *label : view.findChildren<QLabel *>("presetName"))
            if (label->isVisibleTo(&view) && label->text() == name)
                return label->font().weight() == QFont::DemiBold;
        return false;
    };
    QVERIFY(heavy("Evening"));

    QTest::mouseClick(f.accessible<QAbstractButton>("Delete Desk"), Qt::LeftButton);
    QVERIFY(heavy("Evening"));
    QCOMPARE(Preferences::string(Preferences::kLastUsedPreset), std::optional<QString>("Evening"));

    QTest::mouseClick(f.accessible<QAbstractButton>("Delete Evening"), Qt::LeftButton);
    QVERIFY(view.presets().presets().isEmpty());
    QCOMPARE(view.presets().lastUsedPresetName(), std::nullopt);
    QCOMPARE(Preferences::string(Preferences::kLastUsedPreset), std::nullopt);
    QVERIFY(f.named<QLabel>("noPresets")->isVisibleTo(&view));
    QVERIFY(!f.accessible<QAbstractButton>("Load Evening"));
}

void TestMenuBarView::loginSwitchFollowsTheLoginItem()
{
    {
        // Registration fails and the item stays off: the switch goes back
        // off, which asks once to unregister.
        PanelFixture f;
        f.login.registerWorks = false;
        f.build();
        auto *loginSwitch = f.accessible<QAbstractButton>("Open at Login");
        QVERIFY(!loginSwitch->isChecked());
        QTest::mouseClick(loginSwitch, Qt::LeftButton);
        QVERIFY(!loginSwitch->isChecked());
        QCOMPARE(f.login.registerCalls, 1);
        QCOMPARE(f.login.unregisterCalls, 1);
    }
    {
        PanelFixture f;
        f.login.enabled = true;
        f.login.unregisterWorks = false;
        f.build();
        auto *loginSwitch = f.accessible<QAbstractButton>("Open at Login");
        QVERIFY(loginSwitch->isChecked());
        QTest::mouseClick(loginSwitch, Qt::LeftButton);
        QVERIFY(loginSwitch->isChecked());
        QCOMPARE(f.login.unregisterCalls, 1);
        QCOMPARE(f.login.registerCalls, 1);
    }
    {
        PanelFixture f;
        f.build();
        auto *loginSwitch = f.accessible<QAbstractButton>("Open at Login");
        QTest::mouseClick(loginSwitch, Qt::LeftButton);
        QVERIFY(loginSwitch->isChecked());
        QVERIFY(f.login.enabled);
        QTest::mouseClick(loginSwitch, Qt::LeftButton);
        QVERIFY(!loginSwitch->isChecked());
        QCOMPARE(f.login.registerCalls, 1);
        QCOMPARE(f.login.unregisterCalls, 1);
    }
    {
        // No login item given: the platform has none, and the switch stays off.
        PanelFixture f;
        MenuBarView::Options options;
        options.helperPath = FakeHelperScript::program();
        options.captureBackend = std::make_unique<FakeCaptureBackend>(f.capture);
        MenuBarView view(std::move(options));
        view.show();
        QAbstractButton *loginSwitch = nullptr;
        for (auto *button : view.findChildren<QAbstractButton *>())
            loginSwitch = button->accessibleName() == "Open at Login" ? button : loginSwitch;
        QVERIFY(loginSwitch && !loginSwitch->isChecked());
        QTest::mouseClick(loginSwitch, Qt::LeftButton);
        QVERIFY(!loginSwitch->isChecked());
    }
}

void TestMenuBarView::showingStartsThePreviewHidingLetsTheCameraGo()
{
    PanelFixture f;
    MenuBarView &view = f.build();
    QCOMPARE(f.capture->configurations, 1);
    QCoreApplication::processEvents();
    QVERIFY(!f.shown("preview"));

    // A camera appears: the next showing starts it and the preview follows.
    view.hide();
    f.capture->hasCamera = true;
    view.show();
    QTRY_COMPARE(f.capture->pendingStarts.size(), size_t(1));
    f.capture->finishStarts();
    QTRY_VERIFY(view.camera().isRunning());
    QCOMPARE(f.capture->startRequests, 1);
    QVERIFY(f.shown("preview"));
    QWidget *preview = f.named("preview");
    QCOMPARE(preview->size(), QSize(288, 180));
    QVERIFY(!preview->mask().contains(QPoint(0, 0)));
    QVERIFY(preview->mask().contains(QPoint(144, 90)));

    // Hidden, it lets the camera go, for a video call to use; shown again,
    // it starts anew, and the preview area stays in place meanwhile.
    view.hide();
    QVERIFY(!f.capture->deviceOpen);
    view.show();
    QVERIFY(f.shown("preview"));
    QCOMPARE(f.named("preview"), preview);
    QTRY_COMPARE(f.capture->startRequests, 2);
    f.capture->finishStarts();
    QTRY_VERIFY(f.capture->deviceOpen);
    auto *view2 = qobject_cast<CameraPreviewView *>(preview);
    QVERIFY(view2 && view2->caption().isEmpty());

    // Another program streams from it: the area says so, in place of a black box.
    view.hide();
    f.capture->startSucceeds = false;
    f.capture->failure = PreviewProblem::CameraBusy;
    view.show();
    QTRY_COMPARE(f.capture->pendingStarts.size(), size_t(1));
    f.capture->finishStarts();
    QTRY_COMPARE(view2->caption(), QString("Camera in use by another application"));
    QVERIFY(f.shown("preview"));
    view.hide();
    f.capture->failure = PreviewProblem::CameraUnavailable;
    view.show();
    QTRY_COMPARE(f.capture->pendingStarts.size(), size_t(1));
    f.capture->finishStarts();
    QTRY_COMPARE(view2->caption(), QString("Camera not available"));
}

QTEST_MAIN(TestMenuBarView)
#include "tst_menubarview.moc"
