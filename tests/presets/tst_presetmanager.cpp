#include "presettestsupport.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <limits>

namespace {

using Values = QMap<QString, qint64>;

const QString kComposed = QStringLiteral("Caf\u00e9");
const QString kDecomposed = QStringLiteral("Cafe\u0301");

QStringList names(const PresetManager &manager)
{
    QStringList result;
    for (const CameraPreset &preset : manager.presets())
        result.append(preset.name);
    return result;
}

} // namespace

class PresetManagerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void startsEmptyWithoutStoredList();
    void savingReplacesByNameAndAppends();
    void updatingKeepsOrderAndPlace();
    void updatingAMissingNameWritesNothing();
    void deletingKeepsOrderDownToEmptyArray();
    void duplicateNamesFromAStoredDocument();
    void namesAreExactButCanonicallyEquivalent();
    void lastUsedFollowsSaveLoadAndDelete();
    void publishedFieldsNotifyOnEveryAssignment();
    void listReadsBackIdenticalAfterRestart();
    void unreadableDocumentsLoadEmptyAndAreKept_data();
    void unreadableDocumentsLoadEmptyAndAreKept();
    void unreadableBytesSurviveTheFirstWrite();
    void readableDocumentIsNeverKeptAside();
    void earlierUnreadableBytesAreNotReplaced();
    void preferencesKeepEachValueAndType();
    void failedSaveIsReportedAndKeepsTheList();
    void damagedButWritableFileIsNoFailure();

private:
    std::unique_ptr<PresetManager> restart() { return m_sandbox.restart(); }
    void writeFile(const QByteArray &content) { QVERIFY(m_sandbox.write(content)); }

    PreferencesSandbox m_sandbox;
};

void PresetManagerTest::initTestCase()
{
    // Should anything bypass the test file, it still misses the user's own.
    QStandardPaths::setTestModeEnabled(true);
}

void PresetManagerTest::init()
{
    QVERIFY(m_sandbox.reset());
}

void PresetManagerTest::startsEmptyWithoutStoredList()
{
    Preferences::setString(Preferences::kLastUsedPreset, QStringLiteral("Desk"));
    PresetManager manager;
    QVERIFY(manager.presets().isEmpty());
    QCOMPARE(manager.lastUsedPresetName(), std::optional<QString>(QStringLiteral("Desk")));
    QVERIFY(!manager.lastUsedPreset());
    QCOMPARE(manager.key, QStringLiteral("Lumarel.Presets"));
    QCOMPARE(manager.lastUsedKey, QStringLiteral("Lumarel.LastUsedPreset"));
    // Reading alone writes nothing.
    QVERIFY(!Preferences::contains(Preferences::kPresets));
}

void PresetManagerTest::savingReplacesByNameAndAppends()
{
    PresetManager manager;
    manager.savePreset(QStringLiteral("Desk"), {{"zoom", 1}});
    manager.savePreset(QStringLiteral("Evening"), {{"zoom", 2}});
    manager.savePreset(QStringLiteral("Desk"), {{"zoom", 3}});
    QCOMPARE(names(manager), QStringList({"Evening", "Desk"}));
    QCOMPARE(manager.presets().last().values, Values({{"zoom", 3}}));

    // Blanks make a different name.
    manager.savePreset(QStringLiteral(" Desk"), {});
    QCOMPARE(names(manager), QStringList({"Evening", "Desk", " Desk"}));
    QCOMPARE(names(*restart()), QStringList({"Evening", "Desk", " Desk"}));
}

void PresetManagerTest::updatingKeepsOrderAndPlace()
{
    PresetManager manager;
    manager.savePreset(QStringLiteral("Desk"), {{"zoom", 1}});
    manager.savePreset(QStringLiteral("Evening"), {{"zoom", 2}});
    manager.savePreset(QStringLiteral("Night"), {{"zoom", 3}});
    recordLastUsedPreset(manager, QStringLiteral("Night"));

    manager.updatePreset(QStringLiteral("Evening"), {{"gain", 9}});
    const auto check = [](const PresetManager &m) {
        QCOMPARE(names(m), QStringList({"Desk", "Evening", "Night"}));
        QCOMPARE(m.presets().at(0).values, Values({{"zoom", 1}}));
        QCOMPARE(m.presets().at(1).values, Values({{"gain", 9}}));
        QCOMPARE(m.presets().at(2).values, Values({{"zoom", 3}}));
        QCOMPARE(m.lastUsedPresetName(), std::optional<QString>(QStringLiteral("Night")));
    };
    check(manager);
    check(*restart());
}

