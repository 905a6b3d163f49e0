// The counter behind a progress bar: steps of a tree walk turned into whole percentages.
#pragma once

#include <atomic>
#include <cstdint>

namespace kx::ui {

// Counts the steps of a tree walk and turns them into whole percentages for the bar.
class ProgressCounter {
public:
    std::int32_t total = 0, done = 0;
    std::atomic<bool> abort{false};

    // Adds the number of steps of a walk (the Entries below its root, the root not counted) to
    // the total, which saturates at the largest count.
    void countProgressTotal(std::uint64_t stepsBelowRoot);
    // The total a walk of `steps` steps counts, as countProgressTotal gives it to a new counter.
    static std::int32_t totalOf(std::uint64_t steps);
    // Does nothing while `abort` is set (returns -1). Otherwise counts one more step and returns
    // the new whole percentage (0..100, halves rounded to even) when it differs from the bar's
    // position, else -1. With a total of 0 the bar is full at the first step.
    int step();
    // Where the bar stands.
    int position() const { return m_position; }
    // Puts the bar back to 0 for a new window; the counts are left alone.
    void resetPosition() { m_position = 0; }

private:
    int m_position = 0;
};

} // namespace kx::ui
