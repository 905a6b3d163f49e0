// Where the space goes over a 1,000,000-entry list: the bytes of every subtree, the treemap laid
// out for a window of 1200 by 800 (the window redraws with this layout, so it must stay well
// below 200 ms), the totals by type and the 100 largest files.
#include "listgen.h"

#include "query/filetypes.h"
#include "query/treemap.h"

#include <benchmark/benchmark.h>

namespace {

constexpr std::size_t kEntries = 1000000;

// Made before the first benchmark's clock runs.
const kx::EntryTree& tree() {
    static const std::unique_ptr<kx::EntryTree> t = kxbench::generateTree(kEntries);
    return *t;
}
const bool kMade = (tree(), true);

const std::vector<std::uint64_t>& bytes() {
    static const std::vector<std::uint64_t> b = kx::subtreeBytes(tree());
    return b;
}

void BM_SubtreeBytes(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(kx::subtreeBytes(tree()).data());
    state.counters["entries"] = double(kEntries);
}
BENCHMARK(BM_SubtreeBytes)->Unit(benchmark::kMillisecond);

void BM_TreemapLayout(benchmark::State& state) {
    const std::vector<std::uint64_t>& b = bytes();
    std::size_t cells = 0;
    for (auto _ : state) {
        const auto laid = kx::layoutTreemap(tree().root(), b, {0, 0, 1200, 800});
        cells = laid.size();
        benchmark::DoNotOptimize(laid.data());
    }
    state.counters["cells"] = double(cells);
}
BENCHMARK(BM_TreemapLayout)->Unit(benchmark::kMillisecond);

void BM_SizesByType(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(kx::sizesByType(tree().root()).all().bytes);
}
BENCHMARK(BM_SizesByType)->Unit(benchmark::kMillisecond);

void BM_LargestFiles(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(kx::largestFiles(tree().root(), kx::kLargestShown).data());
}
BENCHMARK(BM_LargestFiles)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