void PresetManagerTest::updatingAMissingNameWritesNothing()
{
    // The extra member would be dropped by any write.
    const QByteArray stored = R"([{"name":"Desk","values":{"zoom":1},"extra":1}])";
    Preferences::setData(Preferences::kPresets, stored);
    PresetManager manager;
    QSignalSpy changed(&manager, &PresetManager::presetsChanged);

    manager.updatePreset(QStringLiteral("Gone"), {{"zoom", 5}});
    QCOMPARE(changed.count(), 0);
    QCOMPARE(Preferences::data(Preferences::kPresets), std::optional<QByteArray>(stored));

    manager.updatePreset(QStringLiteral("Desk"), {{"zoom", 5}});
    QCOMPARE(Preferences::data(Preferences::kPresets),
             std::optional<QByteArray>(R"([{"name":"Desk","values":{"zoom":5}}])"));
}

void PresetManagerTest::deletingKeepsOrderDownToEmptyArray()
{
    PresetManager manager;
    for (const char *name : {"A", "B", "C"})
        manager.savePreset(QString::fromLatin1(name), {});
    // Only the name identifies a preset; its values play no part.
    manager.deletePreset(CameraPreset{QStringLiteral("B"), {{"zoom", 99}}});
    manager.deletePreset(CameraPreset{QStringLiteral("Z"), {}});
    QCOMPARE(names(*restart()), QStringList({"A", "C"}));

    manager.deletePreset(CameraPreset{QStringLiteral("A"), {}});
    manager.deletePreset(CameraPreset{QStringLiteral("C"), {}});
    QVERIFY(manager.presets().isEmpty());
    QCOMPARE(Preferences::data(Preferences::kPresets), std::optional<QByteArray>("[]"));
    QVERIFY(restart()->presets().isEmpty());
}

void PresetManagerTest::duplicateNamesFromAStoredDocument()
{
    const QByteArray stored = R"([{"name":"A","values":{"x":1}},{"name":"B","values":{}},)"
                              R"({"name":"A","values":{"x":2}}])";
    Preferences::setData(Preferences::kPresets, stored);
    Preferences::setString(Preferences::kLastUsedPreset, QStringLiteral("A"));

    PresetManager manager;
    QCOMPARE(names(manager), QStringList({"A", "B", "A"}));
    QCOMPARE(manager.lastUsedPreset()->values, Values({{"x", 1}}));

    manager.updatePreset(QStringLiteral("A"), {{"x", 7}});
    QCOMPARE(manager.presets().at(0).values, Values({{"x", 7}}));
    QCOMPARE(manager.presets().at(2).values, Values({{"x", 2}}));

    manager.savePreset(QStringLiteral("A"), {{"x", 3}});
    QCOMPARE(names(manager), QStringList({"B", "A"}));

    Preferences::setData(Preferences::kPresets, stored);
    PresetManager other;
    other.deletePreset(CameraPreset{QStringLiteral("A"), {}});
    QCOMPARE(names(other), QStringList({"B"}));
}

void PresetManagerTest::namesAreExactButCanonicallyEquivalent()
{
    PresetManager manager;
    manager.savePreset(kDecomposed, {{"hue", 1}});
    manager.savePreset(QStringLiteral("cafe\u0301"), {{"hue", 2}});

    // Typed in composed form, the name finds the preset saved decomposed.
    manager.updatePreset(kComposed, {{"hue", 3}});
    QCOMPARE(manager.presets().size(), 2);
    QCOMPARE(manager.presets().at(0).values, Values({{"hue", 3}}));
    recordLastUsedPreset(manager, kComposed);
    QCOMPARE(manager.lastUsedPreset()->values, Values({{"hue", 3}}));

    manager.savePreset(kComposed, {{"hue", 4}});
    QCOMPARE(manager.presets().size(), 2);
    QCOMPARE(manager.presets().last().name, kComposed);

    manager.deletePreset(CameraPreset{kDecomposed, {}});
    QCOMPARE(names(manager), QStringList({QStringLiteral("cafe\u0301")}));
    QVERIFY(!manager.lastUsedPresetName());
}

