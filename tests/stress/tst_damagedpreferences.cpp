// The preferences file is the user's, and editors, disk trouble and older or
// newer copies of Lumarel can leave anything in it. Whatever it holds, Lumarel
// starts, shows no presets where the stored list cannot be read, and never
// loses those bytes: they are kept aside when the list is first written again.
#include "menubarview.h"
#include "preferences.h"
#include "presetmanager.h"
#include "uvccontroller.h"

#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray allKeptAside()
{
    // Earlier unreadable lists are never replaced, so later ones take new keys.
    QByteArray kept;
    for (const char *key : {"Lumarel.UnreadablePresets", "Lumarel.UnreadablePresets2", "Lumarel.UnreadablePresets3"}) {
        if (const auto bytes = Preferences::data(key))
            kept += *bytes;
    }
    return kept;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

template <typename T>
T *visibleChild(QWidget &root, const std::function<bool(T *)> &match)
{
    for (T *widget : root.findChildren<T *>())
        if (widget->isVisible() && match(widget))
            return widget;
    return nullptr;
}

} // namespace

class DamagedPreferencesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void panelStartsAndKeepsTheBytes_data();
    void panelStartsAndKeepsTheBytes();
    void applicationStarts_data() { panelStartsAndKeepsTheBytes_data(); }
    void applicationStarts();

private:
    QTemporaryDir m_dir;
    QString m_camera;
};

void DamagedPreferencesTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_camera = m_dir.filePath(QStringLiteral("camera.json"));
    qputenv("UVCC_HELPER_SIMULATE", m_camera.toLocal8Bit());
}

// Each row: the whole preferences file, and a piece of the stored list that
// must survive the first write (empty: the list was readable or absent).
void DamagedPreferencesTest::panelStartsAndKeepsTheBytes_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("kept");
    QTest::addColumn<int>("presets");

    const QByteArray good = R"x(Lumarel.Presets="@ByteArray([{\"name\":\"Desk\",\"values\":{\"brightness\":5}}])")x";
    QTest::newRow("readable") << "[General]\n" + good + "\n" << QByteArray() << 1;
    QTest::newRow("truncated in the list")
        << QByteArray("[General]\nLumarel.Presets=\"@ByteArray([{\\\"name\\\":\\\"Evening\\\",\\\"val")
        << QByteArray("Evening") << 0;
    QTest::newRow("truncated in a key") << "[General]\n" + good + "\nLumarel.LastUs" << QByteArray() << 1;
    QTest::newRow("not UTF-8 in the list")
        << QByteArray("[General]\nLumarel.Presets=@ByteArray([{\"name\":\"Night\xff\xfe\",\"values\":{}}])\n")
        << QByteArray("Night") << 0;
    QTest::newRow("not UTF-8 anywhere")
        << QByteArray("[General]\xc3\x28\nLumarel.LastUsedPreset=\xe2\x82\n\x80\x81=\xfe\n") << QByteArray() << 0;
    QTest::newRow("list is text") << QByteArray("[General]\nLumarel.Presets=Morning presets\n")
                                  << QByteArray("Morning presets") << 0;
    QTest::newRow("list is a list of texts") << QByteArray("[General]\nLumarel.Presets=Studio, Office\n")
                                             << QByteArray("Studio") << 0;
    QTest::newRow("list is a number") << QByteArray("[General]\nLumarel.Presets=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)\n")
                                      << QByteArray() << 0;
    QTest::newRow("list has a fraction")
        << QByteArray(R"x([General]
Lumarel.Presets="@ByteArray([{\"name\":\"Bright\",\"values\":{\"gain\":1.5}}])")x"
                      "\n")
        << QByteArray("Bright") << 0;
    QTest::newRow("last used is bytes") << "[General]\n" + good + "\nLumarel.LastUsedPreset=@ByteArray(Desk)\n"
                                        << QByteArray() << 1;
    QTest::newRow("last used is a list") << "[General]\n" + good + "\nLumarel.LastUsedPreset=Desk, Night\n"
                                         << QByteArray() << 1;
    QTest::newRow("first-launch flag is nonsense")
        << "[General]\n" + good + "\nLumarel.HasLaunchedBefore=@ByteArray(\\0\\x1)\n" << QByteArray() << 1;
    static const char noise[] = "\0\x01\x02[\xff]\n=\n\0=\0";
    QTest::newRow("binary noise") << QByteArray(noise, sizeof noise - 1) << QByteArray() << 0;
}

void DamagedPreferencesTest::panelStartsAndKeepsTheBytes()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, kept);
    QFETCH(int, presets);
    const QString path = m_dir.filePath(QStringLiteral("%1.conf").arg(QTest::currentDataTag()));
    writeFile(path, file);
    Preferences::setFileForTesting(path);

    MenuBarView::Options options;
    options.helperPath = QStringLiteral(UVCC_HELPER_PATH);
    MenuBarView panel(std::move(options));
    panel.show();
    QVERIFY(panel.uvc().isConnected());
    QCOMPARE(panel.presets().presets().size(), presets);
    if (presets == 0) {
        QVERIFY(visibleChild<QLabel>(panel, [](QLabel *l) { return l->text() == QLatin1String("No saved presets"); }));
    }

    // The first Save through the panel writes the list again.
    auto *name = visibleChild<QLineEdit>(panel, [](QLineEdit *e) { return e->accessibleName() == QLatin1String("Preset name"); });
    auto *save = visibleChild<QAbstractButton>(panel, [](QAbstractButton *b) { return b->text() == QLatin1String("Save"); });
    QVERIFY(name && save);
    name->setText(QStringLiteral("Fresh"));
    save->click();
    QCOMPARE(panel.presets().presets().size(), presets + 1);

    if (!kept.isEmpty())
        QVERIFY2(allKeptAside().contains(kept), allKeptAside().constData());
    // What a new start reads back is what the panel shows.
    PresetManager again;
    QCOMPARE(again.presets().size(), presets + 1);
    QCOMPARE(again.presets().last().name, QStringLiteral("Fresh"));
}

// The application itself, which also reads the first-launch flag: it must
// come up and keep running; without a tray it shows the panel in a window.
void DamagedPreferencesTest::applicationStarts()
{
    QFETCH(QByteArray, file);
    QTemporaryDir home;
    QVERIFY(home.isValid());
    writeFile(home.filePath(QStringLiteral("config/Lumarel/Lumarel.conf")), file);
    QDir().mkpath(home.filePath(QStringLiteral("runtime")));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    QProcess app;
    app.setProcessEnvironment(environment);
    app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    app.start(QStringLiteral(LUMAREL_APP_PATH), {});
    QVERIFY(app.waitForStarted());
    // Start-up is done once the first-launch flag is on disk; then it idles.
    const QString conf = home.filePath(QStringLiteral("config/Lumarel/Lumarel.conf"));
    QElapsedTimer clock;
    clock.start();
    bool flagged = false;
    while (!flagged && app.state() == QProcess::Running && clock.elapsed() < 30000) {
        app.waitForFinished(100);
        QFile written(conf);
        flagged = written.open(QIODevice::ReadOnly) && written.readAll().contains("Lumarel.HasLaunchedBefore=true");
    }
    QVERIFY2(app.state() == QProcess::Running, "Lumarel ended during start-up");
    QVERIFY(flagged);
    app.waitForFinished(500);
    QCOMPARE(app.state(), QProcess::Running);
    app.terminate();
    QVERIFY(app.waitForFinished(10000));
}

QTEST_MAIN(DamagedPreferencesTest)
#include "tst_damagedpreferences.moc"
