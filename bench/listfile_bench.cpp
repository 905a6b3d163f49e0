// Opening and saving a 1,000,000-entry list against bare inflation and deflation of the same
// data, and the memory the entry tree takes per entry.
#include "listgen.h"

#include "listfile/innerlist.h"
#include "listfile/listfile.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kEntries = 1000000;

std::string benchFolder() {
    const char* d = std::getenv("FENTARO_BENCH_DIR");
    return d && *d ? d : "/tmp";
}

const std::string& listPath() {
    static const std::string p =
        kxbench::ensureListFile(benchFolder() + "/fentaro-bench-1m.kx", kEntries);
    return p;
}

// The whole file in one buffer by plain read(2) calls, as a C program would read it.
std::string readAll(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) std::abort();
    std::string bytes(std::size_t(st.st_size), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n <= 0) std::abort();
        got += std::size_t(n);
    }
    ::close(fd);
    return bytes;
}

// The inner list, inflated once.
const std::string& innerBytes() {
    static const std::string bytes = [] {
        kx::ListContainer c;
        auto source = c.openEntry(listPath());
        std::string b(source->remaining(), '\0');
        b.resize(source->read(b.data(), b.size()));
        source->verify();
        return b;
    }();
    return bytes;
}

void BM_OpenList(benchmark::State& state) {
    for (auto _ : state) {
        kx::ListContainer c;
        auto tree = kx::openListFile(c, listPath());
        benchmark::DoNotOptimize(tree->root());
    }
    state.counters["entries"] = double(kEntries);
}

// Reads the list file and inflates its entry into a buffer that is thrown away: the floor of an
// open (bench/plain_inflate.c is the same as a process of its own).
void BM_BareInflate(benchmark::State& state) {
    for (auto _ : state) {
        const std::string zip = readAll(listPath());
        const auto u16 = [&](std::size_t o) {
            return std::size_t(std::uint8_t(zip[o]) | std::uint8_t(zip[o + 1]) << 8);
        };
        const std::size_t data = 30 + u16(26) + u16(28);
        z_stream z{};
        inflateInit2(&z, -MAX_WBITS);
        std::vector<unsigned char> out(1 << 20);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zip.data() + data));
        z.avail_in = uInt(zip.size() - data);
        int rc;
        do {
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            rc = inflate(&z, Z_NO_FLUSH);
        } while (rc == Z_OK);
        benchmark::DoNotOptimize(z.total_out);
        inflateEnd(&z);
    }
}

void BM_SaveList(benchmark::State& state) {
    kx::ListContainer c;
    auto tree = kx::openListFile(c, listPath());
    const std::string out = benchFolder() + "/fentaro-bench-save.kx";
    for (auto _ : state) {
        kx::saveListFile(c, *tree, out);
    }
    std::remove(out.c_str());
}

// Deflates the same inner list at level 9 into a buffer that is thrown away.
void BM_BareDeflate(benchmark::State& state) {
    const std::string& inner = innerBytes();
    for (auto _ : state) {
        z_stream z{};
        deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        std::vector<unsigned char> out(1 << 20);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(inner.data()));
        z.avail_in = uInt(inner.size());
        int rc;
        do {
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            rc = deflate(&z, Z_FINISH);
        } while (rc == Z_OK);
        benchmark::DoNotOptimize(z.total_out);
        deflateEnd(&z);
    }
}

// Bytes the entry tree holds (Entries, names, children lists, packed records), per entry.
void BM_MemoryPerEntry(benchmark::State& state) {
    double perEntry = 0;
    for (auto _ : state) {
        const std::string& inner = innerBytes();
        kx::MemorySource src(inner.data(), inner.size());
        auto tree = kx::readInnerList(src);
        perEntry = double(tree->heldBytes()) / double(tree->entryCount());
        benchmark::DoNotOptimize(tree->root());
    }
    state.counters["bytes_per_entry"] = perEntry;
}

// The same, when a share of the records (state.range(0) percent) carry random bytes after the
// NULs of their name and comment, as lists from some writers do: such bytes cannot be packed, so
// the cost per entry grows towards the record's own 600 bytes, and no further.
void BM_MemoryPerEntryNoisy(benchmark::State& state) {
    std::string inner = innerBytes();
    std::mt19937 rng(7);
    const std::size_t records = (inner.size() - kx::kHeaderSize) / kx::kRecordSize;
    for (std::size_t i = 0; i < records; ++i) {
        if (std::int64_t(rng() % 100) >= state.range(0)) continue;
        char* r = &inner[kx::kHeaderSize + i * kx::kRecordSize];
        const std::size_t name = std::strlen(r) + 1;
        for (std::size_t k = name; k < kx::rec::nameSize; ++k)
            r[k] = char(rng());
        for (std::size_t k = kx::rec::comment + 1; k < kx::rec::comment + kx::rec::commentSize; ++k)
            r[k] = char(rng());
    }
    double perEntry = 0;
    for (auto _ : state) {
        kx::MemorySource src(inner.data(), inner.size());
        auto tree = kx::readInnerList(src);
        perEntry = double(tree->heldBytes()) / double(tree->entryCount());
        benchmark::DoNotOptimize(tree->root());
    }
    state.counters["bytes_per_entry"] = perEntry;
}

} // namespace

BENCHMARK(BM_OpenList)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BareInflate)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveList)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_BareDeflate)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_MemoryPerEntry)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MemoryPerEntryNoisy)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(1);
int main(int argc, char** argv) {
    listPath(); // the list is generated (once) before anything is timed
    innerBytes();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