void PresetManagerTest::lastUsedFollowsSaveLoadAndDelete()
{
    PresetManager manager;
    // What the panel does on Save and on Load.
    manager.savePreset(QStringLiteral("Desk"), {{"zoom", 1}});
    recordLastUsedPreset(manager, QStringLiteral("Desk"));
    manager.savePreset(QStringLiteral("Evening"), {});
    recordLastUsedPreset(manager, QStringLiteral("Evening"));
    recordLastUsedPreset(manager, QStringLiteral("Desk"));
    QCOMPARE(manager.lastUsedPreset()->name, QStringLiteral("Desk"));
    QCOMPARE(Preferences::string(Preferences::kLastUsedPreset), std::optional<QString>(QStringLiteral("Desk")));
    QCOMPARE(restart()->lastUsedPreset()->values, Values({{"zoom", 1}}));

    manager.deletePreset(CameraPreset{QStringLiteral("Evening"), {}});
    QCOMPARE(manager.lastUsedPresetName(), std::optional<QString>(QStringLiteral("Desk")));
    QVERIFY(Preferences::contains(Preferences::kLastUsedPreset));

    manager.deletePreset(CameraPreset{QStringLiteral("Desk"), {}});
    QVERIFY(!manager.lastUsedPresetName());
    QVERIFY(!manager.lastUsedPreset());
    QVERIFY(!Preferences::contains(Preferences::kLastUsedPreset));
    QVERIFY(!restart()->lastUsedPresetName());
}

void PresetManagerTest::publishedFieldsNotifyOnEveryAssignment()
{
    PresetManager manager;
    QSignalSpy presets(&manager, &PresetManager::presetsChanged);
    QSignalSpy lastUsed(&manager, &PresetManager::lastUsedPresetNameChanged);

    manager.savePreset(QStringLiteral("Desk"), {});
    manager.savePreset(QStringLiteral("Desk"), {});
    QCOMPARE(presets.count(), 2);
    recordLastUsedPreset(manager, QStringLiteral("Desk"));
    recordLastUsedPreset(manager, QStringLiteral("Desk"));
    QCOMPARE(lastUsed.count(), 2);

    // The panel may bind through the meta-object as well.
    QCOMPARE(manager.property("presets").value<QList<CameraPreset>>().size(), 1);
    QCOMPARE(manager.property("lastUsedPresetName").value<std::optional<QString>>(),
             std::optional<QString>(QStringLiteral("Desk")));
}

void PresetManagerTest::listReadsBackIdenticalAfterRestart()
{
    const QList<CameraPreset> saved = {
        {QStringLiteral("  Desk  "), {{"brightness", 128}, {"auto_exposure_mode", 8}}},
        {kDecomposed, {{"max", std::numeric_limits<qint64>::max()}, {"min", std::numeric_limits<qint64>::min()}}},
        {QStringLiteral("@ByteArray(, \"quoted\" ; # [x]\\"), {}},
        {QStringLiteral("\U0001F4F7\tcam"), {{"white_balance_temperature", 4600}}},
    };
    {
        PresetManager manager;
        for (const CameraPreset &preset : saved) {
            manager.savePreset(preset.name, preset.values);
            recordLastUsedPreset(manager, preset.name);
        }
    }
    auto manager = restart();
    QCOMPARE(manager->presets().size(), saved.size());
    for (qsizetype i = 0; i < saved.size(); ++i) {
        QCOMPARE(manager->presets().at(i).name, saved.at(i).name);
        QCOMPARE(manager->presets().at(i).values, saved.at(i).values);
    }
    QCOMPARE(manager->lastUsedPresetName(), std::optional<QString>(saved.last().name));
}

