// uvcc-helper as it is built where it has no platform camera back end: it
// must still answer, finding no camera, and keep serving the simulated ones.
#include "programrun.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

using Run = ProgramRun;

Run helper(const QStringList &args, const QString &simulate = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("UVCC_HELPER_SIMULATE");
    if (!simulate.isEmpty())
        env.insert("UVCC_HELPER_SIMULATE", simulate);
    return runProgram(UVCC_HELPER_NULL_PATH, args, env);
}

class TestNullBackend : public QObject {
    Q_OBJECT

private slots:
    void devicesListsNone()
    {
        const Run run = helper({"devices"});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out, QByteArray("[]\n"));
        QCOMPARE(run.err, QByteArray());
    }

    void cameraCommandsFindNoCamera_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("controls") << QStringList{"controls"};
        QTest::newRow("export") << QStringList{"export"};
        QTest::newRow("ranges with designator") << QStringList{"ranges", "fe1a:0c01"};
        QTest::newRow("set") << QStringList{"set", "brightness", "1"};
    }
    void cameraCommandsFindNoCamera()
    {
        QFETCH(QStringList, args);
        const Run run = helper(args);
        QCOMPARE(run.code, 3);
        QCOMPARE(run.out, QByteArray());
        QCOMPARE(run.err, QByteArray("uvcc-helper: no camera found\n"));
    }

    void simulatedCamerasStillServed()
    {
        QTemporaryDir dir;
        const Run run = helper({"export", "fe2b:0102"}, dir.filePath("state.json"));
        QCOMPARE(run.code, 0);
        QVERIFY(run.out.startsWith("{\"brightness\":128,"));
    }
};

} // namespace

QTEST_GUILESS_MAIN(TestNullBackend)
#include "tst_nullbackend.moc"
