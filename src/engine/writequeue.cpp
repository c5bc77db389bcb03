#include "writequeue.h"

#include "helperanswers.h"
#include "processrunner.h"

#include <QDeadlineTimer>
#include <QThread>

namespace {

// A write normally takes a few milliseconds; at destruction it gets this long
// to land before it is killed.
constexpr int kShutdownGraceMs = 250;

bool sameTarget(const PendingWrite &a, const PendingWrite &b)
{
    return a.controlName == b.controlName && a.designator == b.designator
        && a.helperPath == b.helperPath;
}

} // namespace

WriteQueue::WriteQueue()
    : m_thread(QThread::create([this] { serve(); }))
{
    m_thread->setObjectName(QStringLiteral("camera writes"));
    m_thread->start();
}

WriteQueue::~WriteQueue()
{
    {
        QMutexLocker lock(&m_mutex);
        m_pending.clear();
        m_stopping = true;
        m_wake.wakeAll();
    }
    if (!m_thread->wait(kShutdownGraceMs)) {
        m_abort = true;
        m_thread->wait();
    }
    delete m_thread;
}

void WriteQueue::enqueue(PendingWrite write)
{
    QMutexLocker lock(&m_mutex);
    // Only the last waiting write may be replaced: merging across a write of
    // another control would reorder the two, and a manual value sent before
    // its automatic mode is switched off is refused by the camera.
    if (!m_pending.empty() && sameTarget(m_pending.back(), write))
        m_pending.back() = std::move(write);
    else
        m_pending.push_back(std::move(write));
    m_wake.wakeOne();
}

bool WriteQueue::waitUntilIdle(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QMutexLocker lock(&m_mutex);
    while (m_running || !m_pending.empty()) {
        if (!m_idle.wait(&m_mutex, deadline))
            return false;
    }
    return true;
}

void WriteQueue::serve()
{
    QMutexLocker lock(&m_mutex);
    for (;;) {
        while (m_pending.empty() && !m_stopping)
            m_wake.wait(&m_mutex);
        if (m_stopping)
            break;
        const PendingWrite write = std::move(m_pending.front());
        m_pending.pop_front();
        m_running = true;
        lock.unlock();
        // The answer is of no interest: a refused value shows up the next
        // time the rows are read from the camera.
        runProcessCancellable(write.helperPath,
                              HelperAnswers::addressed(
                                  HelperAnswers::setArguments(write.controlName, write.value),
                                  write.designator),
                              kProcessTimeoutMs, &m_abort);
        lock.relock();
        m_running = false;
        if (m_pending.empty())
            m_idle.wakeAll();
    }
    m_running = false;
    m_idle.wakeAll();
}