void PresetManagerTest::unreadableDocumentsLoadEmptyAndAreKept_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("kept");

    QTest::newRow("one element lacks values") << QByteArray(R"ini([General]
Lumarel.Presets="@ByteArray([{\"name\":\"A\",\"values\":{}},{\"name\":\"B\"}])"
Lumarel.LastUsedPreset=A
)ini") << QByteArray(R"([{"name":"A","values":{}},{"name":"B"}])");
    QTest::newRow("a fraction") << QByteArray(R"ini([General]
Lumarel.Presets="@ByteArray([{\"name\":\"A\",\"values\":{\"zoom\":1.5}}])"
Lumarel.LastUsedPreset=A
)ini") << QByteArray(R"([{"name":"A","values":{"zoom":1.5}}])");
    QTest::newRow("a text instead of a byte string") << QByteArray(R"ini([General]
Lumarel.Presets="[]"
Lumarel.LastUsedPreset=A
)ini") << QByteArray("[]");
    // What survives of a damaged line is what QSettings made of it: the
    // texts between its commas, without their quotes.
    QTest::newRow("a damaged byte string") << QByteArray(R"ini([General]
Lumarel.Presets=@ByteArray([{"name":"A", "values":{}}]
Lumarel.LastUsedPreset=A
)ini") << QByteArray("@ByteArray([{name:A, values:{}}]");
}

void PresetManagerTest::unreadableDocumentsLoadEmptyAndAreKept()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, kept);
    writeFile(file);

    PresetManager manager;
    QVERIFY(manager.presets().isEmpty());
    QCOMPARE(manager.lastUsedPresetName(), std::optional<QString>(QStringLiteral("A")));
    QVERIFY(!manager.lastUsedPreset());

    manager.savePreset(QStringLiteral("New"), {});
    QCOMPARE(names(*restart()), QStringList({"New"}));
    QCOMPARE(Preferences::data(Preferences::kUnreadablePresets), std::optional<QByteArray>(kept));
}

void PresetManagerTest::unreadableBytesSurviveTheFirstWrite()
{
    const QByteArray unreadable = "[{\"name\":\"Desk\",\"values\":{\"zoom\":1.5}},\x01\xff\n]";
    Preferences::setData(Preferences::kPresets, unreadable);
    {
        PresetManager manager;
        QVERIFY(manager.presets().isEmpty());
        manager.savePreset(QStringLiteral("New"), {{"zoom", 2}});
        QCOMPARE(Preferences::data(Preferences::kUnreadablePresets), std::optional<QByteArray>(unreadable));
        manager.savePreset(QStringLiteral("Newer"), {});
    }
    auto manager = restart();
    QCOMPARE(names(*manager), QStringList({"New", "Newer"}));
    QCOMPARE(Preferences::data(Preferences::kUnreadablePresets), std::optional<QByteArray>(unreadable));
    manager->deletePreset(manager->presets().first());
    QCOMPARE(Preferences::data(Preferences::kUnreadablePresets), std::optional<QByteArray>(unreadable));
    QVERIFY(!Preferences::contains("Lumarel.UnreadablePresets2"));
}

void PresetManagerTest::readableDocumentIsNeverKeptAside()
{
    Preferences::setData(Preferences::kPresets, R"([{"name":"Desk","values":{}}])");
    PresetManager manager;
    manager.savePreset(QStringLiteral("Evening"), {});
    manager.deletePreset(CameraPreset{QStringLiteral("Desk"), {}});
    manager.deletePreset(CameraPreset{QStringLiteral("Evening"), {}});
    QVERIFY(!Preferences::contains(Preferences::kUnreadablePresets));

    // An empty value holds nothing to keep.
    Preferences::setData(Preferences::kPresets, QByteArray());
    restart()->savePreset(QStringLiteral("A"), {});
    QVERIFY(!Preferences::contains(Preferences::kUnreadablePresets));

    // An unreadable document that is never overwritten is left where it is.
    Preferences::setData(Preferences::kPresets, "[1]");
    restart();
    QVERIFY(!Preferences::contains(Preferences::kUnreadablePresets));
    QCOMPARE(Preferences::data(Preferences::kPresets), std::optional<QByteArray>("[1]"));
}

