// One run of an external program: exact arguments, standard output only,
// read while the program runs, and a time limit.

#include "fakehelperscript.h"
#include "uvccontroller.h"

#include <QElapsedTimer>
#include <QTest>

using Status = ProcessOutcome::Status;

constexpr int kPatientMs = 60000;

class ProcessRunnerTest : public QObject {
    Q_OBJECT

private slots:
    void argumentsPassedWithoutShell()
    {
        FakeHelperScript fake;
        fake.answer("set", "ok\n");
        const QStringList arguments{"set", "a b", "$(touch x); echo", "", "'\"*", "Ünï"};
        const ProcessOutcome outcome = UVCController::runProcess(fake.program(), arguments);
        QCOMPARE(outcome.status, Status::Finished);
        QCOMPARE(outcome.output, QStringLiteral("ok\n"));
        QCOMPARE(fake.runs(), QList<QStringList>{arguments});
        QVERIFY(!QFile::exists(QDir::current().filePath("x")));
    }

    void outputTakenAsItIs_data()
    {
        QTest::addColumn<QByteArray>("printed");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QByteArray>("exitStatus");
        QTest::newRow("untrimmed") << QByteArray(" [1]\n\n") << QString(" [1]\n\n") << QByteArray("0");
        QTest::newRow("line break only") << QByteArray("\n") << QString("\n") << QByteArray("0");
        QTest::newRow("nothing") << QByteArray() << QString() << QByteArray("0");
        QTest::newRow("UTF-8") << QByteArray("K\xc3\xa4mera") << QString("Kämera") << QByteArray("0");
        QTest::newRow("invalid UTF-8") << QByteArray("{\"a\":\xff\xfe}") << QString() << QByteArray("0");
        QTest::newRow("truncated UTF-8") << QByteArray("ab\xc3") << QString() << QByteArray("0");
        QTest::newRow("exit status kept apart") << QByteArray("[]") << QString("[]") << QByteArray("3");
        QTest::newRow("silent, camera locked") << QByteArray() << QString() << QByteArray("7");
    }
    void outputTakenAsItIs()
    {
        QFETCH(QByteArray, printed);
        QFETCH(QString, output);
        QFETCH(QByteArray, exitStatus);
        FakeHelperScript fake;
        fake.answer("devices", printed);
        fake.option("devices", "exit", exitStatus);
        fake.option("devices", "err", "diagnostic on standard error\n");
        const ProcessOutcome outcome = UVCController::runProcess(fake.program(), {"devices"});
        QCOMPARE(outcome.status, Status::Finished);
        QCOMPARE(outcome.output, output);
        QCOMPARE(outcome.exitCode, std::optional<int>(exitStatus.toInt()));
    }

    void crashHalfWayGivesWhatWasWritten()
    {
        FakeHelperScript fake;
        fake.answer("export", "{\"brightness\": 10}");
        fake.option("export", "crash");
        const ProcessOutcome outcome = UVCController::runProcess(fake.program(), {"export"});
        QCOMPARE(outcome.status, Status::Finished);
        QCOMPARE(outcome.output, QStringLiteral("{\"brightn"));
        QCOMPARE(outcome.exitCode, std::nullopt);
    }

    void startFailures()
    {
        const QString missing = QDir::temp().filePath("lumarel-no-such-helper");
        QCOMPARE(UVCController::runProcess(missing, {"devices"}).status, Status::FailedToStart);
        QTemporaryDir dir;
        QCOMPARE(UVCController::runProcess(dir.path(), {"devices"}).status, Status::FailedToStart);
        QFile notExecutable(dir.filePath("uvcc-helper"));
        QVERIFY(notExecutable.open(QIODevice::WriteOnly));
        notExecutable.write("#!/bin/sh\necho hi\n");
        notExecutable.close();
        QCOMPARE(UVCController::runProcess(notExecutable.fileName(), {}).status,
                 Status::FailedToStart);
    }

    // Far more than a pipe holds: a runner that only reads after the exit
    // would wait for ever here.
    void largeOutputDoesNotBlock()
    {
        FakeHelperScript fake;
        const QByteArray line(1023, 'x');
        fake.answer("export", line + '\n');
        fake.option("export", "repeat", "1024");
        // A generous limit: on a loaded machine writing a megabyte may take a
        // while, and the time limit is not what this case is about.
        const ProcessOutcome outcome =
            UVCController::runProcess(fake.program(), {"export"}, kPatientMs);
        QCOMPARE(outcome.status, Status::Finished);
        QCOMPARE(outcome.output.size(), 1024 * 1024);
    }

    void runawayOutputIsCut()
    {
        FakeHelperScript fake;
        fake.answer("export", QByteArray(1024 * 1024, 'y'));
        fake.option("export", "repeat", "40");
        const ProcessOutcome outcome =
            UVCController::runProcess(fake.program(), {"export"}, kPatientMs);
        QCOMPARE(outcome.status, Status::TooMuchOutput);
        QVERIFY(outcome.output.isEmpty());
    }

    void slowHelperIsKilled()
    {
        FakeHelperScript fake;
        fake.answer("controls", "brightness\n");
        fake.option("controls", "sleep", "10000");
        QElapsedTimer timer;
        timer.start();
        const ProcessOutcome outcome = UVCController::runProcess(fake.program(), {"controls"});
        QCOMPARE(outcome.status, Status::TimedOut);
        QVERIFY(outcome.output.isEmpty());
        // Generous bounds: the point is "not the full ten seconds".
        QVERIFY2(timer.elapsed() >= UVCController::kRunTimeoutMs - 100, qPrintable(QString::number(timer.elapsed())));
        QVERIFY2(timer.elapsed() < 9000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(fake.trace().size() == 1); // started, never finished
    }

    // A helper stuck in a USB control transfer dies seconds after the kill;
    // the caller (often the GUI thread) must not wait for that, and the
    // helper must still be reaped once it is gone.
    void helperThatDiesLateIsLeftToReap()
    {
        FakeHelperScript fake;
        fake.option("controls", "sleep", "10000");
        fake.option("controls", "linger", "4000");
        constexpr int limitMs = 300;
        QElapsedTimer timer;
        timer.start();
        const ProcessOutcome outcome =
            UVCController::runProcess(fake.program(), {"controls"}, limitMs);
        const qint64 elapsed = timer.elapsed();
        const QList<QByteArray> trace = fake.trace();
        if (trace.size() < 2 || !trace[1].startsWith("held "))
            QSKIP("ptrace is not permitted here, so no helper can be made to die late");
        QCOMPARE(outcome.status, Status::TimedOut);
        QVERIFY2(elapsed < limitMs + 2500, qPrintable(QString::number(elapsed)));
        const QString process = "/proc/" + QString::fromLatin1(trace[1].mid(5));
        QVERIFY(QFile::exists(process)); // still held, not yet reaped
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(process), 15000);
    }
};

QTEST_GUILESS_MAIN(ProcessRunnerTest)
#include "tst_processrunner.moc"
