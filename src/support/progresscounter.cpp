// The counter behind a progress bar.
#include "support/progresscounter.h"

#include <algorithm>
#include <limits>

namespace kx::ui {

namespace {
constexpr std::int32_t kMaxCount = std::numeric_limits<std::int32_t>::max();
} // namespace

void ProgressCounter::countProgressTotal(std::uint64_t stepsBelowRoot) {
    const std::uint64_t below =
        std::min<std::uint64_t>(stepsBelowRoot, static_cast<std::uint64_t>(kMaxCount));
    const std::uint64_t sum = static_cast<std::uint64_t>(total < 0 ? 0 : total) + below;
    total =
        sum > static_cast<std::uint64_t>(kMaxCount) ? kMaxCount : static_cast<std::int32_t>(sum);
}

std::int32_t ProgressCounter::totalOf(std::uint64_t steps) {
    ProgressCounter c;
    c.countProgressTotal(steps);
    return c.total;
}

int ProgressCounter::step() {
    if (abort) return -1;
    if (done < kMaxCount) ++done;
    int percent = 100;
    if (total > 0) {
        // Whole percent of done/total, halves to the even neighbour.
        const std::int64_t scaled = static_cast<std::int64_t>(done) * 100;
        std::int64_t q = scaled / total;
        const std::int64_t twiceRest = 2 * (scaled % total);
        if (twiceRest > total || (twiceRest == total && (q & 1) != 0)) ++q;
        percent = q > 100 ? 100 : q < 0 ? 0 : static_cast<int>(q);
    }
    if (percent == m_position) return -1;
    m_position = percent;
    return percent;
}

} // namespace kx::ui
