// The counter behind a progress bar: whole percentages, halves to even, the abort flag.
#include "support/progresscounter.h"

#include "common/treebuilder.h"

#include <gtest/gtest.h>

#include <string>

using kx::ui::ProgressCounter;

namespace {

std::unique_ptr<kx::EntryTree> makeTree(int below) {
    return kxtest::foldersOfFiles(below);
}

// Steps a fresh counter `steps` times and returns where the bar ends.
int positionAfter(std::int32_t total, int steps) {
    ProgressCounter c;
    c.total = total;
    for (int i = 0; i < steps; ++i)
        c.step();
    return c.position();
}

TEST(ProgressCounter, RoundsHalvesToEven) {
    struct Case {
        std::int32_t total;
        int steps;
        int position;
    } cases[] = {
        {200, 1, 0},     // 0.5
        {200, 3, 2},     // 1.5
        {200, 5, 2},     // 2.5
        {200, 7, 4},     // 3.5
        {200, 199, 100}, // 99.5
        {8, 1, 12},      // 12.5
        {8, 3, 38},      // 37.5
        {3, 1, 33},         {3, 2, 67},      {1000, 5, 0},
        {1000, 15, 2},      {200, 200, 100}, {200, 201, 100}, // the root of a save is one step more
        {0, 1, 100},        {0, 5, 100}, // nothing below the root: full at once
        {2147483647, 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.total) + "/" + std::to_string(c.steps));
        EXPECT_EQ(positionAfter(c.total, c.steps), c.position);
    }
}

TEST(ProgressCounter, ReportsOnlyChangesAndEndsFull) {
    auto tree = makeTree(200);
    ProgressCounter c;
    c.countProgressTotal(kx::countBelow(tree->root()));
    ASSERT_EQ(c.total, 200);
    int updates = 0, last = -1;
    for (int i = 0; i < 200; ++i) {
        const int p = c.step();
        if (p < 0) continue;
        ++updates;
        EXPECT_GT(p, last);
        last = p;
    }
    EXPECT_LE(updates, 101);
    EXPECT_EQ(last, 100);
    EXPECT_EQ(c.step(), -1); // a step beyond the total leaves the full bar alone
    EXPECT_EQ(c.position(), 100);

    ProgressCounter empty;
    empty.countProgressTotal(kx::countBelow(makeTree(0)->root()));
    EXPECT_EQ(empty.total, 0);
    EXPECT_EQ(empty.step(), 100);
    EXPECT_EQ(empty.step(), -1);
}

TEST(ProgressCounter, AbortStopsCounting) {
    ProgressCounter c;
    c.total = 10;
    c.step();
    c.abort = true;
    EXPECT_EQ(c.step(), -1);
    EXPECT_EQ(c.done, 1);
    EXPECT_EQ(c.position(), 10);
}

TEST(ProgressCounter, TotalAddsUp) {
    auto tree = makeTree(50);
    ProgressCounter c;
    c.countProgressTotal(kx::countBelow(tree->root()));
    c.countProgressTotal(kx::countBelow(tree->root()->children().front()));
    c.countProgressTotal(kx::countBelow(nullptr));
    EXPECT_EQ(c.total, 50 + 39);
}

} // namespace
