#pragma once

#include <QMutex>
#include <QString>
#include <QWaitCondition>
#include <atomic>
#include <deque>
#include <optional>

class QThread;

// One write to the camera, complete at the time it is queued: the worker
// never looks at the controller, so a camera picked later cannot redirect it.
struct PendingWrite {
    QString helperPath;
    std::optional<QString> designator;
    QString controlName;
    qint64 value = 0;
};

// The one ordered queue of camera writes, served by a dedicated thread: one
// helper run at a time, strictly in call order. A new write replaces the last
// waiting one only when that one is of the same control on the same camera
// (a slider drag collapses to a few runs); otherwise it is appended, so a
// mode and its manual control reach the camera in the order they were set.
class WriteQueue {
public:
    WriteQueue();
    // Drops the writes not yet started, lets the one in flight finish for a
    // moment and then stops it, so a quitting application never hangs here.
    ~WriteQueue();
    WriteQueue(const WriteQueue &) = delete;
    WriteQueue &operator=(const WriteQueue &) = delete;

    // Appends `write`, or replaces the last waiting write when that one is
    // of the same control on the same camera.
    void enqueue(PendingWrite write);
    // True once nothing is queued or running; false after timeoutMs.
    bool waitUntilIdle(int timeoutMs);

private:
    void serve();

    QMutex m_mutex;
    QWaitCondition m_wake;
    QWaitCondition m_idle;
    std::deque<PendingWrite> m_pending;
    bool m_running = false;
    bool m_stopping = false;
    std::atomic_bool m_abort{false};
    QThread *m_thread = nullptr;
};
