#include "xdgautostartloginitem.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestLoginItem : public QObject {
    Q_OBJECT

private slots:
    void init();
    void registerAndUnregister();
    void switchedOffEntries_data();
    void switchedOffEntries();
    void failuresAreReported();
    void execValue_data();
    void execValue();
    void defaultDirectoryFollowsXdgConfigHome();

private:
    static QByteArray readAll(const QString &path);
    static void write(const QString &path, const QByteArray &contents);

    std::unique_ptr<QTemporaryDir> m_temp;
    QString m_autostart;
};

void TestLoginItem::init()
{
    m_temp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_temp->isValid());
    m_autostart = m_temp->filePath(QStringLiteral("config/autostart"));
}

QByteArray TestLoginItem::readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestLoginItem::write(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

void TestLoginItem::registerAndUnregister()
{
    XdgAutostartLoginItem item(m_autostart, QStringLiteral("/usr/bin/lumarel"));
    QCOMPARE(item.entryPath(), m_autostart + QStringLiteral("/lumarel.desktop"));
    QVERIFY(!item.isEnabled());

    // The autostart directory does not exist yet: registering creates it.
    QVERIFY(item.registerItem());
    QVERIFY(item.isEnabled());
    const QByteArray entry = readAll(item.entryPath());
    QVERIFY(entry.startsWith("[Desktop Entry]\n"));
    QVERIFY(entry.contains("\nType=Application\n"));
    QVERIFY(entry.contains("\nExec=/usr/bin/lumarel\n"));
    QVERIFY(!entry.contains("Hidden"));
    // Written through a temporary file and a rename: nothing else is left behind.
    QCOMPARE(QDir(m_autostart).entryList(QDir::Files), QStringList{QStringLiteral("lumarel.desktop")});

    QVERIFY(item.registerItem());
    QVERIFY(item.isEnabled());

    QVERIFY(item.unregisterItem());
    QVERIFY(!item.isEnabled());
    QVERIFY(!QFile::exists(item.entryPath()));
    // Already off is not a failure.
    QVERIFY(item.unregisterItem());
}

void TestLoginItem::switchedOffEntries_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<bool>("enabled");

    const QByteArray head = "[Desktop Entry]\nType=Application\nExec=lumarel\n";
    QTest::newRow("plain") << head << true;
    QTest::newRow("Hidden=true") << head + "Hidden=true\n" << false;
    QTest::newRow("Hidden = true, spaced") << head + "Hidden = true\n" << false;
    QTest::newRow("Hidden=false") << head + "Hidden=false\n" << true;
    QTest::newRow("GNOME switch off") << head + "X-GNOME-Autostart-enabled=false\n" << false;
    QTest::newRow("GNOME switch on") << head + "X-GNOME-Autostart-enabled=true\n" << true;
    QTest::newRow("Hidden in another group") << head + "[Desktop Action Quit]\nHidden=true\n" << true;
    QTest::newRow("CRLF line ends") << QByteArray("[Desktop Entry]\r\nHidden=true\r\n") << false;
    // Users keep the entry an earlier version wrote, which had no TryExec.
    QTest::newRow("written before TryExec")
        << QByteArray("[Desktop Entry]\nType=Application\nName=Lumarel\n"
                      "Comment=USB webcam controls in the system tray\nExec=/usr/local/bin/lumarel\n"
                      "Icon=lumarel\nTerminal=false\nX-GNOME-Autostart-enabled=true\n")
        << true;
}

void TestLoginItem::switchedOffEntries()
{
    QFETCH(QByteArray, entry);
    QFETCH(bool, enabled);
    XdgAutostartLoginItem item(m_autostart, QStringLiteral("/usr/bin/lumarel"));
    write(item.entryPath(), entry);
    QCOMPARE(item.isEnabled(), enabled);

    // Turning it on again replaces a switched-off entry with an enabled one.
    QVERIFY(item.registerItem());
    QVERIFY(item.isEnabled());
}

void TestLoginItem::failuresAreReported()
{
    // A configuration directory below a regular file cannot be created, not
    // even by root (the tests run as root on CI).
    const QString file = m_temp->filePath(QStringLiteral("not-a-directory"));
    write(file, "x");
    XdgAutostartLoginItem blocked(file + QStringLiteral("/autostart"), QStringLiteral("/usr/bin/lumarel"));
    QVERIFY(!blocked.registerItem());
    QVERIFY(!blocked.isEnabled());
    QVERIFY(blocked.unregisterItem());

    // Something that is not our file stands where the entry goes.
    XdgAutostartLoginItem occupied(m_autostart, QStringLiteral("/usr/bin/lumarel"));
    QVERIFY(QDir().mkpath(occupied.entryPath() + QStringLiteral("/inside")));
    QVERIFY(!occupied.registerItem());
    QVERIFY(!occupied.unregisterItem());
    QVERIFY(!occupied.isEnabled());

    // A line break would split the entry's Exec line.
    XdgAutostartLoginItem broken(m_autostart + QStringLiteral("2"), QStringLiteral("/opt/a\nb/lumarel"));
    QVERIFY(!broken.registerItem());
    QVERIFY(!broken.isEnabled());
}

