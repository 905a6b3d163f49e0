// The catalogue against the lists it stands for: 8 generated lists of 500,000 entries each
// (or FENTARO_BENCH_LISTS of them).
// Their opens, the add of all eight to a new catalogue (with its bytes per entry, the name index
// included), and searches through the catalogue against the same search run on each list and
// against a locate index of the same full paths (plocate, when scripts/setup installed it).
#include "listgen.h"

#include "browser/document.h"
#include "catalog/catalog.h"
#include "listfile/scan.h"
#include "query/filter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// FENTARO_BENCH_LISTS makes more lists of the same kind, for a catalogue as large as the disk
// allows (how it grows).
int listCount() {
    const char* n = std::getenv("FENTARO_BENCH_LISTS");
    return n && std::atoi(n) > 0 ? std::atoi(n) : 8;
}
constexpr std::size_t kEntries = 500000;

std::string benchFolder() {
    const char* d = std::getenv("FENTARO_BENCH_DIR");
    return d && *d ? d : "/tmp";
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Eight different lists, made once and reused while they exist.
const std::vector<std::string>& lists() {
    static const std::vector<std::string> paths = [] {
        std::vector<std::string> out;
        for (int i = 0; i < listCount(); ++i) {
            const std::string path =
                benchFolder() + "/fentaro-bench-disk" + std::to_string(i) + "-500k.kx";
            if (!exists(path)) {
                auto tree = kxbench::generateTree(kEntries, 0.1, 12, 5000u + unsigned(i));
                kx::writeNewListFile(*tree, path);
            }
            out.push_back(path);
        }
        return out;
    }();
    return paths;
}

std::string catalogPath() {
    return benchFolder() + "/fentaro-bench-catalog.sqlite";
}

std::uint64_t addAll(const std::string& db) {
    std::remove(db.c_str());
    std::remove((db + ".names").c_str());
    const auto catalog = kx::catalog::Catalog::open(db);
    std::uint64_t entries = 0;
    for (const std::string& list : lists())
        entries += catalog->add(list).entries;
    catalog->prepareSearch();
    return entries;
}

std::uint64_t fileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? std::uint64_t(st.st_size) : 0;
}

// The masks: three rare Latin letters, three Cyrillic ones (Windows-1251), one letter, two
// letters, three common letters (the generator's ".dat"), six letters, and a glob over whole
// names (its runs' trigrams: one rare, two common). kxtool takes its arguments in UTF-8, so the
// processes are given the same masks as UTF-8.
const char* const kMasks[] = {"abc", "\xE0\xE1\xE2", "q", "qz", "dat", "ab.dat", "abc*.dat"};
const char* const kArgumentMasks[] = {
    "abc", "\xD0\xB0\xD0\xB1\xD0\xB2", "q", "qz", "dat", "ab.dat", "abc*.dat"};
constexpr int kGlobMask = 6;

kx::EntryFilter maskFilter(int which) {
    kx::EntryFilter f;
    f.mask = kMasks[which];
    f.glob = which == kGlobMask;
    return f;
}

// kxtool's arguments: the command's, then the mask's.
std::vector<std::string> withMask(std::vector<std::string> args, int which) {
    args.push_back(kArgumentMasks[which]);
    if (which == kGlobMask) args.push_back("--glob");
    return args;
}

void BM_OpenEachList(benchmark::State& state) {
    lists();
    for (auto _ : state)
        for (const std::string& list : lists())
            benchmark::DoNotOptimize(kx::Document::open(list));
}

// What `kxtool find LIST MASK` does on each list: the open, then the search.
void BM_FindOnEachList(benchmark::State& state) {
    lists();
    std::size_t rows = 0;
    for (auto _ : state) {
        rows = 0;
        for (const std::string& list : lists()) {
            const auto doc = kx::Document::open(list);
            rows += kx::searchFiltered(doc->root(), maskFilter(int(state.range(0)))).entries.size();
        }
    }
    state.counters["rows"] = double(rows);
}

