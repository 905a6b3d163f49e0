// The job runner: one worker thread, a watcher that brings the end of a job back to the owner.
#include "support/gui/jobrunner.h"

#include <QtConcurrent/QtConcurrentRun>

#include <stdexcept>

namespace kx::ui {

namespace {
// Lists are read and written without recursion, but a worker gets the stack a main thread has.
constexpr uint kWorkerStackSize = 8u * 1024u * 1024u;
} // namespace

JobRunner::JobRunner(QObject* parent) : QObject(parent) {
    m_pool.setMaxThreadCount(1);
    m_pool.setStackSize(kWorkerStackSize);
    connect(&m_watcher, &QFutureWatcher<void>::finished, this, &JobRunner::ended);
}

JobRunner::~JobRunner() {
    waitForDone();
}

void JobRunner::waitForDone() {
    m_watcher.disconnect(this);
    m_pool.waitForDone();
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
    m_then = std::move(then);
    emit busyChanged(true);
    m_watcher.setFuture(QtConcurrent::run(&m_pool, std::move(work)));
}

void JobRunner::ended() {
    std::function<void()> then = std::move(m_then);
    m_then = nullptr;
    m_busy = false;
    emit busyChanged(false);
    if (then) then();
    emit finished();
}

} // namespace kx::ui
