#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>

// The install tree and the Debian package, built from this build directory.
class TestInstall : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void installTree();
    void installedApplicationFindsInstalledHelper();
    void debianPackage();

private:
    static QString run(const QString &program, const QStringList &arguments, int timeoutMs = 240000);

    QTemporaryDir m_temp;
    QString m_prefix;
};

QString TestInstall::run(const QString &program, const QStringList &arguments, int timeoutMs)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        qWarning().noquote() << program << arguments.join(u' ') << "failed:" << process.readAll();
        return {};
    }
    return QString::fromUtf8(process.readAll());
}

void TestInstall::initTestCase()
{
    QVERIFY(m_temp.isValid());
    m_prefix = m_temp.filePath(QStringLiteral("prefix"));
    const QString output = run(QStringLiteral(CMAKE_COMMAND),
                               {QStringLiteral("--install"), QStringLiteral(LUMAREL_BUILD_DIR),
                                QStringLiteral("--prefix"), m_prefix});
    QVERIFY(!output.isEmpty());
}

void TestInstall::installTree()
{
    const QString libexec = m_prefix + QStringLiteral("/" LUMAREL_LIBEXEC_DIR);
    for (const QString &name : {QStringLiteral("lumarel"), QStringLiteral("uvcc-helper")}) {
        const QFileInfo executable(libexec + u'/' + name);
        QVERIFY2(executable.isFile() && executable.isExecutable(), qPrintable(executable.filePath()));
    }
    // bin/lumarel is a relative link, so the tree works wherever it is put.
    const QFileInfo link(m_prefix + QStringLiteral("/bin/lumarel"));
    QVERIFY(link.isSymLink());
    QVERIFY(std::filesystem::read_symlink(link.filePath().toStdString()).is_relative());
    QCOMPARE(link.canonicalFilePath(), QFileInfo(libexec + QStringLiteral("/lumarel")).canonicalFilePath());

    QFile desktop(m_prefix + QStringLiteral("/share/applications/lumarel.desktop"));
    QVERIFY(desktop.open(QIODevice::ReadOnly));
    const QByteArray entry = desktop.readAll();
    QVERIFY(entry.startsWith("[Desktop Entry]\n"));
    QVERIFY(entry.contains("\nExec=lumarel\n"));
    QVERIFY(entry.contains("\nIcon=lumarel\n"));
    QFile icon(m_prefix + QStringLiteral("/share/icons/hicolor/scalable/apps/lumarel.svg"));
    QVERIFY(icon.open(QIODevice::ReadOnly));
    QVERIFY(icon.readAll().contains("<svg"));
}

void TestInstall::installedApplicationFindsInstalledHelper()
{
    const QString home = m_temp.filePath(QStringLiteral("home"));
    const QString runtime = m_temp.filePath(QStringLiteral("run"));
    const QString state = m_temp.filePath(QStringLiteral("state/simulated-camera.json"));
    QVERIFY(QDir().mkpath(home) && QDir().mkpath(runtime) && QDir().mkpath(QFileInfo(state).path()));
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // No uvcc-helper on the search path: only the one beside the application.
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    // The simulated camera creates its state file on the first run of the helper.
    environment.insert(QStringLiteral("UVCC_HELPER_SIMULATE"), state);

    const auto start = [&](QProcess &process) {
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(m_prefix + QStringLiteral("/bin/lumarel"), {});
        QVERIFY(process.waitForStarted());
    };
    QProcess older;
    start(older);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(state), 60000);
    QTRY_VERIFY_WITH_TIMEOUT(!QDir(runtime + QStringLiteral("/lumarel")).entryList(QDir::System).isEmpty(), 60000);
    QCOMPARE(older.state(), QProcess::Running);

    // A second copy asks the first to quit, which ends in the ordinary way.
    QProcess newer;
    start(newer);
    QVERIFY(older.waitForFinished(60000));
    QCOMPARE(older.exitStatus(), QProcess::NormalExit);
    QCOMPARE(older.exitCode(), 0);
    QCOMPARE(newer.state(), QProcess::Running);
    newer.terminate();
    QVERIFY(newer.waitForFinished(60000));

    QFile preferences(home + QStringLiteral("/.config/Lumarel/Lumarel.conf"));
    QVERIFY(preferences.open(QIODevice::ReadOnly));
    QVERIFY(preferences.readAll().contains("Lumarel.HasLaunchedBefore=true"));
}

void TestInstall::debianPackage()
{
    if (QStandardPaths::findExecutable(QStringLiteral("dpkg-shlibdeps")).isEmpty())
        QSKIP("dpkg-dev is not installed");
    const QString out = m_temp.filePath(QStringLiteral("package"));
    QVERIFY(!run(QStringLiteral(CPACK_COMMAND),
                 {QStringLiteral("--config"), QStringLiteral(LUMAREL_BUILD_DIR "/CPackConfig.cmake"),
                  QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), out})
                 .isEmpty());
    const QStringList packages = QDir(out).entryList({QStringLiteral("*.deb")}, QDir::Files);
    QCOMPARE(packages.size(), 1);
    const QString deb = out + u'/' + packages.first();

    const QString depends = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, QStringLiteral("Depends")});
    for (const char *package : {"libqt6widgets6", "libqt6multimedia6", "libqt6svg6", "libstdc++6",
                                "gstreamer1.0-plugins-base", "gstreamer1.0-plugins-good", "qt6-translations-l10n"})
        QVERIFY2(depends.contains(QLatin1String(package)), qPrintable(depends));

    const QString contents = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), deb});
    for (const char *path : {"./usr/lib/lumarel/lumarel", "./usr/lib/lumarel/uvcc-helper",
                             "./usr/bin/lumarel -> ../lib/lumarel/lumarel",
                             "./usr/share/applications/lumarel.desktop",
                             "./usr/share/icons/hicolor/scalable/apps/lumarel.svg"})
        QVERIFY2(contents.contains(QLatin1String(path)), path);
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
