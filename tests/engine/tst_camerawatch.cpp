// The long-lived watch run against a scripted helper: what it survives and
// when it is started again.

#include "camerawatch.h"
#include "controllertestsupport.h"

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

class CameraWatchTest : public QObject {
    Q_OBJECT

private:
    static int watchRuns(const FakeHelperScript &fake)
    {
        int runs = 0;
        for (const QStringList &run : fake.runs())
            runs += run.value(0) == QStringLiteral("watch");
        return runs;
    }

private slots:
    // Garbage, one good answer and an endless line, repeated: the good answer
    // arrives, the endless line never, and the event loop does not stall.
    void survivesHostileOutputAndIsStartedAgain()
    {
        FakeHelperScript fake;
        const QByteArray good = R"([{"vid":"046d","pid":"085c","name":"C922"}])";
        QByteArray hostile = "not json\n\xff\xfe\n" + good + "\n" + QByteArray(3 * CameraWatch::kMaxLineBytes, 'x')
                           + "\n";
        fake.answer("watch", hostile);
        fake.option("watch", "repeat", "3");
        CameraWatch watch(FakeHelperScript::program());
        QList<QByteArray> lines;
        connect(&watch, &CameraWatch::answered, this, [&](const QByteArray &line) { lines << line; });
        QElapsedTimer stall;
        qint64 longestTurn = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, this, [&] {
            longestTurn = std::max(longestTurn, stall.restart());
        });
        stall.start();
        tick.start(10);
        watch.start();
        // The run ends after its answer; a second one follows a pause later.
        QTRY_VERIFY_WITH_TIMEOUT(watchRuns(fake) >= 2, 10000);
        QVERIFY(!lines.isEmpty());
        QVERIFY(lines.contains(good));
        for (const QByteArray &line : lines)
            QVERIFY(line.size() <= CameraWatch::kMaxLineBytes);
        QVERIFY2(longestTurn < 2000, qPrintable(QString::number(longestTurn)));
    }

    // A helper from before `watch` existed says "unknown command": it is not
    // asked again and again.
    void aHelperWithoutWatchIsLeftAlone()
    {
        FakeHelperScript fake;
        fake.option("watch", "exit", "2");
        CameraWatch watch(FakeHelperScript::program());
        watch.start();
        QTRY_VERIFY(!watch.isRunning() && watchRuns(fake) == 1);
        QTest::qWait(CameraWatch::kFirstPauseMs + 500);
        QCOMPARE(watchRuns(fake), 1);
    }
};

QTEST_GUILESS_MAIN(CameraWatchTest)
#include "tst_camerawatch.moc"
