// One long job at a time on a worker thread: the busy state around it, progress handed to the
// owner's thread as queued calls, a cancel flag, and a continuation run on the owner's thread
// once the job has ended. The owner's thread never waits for the job and never pumps events.
#pragma once

#include <QObject>

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

namespace kx::ui {

// What a job's continuation is handed: the job's value, or what it threw, rethrown by get().
template <class R> class JobOutcome {
public:
    R& get() {
        if (m_error) std::rethrow_exception(m_error);
        return *m_value;
    }
    bool failed() const { return m_error != nullptr; }
    template <class Work> void capture(Work& work) {
        try {
            m_value.emplace(work());
        } catch (...) {
            m_error = std::current_exception();
        }
    }

private:
    std::optional<R> m_value;
    std::exception_ptr m_error;
};

template <> class JobOutcome<void> {
public:
    void get() const {
        if (m_error) std::rethrow_exception(m_error);
    }
    bool failed() const { return m_error != nullptr; }
    template <class Work> void capture(Work& work) {
        try {
            work();
        } catch (...) {
            m_error = std::current_exception();
        }
    }

private:
    std::exception_ptr m_error;
};

class JobRunner : public QObject {
    Q_OBJECT
public:
    explicit JobRunner(QObject* parent = nullptr);
    // A job still running is waited for; its continuation is dropped.
    ~JobRunner() override;

    bool busy() const { return m_busy; }
    // From any thread: asks the running job to stop; the job reads cancelled() and ends early.
    void cancel() { m_cancel = true; }
    bool cancelled() const { return m_cancel; }
    // From the job: how far it has come. Handed to the owner's thread as progressed(), at most
    // once per thousandth of the total.
    void report(std::uint64_t done, std::uint64_t total);

    // Starts `work` (R()) on the worker thread and returns at once; busyChanged(true) has been
    // emitted by then. When the job has ended, busyChanged(false) is emitted and `then`
    // (void(JobOutcome<R>&)) runs on the owner's thread; it may start the next job. Throws
    // std::logic_error while a job runs.
    template <class Work, class Then> void run(Work work, Then then) {
        using R = std::invoke_result_t<Work&>;
        auto outcome = std::make_shared<JobOutcome<R>>();
        start([work = std::move(work), outcome]() mutable { outcome->capture(work); },
              [then = std::move(then), outcome]() mutable { then(*outcome); });
    }

    // Waits for a running job without running its continuation (the owner is going away).
    void waitForDone();

signals:
    void busyChanged(bool busy);
    void progressed(quint64 done, quint64 total);
    // After the continuation of a job has run.
    void finished();

private:
    void start(std::function<void()> work, std::function<void()> then);
    void ended();

    std::thread m_worker;
    bool m_abandoned = false;
    std::function<void()> m_then;
    std::atomic<bool> m_cancel{false};
    std::atomic<std::int64_t> m_reported{-1};
    bool m_busy = false;
};

} // namespace kx::ui
