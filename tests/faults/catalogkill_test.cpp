// Catalogue adds killed part way: kxtool catalog add of a large list is killed at moments spread
// over the open, the rows, the trigrams and the name index beside the catalogue. After every kill
// the catalogue must open and answer as it was before the add or as it is after a complete one,
// and the next add must still work.
#include "faults_helpers.h"

#include "catalog/catalog.h"
#include "listfile/scan.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sys/wait.h>
#include <thread>

using namespace kxfault;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kSmall = 300, kLarge = 60000;

// The catalogued lists' entry counts, in the order they were added, and the rows a search for
// "a" finds over all of them (the mask is in most generated names).
struct Answer {
    std::vector<std::uint64_t> entries;
    std::size_t rows = 0;
    bool operator==(const Answer& o) const { return entries == o.entries && rows == o.rows; }
};

Answer answerOf(const std::string& db) {
    const auto catalog = kx::catalog::Catalog::open(db, kx::catalog::OpenMode::existing);
    Answer a;
    for (const auto& list : catalog->lists())
        a.entries.push_back(list.entries);
    kx::EntryFilter filter;
    filter.mask = "a";
    catalog->find(filter, [&](const auto&, const auto&, const auto&, std::uint32_t) {
        ++a.rows;
        return true;
    });
    return a;
}

// Starts the add and kills it after `delay`; true when it ran to its end first.
bool addKilledAfter(const std::string& db, const std::string& list, Clock::duration delay) {
    const auto start = Clock::now();
    const pid_t pid = startTool({"catalog", "--db", db, "add", list});
    int status = 0;
    for (;;) {
        if (::waitpid(pid, &status, WNOHANG) == pid) break;
        if (Clock::now() - start >= delay) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    if (WIFSIGNALED(status)) return false;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return true;
}

TEST(KilledCatalogueAdd, CatalogueIsOldOrCompleteAndTheNextAddWorks) {
    ScratchDir dir;
    const std::string small = dir / "small.kx", large = dir / "large.kx";
    kx::writeNewListFile(*generatedTree(kSmall, 2), small);
    kx::writeNewListFile(*generatedTree(kLarge, 3), large);

    // The two answers a killed add may leave, and the time of one whole add.
    const std::string whole = dir / "whole.sqlite";
    ASSERT_EQ(runTool({"catalog", "--db", whole, "add", small}).exitCode, 0);
    const Answer before = answerOf(whole);
    const auto start = Clock::now();
    ASSERT_TRUE(addKilledAfter(whole, large, std::chrono::hours(1)));
    const Clock::duration took = Clock::now() - start;
    const Answer after = answerOf(whole);
    ASSERT_EQ(after.entries.size(), 2u);
    ASSERT_GT(after.rows, before.rows);

    // One add timed on a busy machine may take longer than the next ones: an add that ends before
    // its kill makes the moments that follow come earlier, so that most kills land inside one.
    int killed = 0, round = 0;
    Clock::duration span = took;
    for (double share : {0.05, 0.2, 0.35, 0.5, 0.65, 0.8, 0.9, 0.97, 1.05, 1.3}) {
        SCOPED_TRACE(std::to_string(share) + " of an add");
        const std::string db = dir / ("killed" + std::to_string(round++) + ".sqlite");
        ASSERT_EQ(runTool({"catalog", "--db", db, "add", small}).exitCode, 0);
        const auto delay = std::chrono::duration_cast<Clock::duration>(span * share);
        if (!addKilledAfter(db, large, delay))
            ++killed;
        else if (share < 1)
            span = span * 3 / 4;
        const Answer left = answerOf(db);
        EXPECT_TRUE(left == before || left == after)
            << left.entries.size() << " lists, " << left.rows << " rows";
        ASSERT_EQ(runTool({"catalog", "--db", db, "add", large}).exitCode, 0);
        EXPECT_TRUE(answerOf(db) == after);
    }
    EXPECT_GT(killed, 3); // most kills landed inside the add
}

} // namespace
