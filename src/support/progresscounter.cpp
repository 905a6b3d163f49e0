// The counter behind a progress bar.
#include "support/progresscounter.h"

#include <limits>

namespace kx::ui {

int ProgressCounter::report(std::uint64_t done, std::uint64_t total) {
    if (abort) return -1;
    int percent = 100;
    if (total > 0) {
        // done * 100 must not overflow: halve both until it cannot.
        while (total > std::numeric_limits<std::uint64_t>::max() / 100) {
            total >>= 1;
            done >>= 1;
        }
        if (done > total) done = total;
        // Whole percent of done/total, halves to the even neighbour.
        const std::uint64_t scaled = done * 100;
        std::uint64_t q = scaled / total;
        const std::uint64_t twiceRest = 2 * (scaled % total);
        if (twiceRest > total || (twiceRest == total && (q & 1) != 0)) ++q;
        percent = static_cast<int>(q);
    }
    if (percent == m_position) return -1;
    m_position = percent;
    return percent;
}

} // namespace kx::ui
