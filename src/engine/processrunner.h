#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <optional>

// How one run of an external program ended.
struct ProcessOutcome {
    // TooMuchOutput: the helper was stopped after kMaxProcessOutputBytes;
    // Cancelled: stopped because its caller went away. Only Finished carries
    // an answer.
    enum class Status { Finished, FailedToStart, TimedOut, TooMuchOutput, Cancelled };
    Status status = Status::FailedToStart;
    // Standard output decoded as UTF-8; empty when it was not valid UTF-8.
    QString output;
    // The helper's exit code when it was Finished and exited normally; absent
    // when it died of a signal or its status could not be learnt (an
    // application that ignores SIGCHLD).
    std::optional<int> exitCode;
};

// A helper run that takes longer than this is killed and counts as no answer.
inline constexpr int kProcessTimeoutMs = 5000;
// No real answer comes near this; a runaway helper must not eat the memory.
inline constexpr qsizetype kMaxProcessOutputBytes = 16 * 1024 * 1024;

// Runs `program` with exactly `arguments` (no shell; a bare name is found on
// PATH), collecting standard output while it runs; standard error is
// discarded. Killed after timeoutMs, or within a few tens of milliseconds once
// `cancel` (may be null) turns true, and the run then ends as Cancelled. After
// a kill the caller waits at most one second more: a helper that takes longer
// to die is reaped in the background. Needs no event loop.
ProcessOutcome runProcessCancellable(const QString &program, const QStringList &arguments,
                                     int timeoutMs, const std::atomic_bool *cancel);
