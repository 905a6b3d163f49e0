// The trigram postings of the name index: gathered within a memory budget, in runs merged at the
// end, they come out as if gathered at once.
#include "catalog/postings.h"
#include "catalog/spool.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <random>

namespace {

using kx::catalog::PostingsBuilder;
using kx::catalog::Spool;

std::string contentOf(Spool& s) {
    std::string out(std::size_t(s.size()), '\0');
    EXPECT_EQ(s.read(0, out.data(), out.size()), out.size());
    return out;
}

TEST(Postings, RunsMergeIntoWhatOneGatheringMakes) {
    QTemporaryDir dir;
    const std::string near = dir.filePath("index").toStdString();
    // Names of a few letters, so that trigrams recur across far-apart ords; two lists in a row.
    std::mt19937 random(7);
    std::vector<std::vector<std::pair<std::uint32_t, std::string>>> lists(2);
    for (auto& names : lists) {
        std::uint32_t ord = 0;
        for (int i = 0; i < 3000; ++i) {
            ord += 1 + random() % 300; // gaps make deltas of one and of several bytes
            std::string name(3 + random() % 40, ' ');
            for (char& c : name)
                c = char('A' + random() % 5);
            names.emplace_back(ord, name);
        }
    }
    const auto gather = [&](std::size_t budget, std::size_t& runs) {
        PostingsBuilder b(near, budget);
        Spool grams(near, false), postings(near, false);
        runs = 0;
        for (const auto& names : lists) {
            for (const auto& [ord, name] : names)
                b.add(ord, name);
            runs = std::max(runs, b.runCount());
            b.finish(grams, postings);
        }
        return contentOf(grams) + '|' + contentOf(postings);
    };
    std::size_t once = 0, often = 0, every = 0;
    const std::string whole = gather(PostingsBuilder::kBudget, once);
    EXPECT_EQ(once, 0u);
    EXPECT_EQ(gather(4096, often), whole);
    EXPECT_GT(often, 10u);
    EXPECT_EQ(gather(0, every), whole); // a run after every name
    EXPECT_EQ(every, 3000u);
    EXPECT_GT(whole.size(), 100000u);
}

} // namespace
