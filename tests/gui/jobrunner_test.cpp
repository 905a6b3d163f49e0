// The job runner: busy before it returns, the continuation on the owner's thread with the job's
// value or failure, progress as queued calls, the cancel flag, and a job started from a
// continuation.
#include "support/gui/jobrunner.h"

#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

using kx::ui::JobOutcome;
using kx::ui::JobRunner;

TEST(JobRunner, RunsOnAWorkerAndContinuesOnTheOwnersThread) {
    JobRunner jobs;
    QSignalSpy busy(&jobs, &JobRunner::busyChanged);
    QSignalSpy finished(&jobs, &JobRunner::finished);
    QThread* workerThread = nullptr;
    QThread* continuationThread = nullptr;
    int value = 0;
    jobs.run(
        [&] {
            workerThread = QThread::currentThread();
            return 42;
        },
        [&](JobOutcome<int>& outcome) {
            continuationThread = QThread::currentThread();
            value = outcome.get();
            EXPECT_FALSE(jobs.busy());
        });
    // Busy at once, before any event was processed; the continuation waits for the event loop.
    EXPECT_TRUE(jobs.busy());
    ASSERT_EQ(busy.size(), 1);
    EXPECT_TRUE(busy[0][0].toBool());
    EXPECT_THROW(jobs.run([] {}, [](JobOutcome<void>&) {}), std::logic_error);
    EXPECT_EQ(value, 0);

    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(value, 42);
    EXPECT_NE(workerThread, QThread::currentThread());
    EXPECT_EQ(continuationThread, QThread::currentThread());
    ASSERT_EQ(busy.size(), 2);
    EXPECT_FALSE(busy[1][0].toBool());
}

TEST(JobRunner, AFailureReachesTheContinuationAndTheNextJobMayStartThere) {
    JobRunner jobs;
    QSignalSpy finished(&jobs, &JobRunner::finished);
    std::string failure;
    bool secondRan = false;
    jobs.run([]() -> int { throw std::runtime_error("disk gone"); },
             [&](JobOutcome<int>& outcome) {
                 EXPECT_TRUE(outcome.failed());
                 try {
                     outcome.get();
                 } catch (const std::runtime_error& e) {
                     failure = e.what();
                 }
                 jobs.run([] {},
                          [&](JobOutcome<void>& second) {
                              second.get();
                              secondRan = true;
                          });
                 EXPECT_TRUE(jobs.busy());
             });
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(failure, "disk gone");
    if (!secondRan) {
        ASSERT_TRUE(finished.wait(5000));
    }
    EXPECT_TRUE(secondRan);
    EXPECT_FALSE(jobs.busy());
}

TEST(JobRunner, ProgressArrivesQueuedAndCancelStopsTheJob) {
    JobRunner jobs;
    QSignalSpy progressed(&jobs, &JobRunner::progressed);
    QSignalSpy finished(&jobs, &JobRunner::finished);
    constexpr std::uint64_t total = 100'000;
    std::uint64_t steps = 0;
    QThread* progressThread = nullptr;
    QObject::connect(&jobs, &JobRunner::progressed, [&] {
        progressThread = QThread::currentThread();
        if (progressed.size() >= 10) jobs.cancel();
    });
    jobs.run(
        [&] {
            // Each step is reported twice and is a hundredth of a thousandth: at most one report
            // per thousandth reaches the owner.
            while (!jobs.cancelled() && steps < total) {
                ++steps;
                jobs.report(steps, total);
                jobs.report(steps, total);
                QThread::usleep(20);
            }
        },
        [](JobOutcome<void>& outcome) { outcome.get(); });
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_LT(steps, total);
    EXPECT_EQ(progressThread, QThread::currentThread());
    ASSERT_GE(progressed.size(), 10);
    const auto thousandth = [&](qsizetype i) {
        return progressed[i][0].toULongLong() * 1000 / total;
    };
    for (qsizetype i = 1; i < progressed.size(); ++i)
        EXPECT_LT(thousandth(i - 1), thousandth(i));
}
