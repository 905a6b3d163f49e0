// The counter behind a progress bar: whole percentages, halves to even, the abort flag.
#include "support/progresscounter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

using kx::ui::ProgressCounter;

namespace {

TEST(ProgressCounter, RoundsHalvesToEven) {
    constexpr std::uint64_t kHuge = std::numeric_limits<std::uint64_t>::max();
    struct Case {
        std::uint64_t done, total;
        int position;
    } cases[] = {
        {1, 200, 0},     // 0.5
        {3, 200, 2},     // 1.5
        {5, 200, 2},     // 2.5
        {7, 200, 4},     // 3.5
        {199, 200, 100}, // 99.5
        {1, 8, 12},      // 12.5
        {3, 8, 38},      // 37.5
        {1, 3, 33},          {2, 3, 67},
        {5, 1000, 0},        {15, 1000, 2},
        {200, 200, 100},     {201, 200, 100},        // more than the total: full, never beyond
        {1, 0, 100},                                 // nothing to do: full at once
        {3, 2147483647, 0},  {kHuge / 2, kHuge, 50}, // no overflow on the way
        {kHuge, kHuge, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.done) + "/" + std::to_string(c.total));
        ProgressCounter counter;
        counter.report(c.done, c.total);
        EXPECT_EQ(counter.position(), c.position);
    }
}

TEST(ProgressCounter, ReportsOnlyChangesAndEndsFull) {
    ProgressCounter c;
    int updates = 0, last = -1;
    for (int done = 1; done <= 200; ++done) {
        const int p = c.report(std::uint64_t(done), 200);
        if (p < 0) continue;
        ++updates;
        EXPECT_GT(p, last);
        last = p;
    }
    EXPECT_LE(updates, 100);
    EXPECT_EQ(last, 100);
    EXPECT_EQ(c.report(200, 200), -1); // the full bar is left alone
    EXPECT_EQ(c.position(), 100);
    c.resetPosition();
    EXPECT_EQ(c.report(0, 0), 100);
}

TEST(ProgressCounter, AbortStopsCounting) {
    ProgressCounter c;
    EXPECT_EQ(c.report(1, 10), 10);
    c.abort = true;
    EXPECT_EQ(c.report(5, 10), -1);
    EXPECT_EQ(c.position(), 10);
}

} // namespace
