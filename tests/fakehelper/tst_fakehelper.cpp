// The scripted fake helper itself: a script that names a fixture the fake
// cannot read must fail where a test sees it, not answer nothing.
#include "fakehelperscript.h"
#include "programrun.h"

#include <QTest>

namespace {

using Run = ProgramRun;

Run runFake(const QStringList &args)
{
    return runProgram(FakeHelperScript::program(), args);
}

class TestFakeHelper : public QObject {
    Q_OBJECT

private slots:
    void answersFromFixtureFile()
    {
        FakeHelperScript fake;
        const QString fixture = fake.path() + "/fixture.json";
        QFile file(fixture);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[1]\n");
        file.close();
        fake.answerFromFile("devices", fixture);
        fake.option("devices", "repeat", "2");
        QCOMPARE(runFake({"devices"}).out, QByteArray("[1]\n[1]\n"));
        fake.answer("devices", "[2]");
        QCOMPARE(runFake({"devices"}).out, QByteArray("[2][2]"));
        fake.answerFromFile("devices", fixture);
        QCOMPARE(runFake({"devices"}).out, QByteArray("[1]\n[1]\n"));
    }

    void missingFixtureFailsLoudly_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::newRow("no such file") << QStringLiteral("/nonexistent/lumarel/devices-none.json");
        QTest::newRow("not found by QFINDTESTDATA") << QString();
    }
    void missingFixtureFailsLoudly()
    {
        QFETCH(QString, fixture);
        FakeHelperScript fake;
        fake.answerFromFile("devices", fixture);
        const Run run = runFake({"devices"});
        QCOMPARE(run.code, kFakeHelperBrokenScript);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.startsWith("lumarel_fake_helper: cannot read the fixture file '" + fixture.toUtf8() + "'"),
                 run.err.constData());
    }

    void unscriptedCommandStillAnswersNothing()
    {
        FakeHelperScript fake;
        const Run run = runFake({"export"});
        QCOMPARE(run.code, 0);
        QVERIFY(run.out.isEmpty());
        QVERIFY(run.err.isEmpty());
    }
};

} // namespace

QTEST_GUILESS_MAIN(TestFakeHelper)
#include "tst_fakehelper.moc"
