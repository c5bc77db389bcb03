#pragma once

#include "uvccontroller.h"

#include <atomic>

// UVCController::runProcess with a way out: when `cancel` turns true the child
// is killed within a few tens of milliseconds and the run ends as Cancelled.
// Creates its QProcess in the calling thread, which needs no event loop.
ProcessOutcome runProcessCancellable(const QString &program, const QStringList &arguments,
                                     int timeoutMs, const std::atomic_bool *cancel);
