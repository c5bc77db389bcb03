#pragma once

// One run of a program a test starts and reads back: its exit code (-1 when
// it crashed or did not end within 10 s) and everything it wrote.

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <algorithm>

struct ProgramRun {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

inline ProgramRun runProgram(const QString &program, const QStringList &arguments,
                             const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(10000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// A program that keeps running and answers in lines, such as `uvcc-helper
// watch`: started with its standard input open, ended by closing it.
class LineRun {
public:
    LineRun(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment)
    {
        m_process.setProcessEnvironment(environment);
        m_process.start(program, arguments);
        m_process.waitForStarted(10000);
    }
    ~LineRun()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }

    // The next whole line, without its line break; empty when none came in `ms`.
    QByteArray nextLine(int ms = 10000)
    {
        QDeadlineTimer deadline(ms);
        while (!m_process.canReadLine() && !deadline.hasExpired())
            m_process.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1)));
        return m_process.canReadLine() ? m_process.readLine().trimmed() : QByteArray();
    }

    // How often the kernel has woken the program so far (its context switches).
    qint64 wakeups() const
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(m_process.processId()));
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        qint64 total = 0;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.contains("ctxt_switches:"))
                total += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        }
        return total;
    }

    // Its wake-ups once it has gone to sleep: a program that has just written
    // a line may still be finishing that work, more so on a loaded machine.
    // Waits until a 200 ms stretch passes without one (for at most 10 s).
    qint64 settledWakeups() const
    {
        qint64 seen = wakeups();
        for (QDeadlineTimer deadline(10000); !deadline.hasExpired();) {
            QThread::msleep(200);
            const qint64 now = wakeups();
            if (now == seen)
                break;
            seen = now;
        }
        return seen;
    }

    // Closes its input; the exit code once it has ended (-1 when it did not within 10 s).
    int finish()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(10000) || m_process.exitStatus() != QProcess::NormalExit)
            return -1;
        return m_process.exitCode();
    }

private:
    QProcess m_process;
};
