#pragma once

// Pulls simulated cameras out and puts them back, the way a test of
// `uvcc-helper watch` needs it: the state file's "unplugged" list, replaced
// in one rename as the helper itself writes the file.

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <cstdio>

// False when the state file could not be read or replaced.
inline bool setUnplugged(const QString &statePath, const QJsonArray &designators)
{
    QFile file(statePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QJsonObject state = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    state[QStringLiteral("unplugged")] = designators;
    const QString fresh = statePath + QStringLiteral(".new");
    QFile out(fresh);
    if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(state).toJson()) < 0)
        return false;
    out.close();
    return std::rename(qPrintable(fresh), qPrintable(statePath)) == 0;
}
