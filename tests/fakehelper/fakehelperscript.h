#pragma once

// Scripts lumarel_fake_helper from a test: answers and options go into a fresh
// temporary directory, and the environment variables the fake reads are set
// in this process, so every helper it starts sees them. One script at a time.
// Link `lumarel_fake_helper_script` to get this header and FAKE_HELPER_PATH.

#include "fakehelperstatus.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

class FakeHelperScript {
public:
    FakeHelperScript()
    {
        qputenv("FAKE_HELPER_DIR", m_dir.path().toLocal8Bit());
        qputenv("FAKE_HELPER_LOG", logPath().toLocal8Bit());
        qputenv("FAKE_HELPER_TRACE", tracePath().toLocal8Bit());
    }
    ~FakeHelperScript()
    {
        qunsetenv("FAKE_HELPER_DIR");
        qunsetenv("FAKE_HELPER_LOG");
        qunsetenv("FAKE_HELPER_TRACE");
    }

    static QString program() { return QStringLiteral(FAKE_HELPER_PATH); }

    // What `command` prints on standard output; replaces an earlier answer.
    void answer(const QString &command, const QByteArray &bytes)
    {
        QFile::remove(m_dir.filePath(command + ".fixture"));
        write(command + ".out", bytes);
    }
    // The fixture file `command` answers with; replaces an earlier answer. The
    // fake reads it on every run; a run that cannot (a fixture missing, or
    // QFINDTESTDATA found nothing) says so on standard error and exits with
    // kFakeHelperBrokenScript, rather than answering nothing.
    void answerFromFile(const QString &command, const QString &fixture)
    {
        QFile::remove(m_dir.filePath(command + ".out"));
        // The fake runs in whatever directory the code under test picks.
        write(command + ".fixture", (fixture.isEmpty() ? fixture : QFileInfo(fixture).absoluteFilePath()).toUtf8());
    }
    // `option` is one of repeat, sleep, crash, exit, err, linger (see fakehelper.cpp).
    void option(const QString &command, const QString &option, const QByteArray &value = "1")
    {
        write(command + '.' + option, value);
    }
    void clearOption(const QString &command, const QString &option)
    {
        QFile::remove(m_dir.filePath(command + '.' + option));
    }

    // Every argument list the fake received so far, in start order.
    QList<QStringList> runs() const
    {
        QList<QStringList> result;
        for (const QByteArray &line : lines(logPath())) {
            QStringList arguments;
            for (const auto &value : QJsonDocument::fromJson(line).array())
                arguments << value.toString();
            result << arguments;
        }
        return result;
    }
    // "start <pid>" / "end <pid>" lines of every run.
    QList<QByteArray> trace() const { return lines(tracePath()); }
    void clearLog()
    {
        QFile::remove(logPath());
        QFile::remove(tracePath());
    }

    QString path() const { return m_dir.path(); }

private:
    QString logPath() const { return m_dir.filePath(QStringLiteral("log.jsonl")); }
    QString tracePath() const { return m_dir.filePath(QStringLiteral("trace.txt")); }

    void write(const QString &name, const QByteArray &bytes)
    {
        QFile file(m_dir.filePath(name));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
    }

    static QList<QByteArray> lines(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QList<QByteArray> result = file.readAll().split('\n');
        result.removeAll(QByteArray());
        return result;
    }

    QTemporaryDir m_dir;
};
