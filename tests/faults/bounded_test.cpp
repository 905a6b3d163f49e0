// The memory that hostile lists can make the work take: this test program counts the bytes its
// operator new hands out and keeps the highest count, so that a walk over a deep list or the
// indexing of many long names is seen to stay within a bound however the input is shaped.
#include "catalog/listdiff.h"
#include "catalog/postings.h"
#include "catalog/spool.h"
#include "common/fixtures.h"
#include "listfile/innerlist.h"
#include "output/csvexport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>
#include <random>

namespace {

std::atomic<long> liveBytes{0}, peakBytes{0};

void* take(std::size_t n) {
    void* p = std::malloc(n ? n : 1);
    if (!p) throw std::bad_alloc();
    const long now = liveBytes += long(::malloc_usable_size(p));
    for (long peak = peakBytes; now > peak && !peakBytes.compare_exchange_weak(peak, now);) {
    }
    return p;
}

void give(void* p) noexcept {
    if (!p) return;
    liveBytes -= long(::malloc_usable_size(p));
    std::free(p);
}

} // namespace

void* operator new(std::size_t n) {
    return take(n);
}
void* operator new[](std::size_t n) {
    return take(n);
}
// The nothrow forms too (std::stable_sort takes its buffer with them): every form of new here
// must pair with the deletes below.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return take(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    return operator new(n, std::nothrow);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    give(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    give(p);
}
void operator delete(void* p) noexcept {
    give(p);
}
void operator delete[](void* p) noexcept {
    give(p);
}
void operator delete(void* p, std::size_t) noexcept {
    give(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    give(p);
}

namespace {

using namespace kxtest;

// The most memory `work` held at once beyond what was held before it.
template <class Work> long peakOf(Work&& work) {
    const long before = liveBytes;
    peakBytes = before;
    work();
    return peakBytes - before;
}

constexpr long kMiB = 1 << 20;

// Counts what a writer writes.
struct CountingSink : kx::ByteSink {
    std::uint64_t bytes = 0;
    void write(const void*, std::size_t n) override { bytes += n; }
};

TEST(Bounded, ADeepListIsComparedAndExportedInMemoryOfItsDepth) {
    // The deepest chain of one-letter names a list may hold: its paths together are 268 million
    // characters long, its deepest one 32767.
    const auto chain = [](std::uint64_t leafSize) {
        TreeBuilder b{"C:\\"};
        kx::Entry* at = b.root();
        for (std::size_t i = 0; i + 1 < (kx::kMaxPathLength + 1) / 2; ++i)
            at = b.folder(at, "d");
        b.file(at, "f", leafSize);
        return b.take();
    };
    const auto before = chain(1), after = chain(2);
    std::uint64_t rows = 0;
    const long diff = peakOf([&] {
        kx::catalog::diffLists(before->root(), after->root(),
                               [&](char, std::string_view, char) { ++rows; });
    });
    EXPECT_EQ(rows, 1u);
    EXPECT_LT(diff, 16 * kMiB);

    CountingSink csv;
    const long exported =
        peakOf([&] { kx::out::writeCsvLines(before->root(), kx::EntryFilter{}, csv, {}); });
    EXPECT_LT(exported, 16 * kMiB);
    EXPECT_LT(csv.bytes, before->entryCount() * (kx::kMaxPathLength + 100));
}

TEST(Bounded, TrigramPostingsStayWithinTheirBudget) {
    // Long names of many trigrams each: gathered at once, their ords alone would take 20 MiB.
    QTemporaryDir dir;
    const std::string near = dir.filePath("index").toStdString();
    std::mt19937 random(3);
    std::vector<std::string> names(20000, std::string(255, ' '));
    for (std::string& name : names)
        for (char& c : name)
            c = char('A' + random() % 40);
    kx::catalog::Spool grams(near, false), postings(near, false);
    kx::catalog::PostingsBuilder builder(near, kMiB);
    const long gathered = peakOf([&] {
        for (std::size_t i = 0; i < names.size(); ++i)
            builder.add(std::uint32_t(i + 1), names[i]);
        builder.finish(grams, postings);
    });
    // The budget, the growth of what it holds, and the runs' read buffers at the merge.
    EXPECT_LT(gathered, 8 * kMiB);
    EXPECT_GT(postings.size(), std::uint64_t(4 * kMiB)); // one byte or more per name and trigram
}

} // namespace