void BM_CatalogAdd(benchmark::State& state) {
    lists();
    std::uint64_t entries = 0;
    for (auto _ : state)
        entries = addAll(catalogPath());
    const double bytes = double(fileSize(catalogPath()) + fileSize(catalogPath() + ".names"));
    state.counters["entries"] = double(entries);
    state.counters["MB"] = bytes / 1e6;
    state.counters["index_MB"] = double(fileSize(catalogPath() + ".names")) / 1e6;
    state.counters["bytes_per_entry"] = bytes / double(entries);
}

// The catalogue is opened and searched; the rows are made as kxtool makes them (caption and
// entry), not printed.
void BM_CatalogFind(benchmark::State& state) {
    if (!exists(catalogPath())) addAll(catalogPath());
    std::size_t rows = 0;
    for (auto _ : state) {
        rows = 0;
        const auto catalog = kx::catalog::Catalog::open(catalogPath());
        catalog->find(maskFilter(int(state.range(0))),
                      [&rows](const kx::catalog::ListRecord&, const kx::Entry&, const std::string&,
                              std::uint32_t) { return ++rows != 0; });
    }
    state.counters["rows"] = double(rows);
}

// The same two searches as people run them: kxtool started once per list, against kxtool started
// once on the catalogue (output to /dev/null). posix_spawn starts it as a shell does, without
// copying the page tables of this large process first, which a fork here would add to each run.
void run(const char* program, const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(program)};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawnp(&pid, program, &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
}

void runKxtool(const std::vector<std::string>& args) {
    run(FENTARO_KXTOOL, args);
}

// A locate index of the catalogue's full paths ("LIST/folder/name", UTF-8), made by plocate's own
// builder from the plain list of paths; empty when plocate is not installed.
std::string locateIndex() {
    static const std::string path = []() -> std::string {
        if (::access("/usr/sbin/plocate-build", X_OK) != 0 && ::access("/usr/bin/plocate", X_OK))
            return {};
        if (!exists(catalogPath())) addAll(catalogPath());
        const std::string plain = benchFolder() + "/fentaro-bench-paths.txt";
        const std::string db = benchFolder() + "/fentaro-bench-plocate.db";
        if (!exists(db)) {
            std::ofstream out(plain, std::ios::binary);
            kx::EntryFilter all;
            all.mask = "*";
            all.glob = true;
            kx::catalog::Catalog::open(catalogPath())
                ->findStored(all, [&out](const kx::catalog::ListRecord& list,
                                         const kx::catalog::StoredRow& row) {
                    std::string caption(row.caption);
                    std::replace(caption.begin(), caption.end(), '\\', '/');
                    out << list.path << '/' << caption << '\n';
                    return true;
                });
            out.close();
            run("/usr/sbin/plocate-build", {"-p", "-l", "no", plain, db});
        }
        return db;
    }();
    return path;
}

// plocate -i -b MASK over the same paths, output to /dev/null.
void BM_PlocateFind(benchmark::State& state) {
    const std::string db = locateIndex();
    if (db.empty()) {
        state.SkipWithError("plocate is not installed (scripts/setup)");
        return;
    }
    for (auto _ : state)
        run("plocate", {"-d", db, "-i", "-b", kArgumentMasks[state.range(0)]});
}

void BM_KxtoolFindOnEachList(benchmark::State& state) {
    lists();
    for (auto _ : state)
        for (const std::string& list : lists())
            runKxtool(withMask({"find", list}, int(state.range(0))));
}

void BM_KxtoolCatalogFind(benchmark::State& state) {
    if (!exists(catalogPath())) addAll(catalogPath());
    for (auto _ : state)
        runKxtool(withMask({"catalog", "--db", catalogPath(), "find"}, int(state.range(0))));
}

} // namespace

BENCHMARK(BM_KxtoolFindOnEachList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_KxtoolCatalogFind)->DenseRange(0, kGlobMask)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlocateFind)->DenseRange(0, kGlobMask)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenEachList)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FindOnEachList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CatalogAdd)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CatalogFind)->DenseRange(0, kGlobMask)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
