#include "preferences.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

namespace Preferences {

namespace {

QString &testFile()
{
    static QString path;
    return path;
}

// A fresh QSettings per access, as the platform's preference store is
// fetched anew each time; Qt shares one cache per file behind them.
std::unique_ptr<QSettings> open()
{
    if (!testFile().isEmpty())
        return std::make_unique<QSettings>(testFile(), QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Lumarel"), QStringLiteral("Lumarel"));
}

QString keyName(const char *key)
{
    return QString::fromLatin1(key);
}

// Writing the file is atomic (a lock file and a rename), so after sync()
// either the new value is on disk or the old file is untouched. A failed
// write (no directory, no permission, a full disk failing the commit) is an
// AccessError; a FormatError only says the old file was damaged when it was
// read, and the write that replaced it may well have succeeded.
bool store(const std::function<void(QSettings &)> &change)
{
    const std::unique_ptr<QSettings> settings = open();
    change(*settings);
    settings->sync();
    return settings->status() != QSettings::AccessError;
}

} // namespace

std::optional<QByteArray> data(const char *key)
{
    const QVariant value = open()->value(keyName(key));
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

std::optional<QString> string(const char *key)
{
    const QVariant value = open()->value(keyName(key));
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

bool boolean(const char *key)
{
    // The INI file keeps no types: a stored true reads back as the text "true".
    // Anything else (a damaged value) is not a stored true.
    const QVariant value = open()->value(keyName(key));
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    return value.typeId() == QMetaType::QString && value.toString() == QLatin1String("true");
}

bool contains(const char *key)
{
    return open()->contains(keyName(key));
}

std::optional<QByteArray> damagedData(const char *key)
{
    const QVariant value = open()->value(keyName(key));
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString().toUtf8();
    case QMetaType::QStringList:
    case QMetaType::QVariantList:
        return value.toStringList().join(QLatin1StringView(", ")).toUtf8();
    default:
        return std::nullopt;
    }
}

bool setData(const char *key, const QByteArray &value)
{
    return store([&](QSettings &settings) { settings.setValue(keyName(key), value); });
}

bool setString(const char *key, const QString &value)
{
    return store([&](QSettings &settings) { settings.setValue(keyName(key), value); });
}

bool setBoolean(const char *key, bool value)
{
    return store([&](QSettings &settings) { settings.setValue(keyName(key), value); });
}

bool remove(const char *key)
{
    return store([&](QSettings &settings) { settings.remove(keyName(key)); });
}

void setFileForTesting(const QString &path)
{
    testFile() = path;
}

} // namespace Preferences
