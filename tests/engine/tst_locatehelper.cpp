// Finding uvcc-helper beside the executable. This program is built into a
// directory of its own, so the entries it creates there affect no other test.

#include "controllertestsupport.h"

#include <QFileInfo>

namespace {

QString besideUs()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath("uvcc-helper");
}

} // namespace

class LocateHelperTest : public QObject {
    Q_OBJECT

private slots:
    void init() { cleanup(); }
    void cleanup()
    {
        QFile::remove(besideUs());
        QDir().rmdir(besideUs());
    }

    void bareNameWhenNothingIsThere()
    {
        QCOMPARE(UVCController::locateHelper(), QStringLiteral("uvcc-helper"));
    }

    void anyEntryCounts()
    {
        QVERIFY(QDir().mkdir(besideUs()));
        QCOMPARE(UVCController::locateHelper(), besideUs());
        QVERIFY(QDir().rmdir(besideUs()));
        QVERIFY(QFile::link("/nonexistent/uvcc-helper", besideUs()));
        QCOMPARE(UVCController::locateHelper(), besideUs());
    }

    void defaultConstructorUsesTheHelperBesideUs()
    {
        FakeHelperScript fake;
        scriptFullCamera(fake);
        QVERIFY(QFile::copy(fake.program(), besideUs()));
        UVCController controller;
        QCOMPARE(controller.helperPath(), besideUs());
        QCOMPARE(fake.runs().size(), 4);
        QVERIFY(controller.isConnected());
    }

    // A bare name must not pick up a program that happens to sit in the
    // current directory.
    void currentDirectoryIsNotSearched()
    {
        FakeHelperScript fake;
        scriptFullCamera(fake);
        QTemporaryDir elsewhere;
        QVERIFY(QFile::copy(fake.program(), elsewhere.filePath("uvcc-helper")));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        UVCController controller;
        QDir::setCurrent(previous);
        QCOMPARE(controller.helperPath(), QStringLiteral("uvcc-helper"));
        QVERIFY(fake.runs().isEmpty());
        QVERIFY(!controller.isConnected());
        QCOMPARE(controller.errorMessage(),
                 QStringLiteral("Cannot find uvcc-helper or camera not connected"));
    }
};

QTEST_GUILESS_MAIN(LocateHelperTest)
#include "tst_locatehelper.moc"
