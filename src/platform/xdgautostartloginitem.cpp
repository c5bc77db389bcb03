#include "xdgautostartloginitem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

namespace {

constexpr const char *kEntryFileName = "lumarel.desktop";

bool isSwitchedOff(const QByteArray &entry)
{
    bool inMainGroup = false;
    for (const QByteArray &rawLine : entry.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inMainGroup || equals < 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if ((key == "Hidden" && value == "true") || (key == "X-GNOME-Autostart-enabled" && value == "false"))
            return true;
    }
    return false;
}

// A plain string value of the entry format: no quoting and no field codes,
// only the format's own escapes (line breaks never get this far).
QString stringValue(const QString &text)
{
    QString value = text;
    value.replace(u'\\', QStringLiteral("\\\\"));
    value.replace(u'\t', QStringLiteral("\\t"));
    return value;
}

} // namespace

std::unique_ptr<LoginItem> makeLoginItem(const QString &program)
{
    return std::make_unique<XdgAutostartLoginItem>(XdgAutostartLoginItem::defaultDirectory(), program);
}

XdgAutostartLoginItem::XdgAutostartLoginItem(QString autostartDirectory, QString program)
    : m_directory(std::move(autostartDirectory))
    , m_program(std::move(program))
{
}

QString XdgAutostartLoginItem::defaultDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/autostart");
}

QString XdgAutostartLoginItem::execValue(const QString &program)
{
    static const QString reserved = QStringLiteral(" \t\"'\\><~|&;$*?#()`");
    QString value = program;
    if (std::any_of(value.begin(), value.end(), [](QChar c) { return reserved.contains(c); })) {
        QString quoted;
        for (QChar c : value) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                quoted += u'\\';
            quoted += c;
        }
        value = u'"' + quoted + u'"';
    }
    value.replace(u'%', QStringLiteral("%%"));
    // The string escapes of the entry format apply on top of the quoting; a
    // raw tab would make the whole entry invalid.
    return stringValue(value);
}

QString XdgAutostartLoginItem::entryPath() const
{
    return QDir(m_directory).filePath(QLatin1String(kEntryFileName));
}

bool XdgAutostartLoginItem::isEnabled() const
{
    QFile file(entryPath());
    return file.open(QIODevice::ReadOnly) && !isSwitchedOff(file.readAll());
}

bool XdgAutostartLoginItem::registerItem()
{
    // A line break cannot be written into an entry's value.
    if (m_program.isEmpty() || m_program.contains(u'\n') || m_program.contains(u'\r'))
        return false;
    if (!QDir().mkpath(m_directory))
        return false;
    // TryExec: once the program is uninstalled the desktop skips the entry
    // instead of failing to start it at every login.
    const QString entry = QStringLiteral(
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Lumarel\n"
        "Comment=USB webcam controls in the system tray\n"
        "TryExec=%1\n"
        "Exec=%2\n"
        "Icon=lumarel\n"
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n").arg(stringValue(m_program), execValue(m_program));
    QSaveFile file(entryPath());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(entry.toUtf8());
    return file.commit();
}

bool XdgAutostartLoginItem::unregisterItem()
{
    const QFileInfo entry(entryPath());
    if (!entry.exists() && !entry.isSymLink())
        return true;
    return QFile::remove(entryPath());
}
