#pragma once

// One run of a program a test starts and reads back: its exit code (-1 when
// it crashed or did not end within 10 s) and everything it wrote.

#include <QProcess>
#include <QProcessEnvironment>

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
