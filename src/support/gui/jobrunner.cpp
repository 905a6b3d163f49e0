// The job runner: one worker thread per job, whose end is brought back to the owner's thread.
#include "support/gui/jobrunner.h"

#include <stdexcept>

namespace kx::ui {

JobRunner::JobRunner(QObject* parent) : QObject(parent) {}

JobRunner::~JobRunner() {
    waitForDone();
}

void JobRunner::waitForDone() {
    m_abandoned = true;
    if (m_worker.joinable()) m_worker.join();
    m_then = nullptr;
}

void JobRunner::report(std::uint64_t done, std::uint64_t total) {
    const std::int64_t step = total == 0 ? 1000 : std::int64_t(done * 1000 / total);
    if (m_reported.exchange(step) == step) return;
    QMetaObject::invokeMethod(
        this, [this, done, total] { emit progressed(done, total); }, Qt::QueuedConnection);
}

void JobRunner::start(std::function<void()> work, std::function<void()> then) {
    if (m_busy) throw std::logic_error("a job is already running");
    m_busy = true;
    m_cancel = false;
    m_reported = -1;
    m_abandoned = false;
    m_then = std::move(then);
    emit busyChanged(true);
    // A thread of the standard library, joined before the continuation runs: the join orders
    // everything the job wrote before everything the continuation reads, in a way the thread
    // checkers of the toolchain see (a pool's hand-over inside Qt is out of their sight).
    m_worker = std::thread([this, work = std::move(work)] {
        work();
        QMetaObject::invokeMethod(this, &JobRunner::ended, Qt::QueuedConnection);
    });
}

void JobRunner::ended() {
    if (m_worker.joinable()) m_worker.join();
    if (m_abandoned) return;
    std::function<void()> then = std::move(m_then);
    m_then = nullptr;
    m_busy = false;
    emit busyChanged(false);
    if (then) then();
    emit finished();
}

} // namespace kx::ui