void PresetManagerTest::earlierUnreadableBytesAreNotReplaced()
{
    Preferences::setData(Preferences::kPresets, "first");
    restart()->savePreset(QStringLiteral("A"), {});
    // The same unreadable bytes again are not kept twice.
    Preferences::setData(Preferences::kPresets, "first");
    restart()->savePreset(QStringLiteral("A"), {});
    QVERIFY(!Preferences::contains("Lumarel.UnreadablePresets2"));

    Preferences::setData(Preferences::kPresets, "second");
    restart()->savePreset(QStringLiteral("A"), {});
    QCOMPARE(Preferences::data(Preferences::kUnreadablePresets), std::optional<QByteArray>("first"));
    QCOMPARE(Preferences::data("Lumarel.UnreadablePresets2"), std::optional<QByteArray>("second"));
}

void PresetManagerTest::preferencesKeepEachValueAndType()
{
    // Texts the INI format treats specially must come back as typed.
    const QStringList odd = {QString(), QStringLiteral(" spaced "), QStringLiteral("@ByteArray(x)"),
                             QStringLiteral("a, b"), QStringLiteral("true"), QStringLiteral("x=y;#z\\"),
                             QString::fromUtf16(u"nul\0line\n", 9), QStringLiteral("\U0001F4F7")};
    for (const QString &name : odd) {
        PresetManager manager;
        recordLastUsedPreset(manager, name);
        QCOMPARE(restart()->lastUsedPresetName(), std::optional<QString>(name));
    }

    Preferences::setBoolean(Preferences::kHasLaunchedBefore, true);
    Preferences::setString(Preferences::kPresets, QStringLiteral("[]"));
    Preferences::setData(Preferences::kLastUsedPreset, "Desk");
    restart();
    QVERIFY(Preferences::boolean(Preferences::kHasLaunchedBefore));
    QVERIFY(!Preferences::data(Preferences::kPresets));
    QVERIFY(!Preferences::string(Preferences::kLastUsedPreset));
    QVERIFY(Preferences::remove(Preferences::kHasLaunchedBefore));
    QVERIFY(!Preferences::boolean(Preferences::kHasLaunchedBefore));
    QVERIFY(!Preferences::contains(Preferences::kHasLaunchedBefore));
}

void PresetManagerTest::failedSaveIsReportedAndKeepsTheList()
{
    // A regular file where the configuration directory should be: no
    // directory can be made there, not even by root.
    QFile blocker(m_sandbox.path(QStringLiteral("config")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    m_sandbox.moveTo(QStringLiteral("config/Lumarel/Lumarel.conf"));
    QVERIFY(!Preferences::setData(Preferences::kPresets, "[]"));

    PresetManager manager;
    QVERIFY(!manager.saveFailed());
    QSignalSpy changes(&manager, &PresetManager::saveFailedChanged);
    manager.savePreset(QStringLiteral("Desk"), {{"zoom", 2}});
    manager.savePreset(QStringLiteral("Evening"), {});
    QVERIFY(manager.saveFailed());
    QCOMPARE(changes.count(), 1);
    QCOMPARE(names(manager), QStringList({"Desk", "Evening"}));

    // The directory can be made again: the next change stores the whole list.
    QVERIFY(blocker.remove());
    manager.updatePreset(QStringLiteral("Desk"), {{"zoom", 3}});
    QVERIFY(!manager.saveFailed());
    QCOMPARE(changes.count(), 2);
    auto restarted = restart();
    QCOMPARE(names(*restarted), QStringList({"Desk", "Evening"}));
    QCOMPARE(restarted->presets().first().values, Values({{"zoom", 3}}));
}

void PresetManagerTest::damagedButWritableFileIsNoFailure()
{
    // Damaged by hand while Lumarel runs: Qt reports the damage it reads
    // before writing as a format error, yet writes the file.
    PresetManager manager;
    writeFile("[General]\n=novalue\n\x01\xff\n[\n");
    manager.savePreset(QStringLiteral("Desk"), {});
    QVERIFY(!manager.saveFailed());
    QCOMPARE(names(*restart()), QStringList({"Desk"}));
}

QTEST_GUILESS_MAIN(PresetManagerTest)
#include "tst_presetmanager.moc"
