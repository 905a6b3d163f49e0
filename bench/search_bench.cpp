// Search by mask over a 1,000,000-entry tree, against a bare substring loop over every name; the
// sort of a wide folder's rows.
#include "common/treebuilder.h"
#include "listgen.h"
#include "query/rowsort.h"
#include "query/search.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace {

// About 10% folders, names of 8 to 30 characters, depth up to 12, fixed seed. About 1% of the
// names carry "Report" in a random case, which the mask "report" finds. The shape is drawn first;
// the Entries are then made in pre-order, the order in which reading a list makes them.
struct BigTree {
    kxtest::TreeBuilder tree{"C:\\"};
    std::vector<kx::Entry*> all;

    BigTree() {
        constexpr std::size_t count = 1000000;
        std::mt19937 rng(20240607);
        auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
        static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789_-. ";

        struct Shape {
            std::string name;
            bool folder;
            std::vector<std::size_t> children;
        };
        std::vector<Shape> shapes(count + 1);
        shapes[0] = {"C:\\", true, {}};                           // the builder's root
        std::vector<std::pair<std::size_t, int>> folders{{0, 0}}; // (shape, depth)
        for (std::size_t i = 1; i <= count; ++i) {
            // Prefer recent folders so that the tree grows deep as well as wide.
            const std::size_t n = folders.size();
            const std::size_t at = pick(4) ? n - 1 - pick(std::min<std::size_t>(n, 50)) : pick(n);
            const auto [parent, depth] = folders[at];
            Shape& s = shapes[i];
            const std::size_t length = 8 + pick(23);
            for (std::size_t k = 0; k < length; ++k)
                s.name += alphabet[pick(sizeof(alphabet) - 1)];
            if (pick(100) == 0) {
                static const char token[] = "report";
                const std::size_t from = pick(length - 5);
                for (std::size_t k = 0; k < 6; ++k)
                    s.name[from + k] = pick(2) ? token[k] : static_cast<char>(token[k] - 32);
            }
            s.folder = pick(10) == 0 && depth + 1 < 12;
            shapes[parent].children.push_back(i);
            if (s.folder) folders.emplace_back(i, depth + 1);
        }

        auto make = [this, &shapes](std::size_t i, kx::Entry* parent) {
            kx::Entry* e =
                tree.add(parent, shapes[i].name, shapes[i].folder ? kx::kFolder : kx::kFile);
            all.push_back(e);
            return e;
        };
        all.reserve(count);
        kx::Entry* root = tree.root();
        struct Frame {
            std::size_t shape;
            kx::Entry* entry;
            std::size_t next;
        };
        std::vector<Frame> stack{{0, root, 0}};
        while (!stack.empty()) {
            Frame& f = stack.back();
            const auto& kids = shapes[f.shape].children;
            if (f.next == kids.size()) {
                stack.pop_back();
                continue;
            }
            const std::size_t k = kids[f.next++];
            kx::Entry* e = make(k, f.entry);
            if (!shapes[k].children.empty()) stack.push_back({k, e, 0});
        }
    }
};

const BigTree& bigTree() {
    static const auto t = std::make_unique<BigTree>();
    return *t;
}

void BM_SearchByMask(benchmark::State& state) {
    const BigTree& t = bigTree();
    std::size_t found = 0;
    for (auto _ : state) {
        kx::SearchResults r = kx::searchByMask(t.tree.root(), "report");
        found = r.entries.size();
        benchmark::DoNotOptimize(r);
    }
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_SearchByMask)->Unit(benchmark::kMillisecond);

// The baseline: test every name for the substring, exact case, no tree walk and no results.
void BM_BareSubstringLoop(benchmark::State& state) {
    const BigTree& t = bigTree();
    std::size_t found = 0;
    for (auto _ : state) {
        found = 0;
        for (const kx::Entry* e : t.all)
            if (e->name().find("report") != std::string_view::npos) ++found;
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_BareSubstringLoop)->Unit(benchmark::kMillisecond);

// Sorting the rows of a folder of 100,000 files by each column (name, size, created, changed,
// attributes, comment): the keys are read once per row, the dates and comments unpacked.
void BM_SortWideFolder(benchmark::State& state) {
    static const std::unique_ptr<kx::EntryTree> tree = kxbench::wideFolderTree(100000);
    const kx::ChildList rows = tree->root()->children()[0]->children();
    const std::vector<kx::Entry*> entries(rows.begin(), rows.end());
    const auto column = static_cast<kx::SortColumn>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(kx::sortedRowOrder(entries, column, false));
}
BENCHMARK(BM_SortWideFolder)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
