// Totals over Entries: the rows of a summary below a folder and over a selection.
#include "query/summary.h"

#include "common/treebuilder.h"

#include <gtest/gtest.h>

#include <vector>

namespace kx {
namespace {

using kxtest::TreeBuilder;

struct Row {
    std::uint64_t entries, bytes;
    bool operator==(const Row& o) const { return entries == o.entries && bytes == o.bytes; }
};

std::ostream& operator<<(std::ostream& os, const Row& r) {
    return os << r.entries << " entries, " << r.bytes << " bytes";
}

Row row(const Tally& t) {
    return {t.entries, t.bytes};
}

// root "C:\" (mark 1, a comment: never counted) >
//   Docs (D, stored size 7000, mark 1, comment "keep") >
//     a.txt (F 100, mark 1), b.txt (F 250, mark 2, damaged, crossed out 1),
//     Old (D, mark 2, crossed out 2) > c.bin (F 4000, mark 9, comment "x")
//   top.iso (F 1000, damaged)
//   empty (F 0, comment "nothing")
//   other kind (kind 'Z', 30 bytes): a file for the totals
struct Fixture {
    TreeBuilder t{"C:\\"};
    Entry* docs;
    Entry* old;
    Fixture() {
        kxtest::EntryEdit(t.root()).mark(1).comment("root");
        docs = t.folder(t.root(), "Docs").size(7000).mark(1).comment("keep");
        t.file(docs, "a.txt", 100).mark(1);
        t.file(docs, "b.txt", 250).mark(2).attributes(damaged).crossedOut(1);
        old = t.folder(docs, "Old").mark(2).crossedOut(2);
        t.file(old, "c.bin", 4000).mark(9).comment("x");
        t.file(t.root(), "top.iso", 1000).attributes(damaged | readOnly);
        t.file(t.root(), "empty", 0).comment("nothing");
        t.add(t.root(), "other kind", 'Z').size(30);
    }
};

TEST(Summary, RowsBelowAFolder) {
    Fixture x;
    struct Case {
        const char* what;
        const Entry* folder;
        Row all, folders, files, required, useless, unmarked, commented, damaged, crossedOut;
    } cases[] = {
        {"the root",
         x.t.root(),
         {8, 5380},
         {2, 0},
         {6, 5380},
         {2, 100},
         {2, 250},
         {3, 1030},
         {3, 4000},
         {2, 1250},
         {2, 250}},
        {"a folder, itself not counted",
         x.docs,
         {4, 4350},
         {1, 0},
         {3, 4350},
         {1, 100},
         {2, 250},
         {0, 0},
         {1, 4000},
         {1, 250},
         {2, 250}},
        {"a folder with one file",
         x.old,
         {1, 4000},
         {0, 0},
         {1, 4000},
         {0, 0},
         {0, 0},
         {0, 0},
         {1, 4000},
         {0, 0},
         {0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Summary s = summarizeBelow(c.folder);
        EXPECT_EQ(row(s.all), c.all);
        EXPECT_EQ(row(s.folders), c.folders);
        EXPECT_EQ(row(s.files), c.files);
        EXPECT_EQ(row(s.required), c.required);
        EXPECT_EQ(row(s.useless), c.useless);
        EXPECT_EQ(row(s.unmarked), c.unmarked);
        EXPECT_EQ(row(s.commented), c.commented);
        EXPECT_EQ(row(s.damaged), c.damaged);
        EXPECT_EQ(row(s.crossedOut), c.crossedOut);
    }
    EXPECT_EQ(row(summarizeBelow(nullptr).all), (Row{0, 0}));
}

// A selection counts the Entries listed, nothing below them; the whole list of Entries below a
// folder gives that folder's summary.
TEST(Summary, SelectionCountsOnlyTheListedEntries) {
    Fixture x;
    const Summary picked = summarize(std::vector<Entry*>{x.docs, x.t.root()->children()[1]});
    EXPECT_EQ(row(picked.all), (Row{2, 1000}));
    EXPECT_EQ(row(picked.folders), (Row{1, 0}));
    EXPECT_EQ(row(picked.required), (Row{1, 0}));
    EXPECT_EQ(row(picked.damaged), (Row{1, 1000}));
    EXPECT_EQ(row(summarize(std::vector<const Entry*>{}).all), (Row{0, 0}));

    std::vector<const Entry*> below;
    walkBelow(x.t.root(), [&below](const Entry* e) {
        below.push_back(e);
        return true;
    });
    const Summary listed = summarize(below), walked = summarizeBelow(x.t.root());
    EXPECT_EQ(row(listed.all), row(walked.all));
    EXPECT_EQ(row(listed.commented), row(walked.commented));
    EXPECT_EQ(row(listed.crossedOut), row(walked.crossedOut));
}

// A selection with its subtrees: a folder counts with everything below it, and an Entry below
// another one selected (search results may hold both) is not counted twice.
TEST(Summary, SelectionWithSubtreesCountsEachEntryOnce) {
    Fixture x;
    Entry* top = x.t.root()->children()[1]; // top.iso
    const struct {
        const char* what;
        std::vector<const Entry*> picked;
        Row all, files, useless;
    } cases[] = {
        {"a folder and a file", {x.docs, top}, {6, 5350}, {4, 5350}, {2, 250}},
        {"a folder and its own subfolder", {x.old, x.docs}, {5, 4350}, {3, 4350}, {2, 250}},
        {"a file twice", {top, top}, {1, 1000}, {1, 1000}, {0, 0}},
        {"nothing", {}, {0, 0}, {0, 0}, {0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Summary s = summarizeWithin(c.picked);
        EXPECT_EQ(row(s.all), c.all);
        EXPECT_EQ(row(s.files), c.files);
        EXPECT_EQ(row(s.useless), c.useless);
    }
}

TEST(Summary, ByteSumsStopAtTheLargestCount) {
    TreeBuilder t;
    t.file(t.root(), "huge", UINT64_MAX - 5);
    t.file(t.root(), "more", 10).mark(1);
    const Summary s = summarizeBelow(t.root());
    EXPECT_EQ(row(s.all), (Row{2, UINT64_MAX}));
    EXPECT_EQ(row(s.unmarked), (Row{1, UINT64_MAX - 5}));
    EXPECT_EQ(row(s.required), (Row{1, 10}));
}

} // namespace
} // namespace kx
