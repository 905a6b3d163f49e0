// The counter behind a progress bar: the reports of long work turned into whole percentages.
#pragma once

#include <atomic>
#include <cstdint>

namespace kx::ui {

// Turns the reports of long work (done of total) into whole percentages for the bar, and holds
// the flag that a close of the progress window sets.
class ProgressCounter {
public:
    std::atomic<bool> abort{false};

    // One report. Does nothing while `abort` is set (returns -1). Otherwise returns the whole
    // percentage of done/total (0..100, halves rounded to even; full when the total is 0) when
    // it differs from the bar's position, else -1.
    int report(std::uint64_t done, std::uint64_t total);
    // Where the bar stands.
    int position() const { return m_position; }
    // Puts the bar back to 0 for a new window.
    void resetPosition() { m_position = 0; }

private:
    int m_position = 0;
};

} // namespace kx::ui
