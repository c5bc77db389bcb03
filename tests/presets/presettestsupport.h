#pragma once

#include "preferences.h"
#include "presetmanager.h"

#include <QFile>
#include <QTemporaryDir>
#include <memory>

// A preferences file of its own for each test.
class PreferencesSandbox {
public:
    // A new file: QSettings caches by path within the process.
    bool reset()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_file = m_dir->filePath(QStringLiteral("Lumarel.conf"));
        Preferences::setFileForTesting(m_file);
        return m_dir->isValid();
    }

    // A manager reading the preferences as a freshly started process would.
    // Qt keeps what this process wrote in a cache per path, so the file is
    // copied to a new path, which Qt has to read from disk.
    std::unique_ptr<PresetManager> restart()
    {
        const QString copy = m_dir->filePath(QStringLiteral("restart%1.conf").arg(++m_restarts));
        if (QFile::exists(m_file))
            QFile::copy(m_file, copy);
        m_file = copy;
        Preferences::setFileForTesting(m_file);
        return std::make_unique<PresetManager>();
    }

    bool write(const QByteArray &content)
    {
        QFile file(m_file);
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }

    QString file() const { return m_file; }
    // Uses `relativePath` inside the sandbox as the preferences file from now on.
    void moveTo(const QString &relativePath)
    {
        m_file = m_dir->filePath(relativePath);
        Preferences::setFileForTesting(m_file);
    }
    QString path(const QString &relativePath) const { return m_dir->filePath(relativePath); }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;
    int m_restarts = 0;
};