void TestLoginItem::execValue_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("exec");
    // TryExec is a plain string: no quoting, no field codes, only the
    // format's escapes.
    QTest::addColumn<QString>("tryExec");

    QTest::newRow("plain") << QStringLiteral("/usr/bin/lumarel") << QStringLiteral("/usr/bin/lumarel")
                           << QStringLiteral("/usr/bin/lumarel");
    QTest::newRow("space") << QStringLiteral("/opt/My Apps/lumarel") << QStringLiteral("\"/opt/My Apps/lumarel\"")
                           << QStringLiteral("/opt/My Apps/lumarel");
    QTest::newRow("dollar") << QStringLiteral("/opt/a$b/lumarel") << QStringLiteral("\"/opt/a\\\\$b/lumarel\"")
                            << QStringLiteral("/opt/a$b/lumarel");
    QTest::newRow("double quote") << QStringLiteral("/opt/a\"b/lumarel") << QStringLiteral("\"/opt/a\\\\\"b/lumarel\"")
                                  << QStringLiteral("/opt/a\"b/lumarel");
    QTest::newRow("backslash") << QStringLiteral("/opt/a\\b/lumarel") << QStringLiteral("\"/opt/a\\\\\\\\b/lumarel\"")
                               << QStringLiteral("/opt/a\\\\b/lumarel");
    QTest::newRow("tab") << QStringLiteral("/opt/a\tb/lumarel") << QStringLiteral("\"/opt/a\\tb/lumarel\"")
                         << QStringLiteral("/opt/a\\tb/lumarel");
    QTest::newRow("percent") << QStringLiteral("/opt/100%/lumarel") << QStringLiteral("/opt/100%%/lumarel")
                             << QStringLiteral("/opt/100%/lumarel");
    QTest::newRow("placeholder-like") << QStringLiteral("/opt/%2%1/lumarel") << QStringLiteral("/opt/%%2%%1/lumarel")
                                      << QStringLiteral("/opt/%2%1/lumarel");
    QTest::newRow("non-ASCII") << QStringLiteral("/home/zoë/lumarel") << QStringLiteral("/home/zoë/lumarel")
                               << QStringLiteral("/home/zoë/lumarel");
}

void TestLoginItem::execValue()
{
    QFETCH(QString, program);
    QFETCH(QString, exec);
    QFETCH(QString, tryExec);
    QCOMPARE(XdgAutostartLoginItem::execValue(program), exec);

    XdgAutostartLoginItem item(m_autostart, program);
    QVERIFY(item.registerItem());
    const QByteArray entry = readAll(item.entryPath());
    QVERIFY2(entry.contains("\nExec=" + exec.toUtf8() + "\n"), entry.constData());
    QVERIFY2(entry.contains("\nTryExec=" + tryExec.toUtf8() + "\n"), entry.constData());

    // The desktops' own checker, where it is installed, agrees on the escapes.
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        return;
    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(validator, {item.entryPath()});
    QVERIFY(check.waitForFinished(30000));
    const QByteArray complaints = check.readAll();
    QVERIFY2(check.exitCode() == 0 && complaints.isEmpty(), complaints.constData());
}

void TestLoginItem::defaultDirectoryFollowsXdgConfigHome()
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", m_temp->path().toUtf8());
    QCOMPARE(XdgAutostartLoginItem::defaultDirectory(), m_temp->path() + QStringLiteral("/autostart"));
    // The platform's item is this one there, starting the program it is given.
    const std::unique_ptr<LoginItem> item = makeLoginItem(QStringLiteral("/opt/lumarel/bin/lumarel"));
    QVERIFY(item->registerItem());
    QVERIFY(item->isEnabled());
    QVERIFY(readAll(m_temp->filePath(QStringLiteral("autostart/lumarel.desktop")))
                .contains("\nExec=/opt/lumarel/bin/lumarel\n"));
    qputenv("XDG_CONFIG_HOME", saved);
}

QTEST_GUILESS_MAIN(TestLoginItem)
#include "tst_loginitem.moc"
