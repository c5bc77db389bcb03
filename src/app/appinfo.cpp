#include "appinfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString AppInfo::version()
{
    return QStringLiteral(LUMAREL_VERSION);
}

void AppInfo::apply()
{
    QCoreApplication::setApplicationName(QStringLiteral("Lumarel"));
    QCoreApplication::setOrganizationName(QStringLiteral("Lumarel"));
    QCoreApplication::setApplicationVersion(version());
}

QString AppInfo::webUrl()
{
    return QStringLiteral(LUMAREL_WEB_URL);
}

QString AppInfo::webLabel()
{
    return QStringLiteral(LUMAREL_WEB_LABEL);
}

QString AppInfo::launchPath()
{
    const QString self = QCoreApplication::applicationFilePath();
    const QString link = QDir::cleanPath(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(LUMAREL_BIN_LINK_FROM_LIBEXEC)));
    const QString linkTarget = QFileInfo(link).canonicalFilePath();
    if (!linkTarget.isEmpty() && linkTarget == QFileInfo(self).canonicalFilePath())
        return link;
    return self;
}
