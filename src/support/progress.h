// The one progress callback of long work: how far it has come, and whether it is to go on.
#pragma once

#include <cstdint>
#include <functional>

namespace kx {

// Told now and then while long work runs: `done` of `total` steps, in the work's own unit
// (records, rows, lines, entries). Returns false to stop the work, which then ends as cancelled
// and says what it left. Called on the thread that does the work. An empty callback lets the
// work run to its end.
using Progress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// Tells `progress`, when there is one; true when the work is to go on.
inline bool goOn(const Progress& progress, std::uint64_t done, std::uint64_t total) {
    return !progress || progress(done, total);
}

} // namespace kx
