#include "camerasessionmanager.h"
#include "fakecapturebackend.h"

#include <QMediaCaptureSession>
#include <QSignalSpy>
#include <QTest>

// The manager's start-up state machine, driven through a fake capture back
// end whose starts return only when the test lets them.
class TestCameraSessionManager : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<FakeCaptureState> state;

    std::unique_ptr<CameraSessionManager> makeManager()
    {
        return std::make_unique<CameraSessionManager>(std::make_unique<FakeCaptureBackend>(state));
    }

    // Lets queued work run: the start task, then the hand-back of its result.
    static void settle() { QTest::qWait(20); }

private slots:
    void init() { state = std::make_shared<FakeCaptureState>(); }

    void createdEmptyAndTouchesNoCamera()
    {
        auto manager = makeManager();
        QVERIFY(!manager->isRunning());
        QVERIFY(!manager->property("isRunning").toBool());
        QVERIFY(manager->session());
        QVERIFY(!manager->session()->camera());
        settle();
        QCOMPARE(state->configurations, 0);
        QCOMPARE(state->startRequests, 0);
    }

    void startRunsAfterReturningAndOnlyOnce()
    {
        auto manager = makeManager();
        QMediaCaptureSession *session = manager->session();
        QSignalSpy changed(manager.get(), &CameraSessionManager::isRunningChanged);

        manager->start();
        QCOMPARE(state->configurations, 1);
        // Nothing is started before start() has returned.
        QCOMPARE(state->startRequests, 0);
        settle();
        QCOMPARE(state->startRequests, 1);
        QVERIFY(!manager->isRunning());
        QCOMPARE(changed.count(), 0);

        state->finishStarts();
        QVERIFY(!manager->isRunning()); // the result comes back through the event loop
        QTRY_VERIFY(manager->isRunning());
        QCOMPARE(changed.count(), 1);

        // While the session runs, start() does nothing at all.
        for (int i = 0; i < 5; ++i)
            manager->start();
        settle();
        QCOMPARE(state->configurations, 1);
        QCOMPARE(state->startRequests, 1);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(manager->session(), session);
    }

    void nothingToOpenLeavesItStoppedUntilTheNextStart_data()
    {
        QTest::addColumn<bool>("hasCamera");
        QTest::addColumn<bool>("canOpen");
        QTest::newRow("no camera") << false << true;
        QTest::newRow("device cannot be opened") << true << false;
    }

    void nothingToOpenLeavesItStoppedUntilTheNextStart()
    {
        QFETCH(bool, hasCamera);
        QFETCH(bool, canOpen);
        state->hasCamera = hasCamera;
        state->canOpen = canOpen;
        auto manager = makeManager();
        QSignalSpy changed(manager.get(), &CameraSessionManager::isRunningChanged);

        manager->start();
        settle();
        QCOMPARE(state->startRequests, 0);
        QVERIFY(!manager->isRunning());
        QCOMPARE(changed.count(), 0);

        // The camera turns up: the next showing of the panel gets the picture.
        state->hasCamera = true;
        state->canOpen = true;
        manager->start();
        settle();
        QCOMPARE(state->configurations, 2);
        QCOMPARE(state->startRequests, 1);
        state->finishStarts();
        QTRY_VERIFY(manager->isRunning());
    }

    void runningEvenWhenNoFramesCanCome_data()
    {
        QTest::addColumn<bool>("acceptsInput");
        QTest::addColumn<bool>("startSucceeds");
        QTest::newRow("input refused") << false << true;
        QTest::newRow("start refused by the system") << true << false;
    }

    void runningEvenWhenNoFramesCanCome()
    {
        QFETCH(bool, acceptsInput);
        QFETCH(bool, startSucceeds);
        state->sessionAcceptsInput = acceptsInput;
        state->startSucceeds = startSucceeds;
        auto manager = makeManager();

        manager->start();
        settle();
        QCOMPARE(state->startRequests, 1);
        QCOMPARE(state->inputsAttached, acceptsInput ? 1 : 0);
        state->finishStarts();
        QTRY_VERIFY(manager->isRunning());

        // A session that did not start is tried again, and isRunning stays true.
        manager->start();
        settle();
        QCOMPARE(state->configurations, startSucceeds ? 1 : 2);
        QVERIFY(manager->isRunning());
    }

    void startAgainWhilePendingStartsTwice()
    {
        auto manager = makeManager();
        QSignalSpy changed(manager.get(), &CameraSessionManager::isRunningChanged);

        manager->start();
        settle();
        manager->start();
        settle();
        QCOMPARE(state->configurations, 2);
        QCOMPARE(state->startRequests, 2);
        QVERIFY(!manager->isRunning());

        state->finishStarts();
        QTRY_COMPARE(changed.count(), 2);
        QVERIFY(manager->isRunning());
    }

    void destroyedWhileAStartIsPending()
    {
        // Gone before the start task runs: the session is never started.
        auto manager = makeManager();
        manager->start();
        manager.reset();
        settle();
        QCOMPARE(state->startRequests, 0);

        // Gone while the start is under way: its return reaches nothing.
        manager = makeManager();
        manager->start();
        settle();
        QCOMPARE(state->startRequests, 1);
        manager.reset();
        QVERIFY(!state->backendAlive);
        state->finishStarts();
        settle();

        // Gone after the start returned but before the result was handed back.
        manager = makeManager();
        manager->start();
        settle();
        state->finishStarts();
        manager.reset();
        settle();
    }

    void stopLetsTheDeviceGoEvenDuringAStart()
    {
        auto manager = makeManager();
        manager->start();
        settle();
        state->finishStarts();
        QTRY_VERIFY(manager->isRunning());
        QVERIFY(state->deviceOpen);
        manager->stop();
        QVERIFY(!state->deviceOpen);
        QVERIFY(manager->isRunning()); // the preview area stays

        // A stop before the start task ran: nothing starts.
        manager->start();
        manager->stop();
        settle();
        QCOMPARE(state->startRequests, 1);

        // A stop while the device opens: once it has, it is let go again, and
        // the late result is not taken for the current one.
        manager->start();
        settle();
        QCOMPARE(state->startRequests, 2);
        manager->stop();
        const int stops = state->stops;
        state->finishStarts();
        QVERIFY(state->deviceOpen);
        QTRY_COMPARE(state->stops, stops + 1);
        QVERIFY(!state->deviceOpen);
    }

    void aStartThatGivesNoPicturesSaysWhy()
    {
        state->startSucceeds = false;
        state->failure = PreviewProblem::CameraBusy;
        auto manager = makeManager();
        QSignalSpy changed(manager.get(), &CameraSessionManager::problemChanged);
        manager->start();
        settle();
        state->finishStarts();
        QTRY_COMPARE(manager->problem(), PreviewProblem::CameraBusy);
        QVERIFY(manager->isRunning());

        // The video call has ended.
        state->startSucceeds = true;
        manager->start();
        settle();
        state->finishStarts();
        QTRY_COMPARE(manager->problem(), PreviewProblem::None);
        QCOMPARE(changed.count(), 2);
    }

    void stoppedBySystemIsConfiguredAgain()
    {
        auto manager = makeManager();
        manager->start();
        settle();
        state->finishStarts();
        QTRY_VERIFY(manager->isRunning());

        state->stopBySystem(); // the camera was unplugged
        QVERIFY(manager->isRunning());
        settle();
        QVERIFY(manager->isRunning());

        manager->start();
        QCOMPARE(state->configurations, 2);
        QCOMPARE(state->inputsAttached, 2);
        settle();
        QCOMPARE(state->startRequests, 2);
        state->finishStarts();
        settle();
        QVERIFY(manager->isRunning());
        QVERIFY(state->running);
    }
};

QTEST_MAIN(TestCameraSessionManager)
#include "tst_camerasessionmanager.moc"
