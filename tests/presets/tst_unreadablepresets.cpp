// An unreadable stored preset list is never overwritten before a copy of it
// has been kept aside, even when that copy cannot be written.
#include "presettestsupport.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>

#include <unistd.h>

namespace {

// Root may write read-only files, and CI runs as root: this program gives
// up root for the user nobody before anything is written, so that a
// read-only preferences file refuses writes here as on a user's machine.
void stopBeingRoot()
{
    constexpr uid_t kNobody = 65534;
    if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0))
        qWarning("could not become the user nobody");
}

// "Lumarel.UnreadablePresets", then "Lumarel.UnreadablePresets2", ...
QByteArray slotKey(int slot)
{
    return Preferences::kUnreadablePresets + (slot > 1 ? QByteArray::number(slot) : QByteArray());
}

// A preferences file holding `stored` as the list, with the first `taken`
// copy slots holding other documents.
QByteArray settingsFile(const QByteArray &stored, int taken)
{
    QByteArray file = "[General]\nLumarel.Presets=@ByteArray(" + stored + ")\n";
    for (int slot = 1; slot <= taken; ++slot)
        file += slotKey(slot) + "=@ByteArray(older " + QByteArray::number(slot) + ")\n";
    return file;
}

} // namespace

class UnreadablePresetsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        stopBeingRoot();
        QStandardPaths::setTestModeEnabled(true);
    }
    void init() { QVERIFY(m_sandbox.reset()); }

    void listStaysWhenTheCopyCannotBeWritten();
    void listStaysWhenEveryCopySlotIsTaken();

private:
    PreferencesSandbox m_sandbox;
};

void UnreadablePresetsTest::listStaysWhenTheCopyCannotBeWritten()
{
    const QByteArray unreadable = "damaged " + QByteArray(1000, 'x');
    QVERIFY(m_sandbox.write(settingsFile(unreadable, 0)));
    QFile file(m_sandbox.file());
    const QFile::Permissions permissions = file.permissions();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::ReadUser));
    if (QFileInfo(m_sandbox.file()).isWritable())
        QSKIP("This user may write read-only files (root): run the test as another user.");
    PresetManager manager;
    manager.savePreset(QStringLiteral("New"), {{"zoom", 1}});
    QVERIFY(file.setPermissions(permissions));
    QCOMPARE(manager.presets().size(), 1);
    QVERIFY(manager.saveFailed());
    // Neither in what this process reads back nor on disk.
    QCOMPARE(Preferences::data(Preferences::kPresets), std::optional<QByteArray>(unreadable));
    const auto restarted = m_sandbox.restart();
    QVERIFY(restarted->presets().isEmpty());
    QCOMPARE(Preferences::data(Preferences::kPresets), std::optional<QByteArray>(unreadable));

    // Once the file may be written again, the copy comes first.
    restarted->savePreset(QStringLiteral("New"), {{"zoom", 1}});
    QCOMPARE(m_sandbox.restart()->presets().size(), 1);
    QCOMPARE(Preferences::data(slotKey(1).constData()), std::optional<QByteArray>(unreadable));
}

void UnreadablePresetsTest::listStaysWhenEveryCopySlotIsTaken()
{
    // As many copies as the store keeps.
    constexpr int kSlots = 1000;
    QVERIFY(m_sandbox.write(settingsFile("mine", kSlots - 1)));
    PresetManager first;
    first.savePreset(QStringLiteral("New"), {});
    QVERIFY(!first.saveFailed());
    // The last slot is still one.
    QCOMPARE(Preferences::data(slotKey(kSlots).constData()), std::optional<QByteArray>("mine"));
    QCOMPARE(m_sandbox.restart()->presets().size(), 1);

    QVERIFY(m_sandbox.reset());
    QVERIFY(m_sandbox.write(settingsFile("mine", kSlots)));
    PresetManager manager;
    manager.savePreset(QStringLiteral("New"), {});
    QCOMPARE(manager.presets().size(), 1);
    // Not stored, so not shown as stored.
    QVERIFY(manager.saveFailed());
    QCOMPARE(Preferences::data(Preferences::kPresets), std::optional<QByteArray>("mine"));
    QVERIFY(!Preferences::contains(slotKey(kSlots + 1).constData()));
    QVERIFY(m_sandbox.restart()->presets().isEmpty());
}

QTEST_GUILESS_MAIN(UnreadablePresetsTest)
#include "tst_unreadablepresets.moc"
