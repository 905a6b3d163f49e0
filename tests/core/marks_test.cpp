// Mark commands, ancestor counts, row mapping and the drawing roles of marked rows.
#include "browser/marks.h"

#include "common/treebuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace kx {
namespace {

using kxtest::TreeBuilder;

// root "C:\" > top > folder F (files a, b); counts start at 0 except where a test sets them.
struct Fixture {
    TreeBuilder t{"C:\\"};
    Entry* root = t.root();
    Entry* top = t.add(root, "top", kFolder);
    Entry* f = t.add(top, "F", kFolder);
    Entry* a = t.add(f, "a", kFile);
    Entry* b = t.add(f, "b", kFile);
};

TEST(Marks, FileTables) {
    struct Case {
        MarkCommand cmd;
        std::uint8_t before, after;
        int countChange;
    } cases[] = {
        {MarkCommand::Needed, 0, 1, +1},    {MarkCommand::Needed, 1, 0, -1},
        {MarkCommand::Needed, 2, 1, 0},     {MarkCommand::Needed, 7, 7, 0},
        {MarkCommand::NotNeeded, 0, 2, +1}, {MarkCommand::NotNeeded, 1, 2, 0},
        {MarkCommand::NotNeeded, 2, 0, -1}, {MarkCommand::NotNeeded, 9, 9, 0},
        {MarkCommand::Clear, 0, 0, 0},      {MarkCommand::Clear, 1, 0, -1},
        {MarkCommand::Clear, 2, 0, -1},     {MarkCommand::Clear, 7, 0, -1},
    };
    for (const auto& c : cases) {
        Fixture x;
        x.root->setMarkCount(10);
        x.top->setMarkCount(5);
        x.f->setMarkCount(3);
        x.a->setMark(c.before);
        applyMark(x.a, c.cmd);
        const std::string what = std::to_string(int(c.cmd)) + " on " + std::to_string(c.before);
        EXPECT_EQ(x.a->mark(), c.after) << what;
        EXPECT_EQ(x.f->markCount(), 3 + c.countChange) << what;
        EXPECT_EQ(x.top->markCount(), 5 + c.countChange) << what;
        EXPECT_EQ(x.root->markCount(), 10 + c.countChange) << what;
        EXPECT_EQ(x.a->markCount(), 0) << what; // an entry's own count never moves
    }
}

TEST(Marks, FolderRules) {
    struct Case {
        MarkCommand cmd;
        std::uint8_t folderBefore, newValue;
        bool changes;
    } cases[] = {
        {MarkCommand::Needed, 0, 1, true},    {MarkCommand::Needed, 1, 0, true},
        {MarkCommand::Needed, 2, 1, true},    {MarkCommand::Needed, 5, 1, true},
        {MarkCommand::NotNeeded, 0, 2, true}, {MarkCommand::NotNeeded, 1, 2, true},
        {MarkCommand::NotNeeded, 2, 0, true}, {MarkCommand::NotNeeded, 5, 0, true},
        {MarkCommand::Clear, 0, 0, false},    {MarkCommand::Clear, 1, 0, true},
        {MarkCommand::Clear, 5, 0, true},
    };
    for (const auto& c : cases) {
        Fixture x;
        x.f->setMark(c.folderBefore);
        x.b->setMark(2); // a mark inside, whatever the folder's own
        applyMark(x.f, c.cmd);
        const std::string what =
            std::to_string(int(c.cmd)) + " on " + std::to_string(c.folderBefore);
        if (!c.changes) {
            EXPECT_EQ(x.f->mark(), c.folderBefore) << what;
            EXPECT_EQ(x.b->mark(), 2) << what;
            EXPECT_EQ(x.top->markCount(), 0) << what;
            continue;
        }
        for (Entry* e : {x.f, x.a, x.b})
            EXPECT_EQ(e->mark(), c.newValue) << what;
        // Count rule per entry: a went 0 -> v, b went 2 -> v, F went before -> v.
        auto change = [&](std::uint8_t from) {
            return (from == 0 && c.newValue != 0) ? 1 : (from != 0 && c.newValue == 0) ? -1 : 0;
        };
        const int inside = change(0) + change(2);
        EXPECT_EQ(x.f->markCount(), inside) << what;
        EXPECT_EQ(x.top->markCount(), inside + change(c.folderBefore)) << what;
    }
}

TEST(Marks, NeededTwiceAndNeededFolderWithMarkedFile) {
    Fixture x;
    applyMark(x.a, MarkCommand::Needed);
    EXPECT_EQ(x.top->markCount(), 1);
    applyMark(x.a, MarkCommand::Needed);
    EXPECT_EQ(x.a->mark(), 0);
    EXPECT_EQ(x.top->markCount(), 0);

    // F unmarked with a unmarked and b marked 2: all become 1, F rises by 1, its ancestors by 2.
    x.b->setMark(2);
    applyMark(x.f, MarkCommand::Needed);
    EXPECT_EQ(x.f->markCount(), 1);
    EXPECT_EQ(x.top->markCount(), 2);
    EXPECT_EQ(x.root->markCount(), 2);
    applyMark(x.f, MarkCommand::Needed); // marked 1: everything goes back to 0
    for (Entry* e : {x.f, x.a, x.b})
        EXPECT_EQ(e->mark(), 0);
    EXPECT_EQ(x.f->markCount(), -1); // b's mark was never counted in
    EXPECT_EQ(x.top->markCount(), -1);
}

TEST(Marks, AncestorWalkStopsAtEmptyName) {
    TreeBuilder t{""}; // a root name emptied by a save
    Entry* root = t.root();
    Entry* mid = t.add(root, "mid", kFolder);
    Entry* blank = t.add(mid, "", kFolder); // a hostile list
    Entry* low = t.add(blank, "low", kFolder);
    Entry* file = t.add(low, "file", kFile);
    raiseAncestorCounts(file);
    EXPECT_EQ(low->markCount(), 1);
    EXPECT_EQ(blank->markCount(), 0);
    EXPECT_EQ(mid->markCount(), 0);
    lowerAncestorCounts(low);
    EXPECT_EQ(low->markCount(), 1);
    EXPECT_EQ(blank->markCount(), 0);
    raiseAncestorCounts(blank);
    EXPECT_EQ(mid->markCount(), 1);
    EXPECT_EQ(root->markCount(), 0);
    raiseAncestorCounts(root); // no parent: nothing to do

    low->setMarkCount(INT32_MAX); // counts from a file are never validated: they wrap
    raiseAncestorCounts(file);
    EXPECT_EQ(low->markCount(), INT32_MIN);
}

// setSubtreeMark sums the counts bottom up; it must agree with walking every changed Entry's
// ancestors one by one, including empty names inside the subtree and values other than 0/1/2.
TEST(Marks, SubtreeMarkAgreesWithOneByOneWalk) {
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        TreeBuilder t1{"R"}, t2{"R"};
        std::vector<Entry*> e1{t1.root()}, e2{t2.root()};
        for (int i = 1; i < 300; ++i) {
            std::size_t parent = rng() % e1.size();
            while (!e1[parent]->isFolder())
                parent = rng() % e1.size();
            const char kind = rng() % 3 ? kFolder : kFile;
            const char* name = rng() % 15 ? "n" : "";
            const std::uint8_t mark = std::uint8_t(rng() % 4 == 3 ? 7 : rng() % 3);
            e1.push_back(t1.add(e1[parent], name, kind).mark(mark));
            e2.push_back(t2.add(e2[parent], name, kind).mark(mark));
        }
        std::size_t pick = rng() % e1.size();
        while (!e1[pick]->isFolder())
            pick = rng() % e1.size();
        const std::uint8_t value = std::uint8_t(rng() % 3);

        setSubtreeMark(e1[pick], value);
        // Reference: the plain rule, one Entry and one ancestor at a time.
        std::vector<Entry*> stack{e2[pick]};
        while (!stack.empty()) {
            Entry* e = stack.back();
            stack.pop_back();
            const std::uint8_t before = e->mark();
            e->setMark(value);
            if (before == 0 && value != 0) raiseAncestorCounts(e);
            if (before != 0 && value == 0) lowerAncestorCounts(e);
            for (Entry* c : e->children())
                stack.push_back(c);
        }
        for (std::size_t i = 0; i < e1.size(); ++i) {
            ASSERT_EQ(e1[i]->mark(), e2[i]->mark()) << round << " " << i;
            ASSERT_EQ(e1[i]->markCount(), e2[i]->markCount()) << round << " " << i;
        }
    }
}

TEST(Marks, RowMapping) {
    TreeBuilder t{"P"};
    Entry* p = t.root();
    std::vector<Entry*> rows;
    for (const char* n : {"r0", "r1", "r2", "r3", "r4"})
        rows.push_back(t.file(p, n));

    struct Case {
        bool hasUpRow, searchMode;
        int row;
        Entry* expected;
    } cases[] = {
        {true, false, 0, nullptr}, {true, false, 1, rows[0]},  {true, false, 5, rows[4]},
        {true, false, 6, nullptr}, {false, false, 0, rows[0]}, {false, false, 5, nullptr},
        {true, true, 0, rows[0]},  {true, true, 4, rows[4]},   {false, false, -1, nullptr},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rowEntry(rows, c.row, c.hasUpRow, c.searchMode), c.expected)
            << c.hasUpRow << c.searchMode << c.row;

    // Rows 5 and 2 (with row 3 not selected), unordered and repeated, with the ".." row.
    EXPECT_EQ(selectedEntries(rows, {5, 0, 2, 5}, true, false),
              (std::vector<Entry*>{rows[1], rows[4]}));
    EXPECT_EQ(selectedEntries(rows, {0}, true, false), std::vector<Entry*>{});
    EXPECT_EQ(selectedEntries(rows, {3, 0}, true, true), (std::vector<Entry*>{rows[0], rows[3]}));
    EXPECT_EQ(selectedEntries({}, {0, 1}, false, false), std::vector<Entry*>{});
}

TEST(Marks, DrawingRoles) {
    TreeBuilder t{"x", kFile};
    Entry* e = kxtest::EntryEdit(t.root()).mark(1).attributes(damaged).crossedOut(3);
    const Rgb green = 0xC9F9CC, grey = 0xDBD9D5, red = 0xFF0000, black = 0x000000;

    RowStyle name = nameCellStyle(e);
    EXPECT_FALSE(name.useDefaults);
    EXPECT_EQ(name.text, red);
    EXPECT_EQ(name.background, green);
    EXPECT_TRUE(name.strikeOut);
    RowStyle other = otherCellStyle(e);
    EXPECT_FALSE(other.useDefaults);
    EXPECT_EQ(other.text, black);
    EXPECT_EQ(other.background, green);
    EXPECT_FALSE(other.strikeOut);

    struct Case {
        std::uint8_t attributes, crossedOut, mark;
        Rgb text, background;
        bool strike;
    } cases[] = {
        {0, 0, 0, black, kNoColour, false},  {0, 0, 2, black, grey, false},
        {0, 0, 7, black, kNoColour, false},  {0x7F, 0, 0, black, kNoColour, false},
        {0x80, 0, 0, red, kNoColour, false}, {0, 1, 0, red, kNoColour, true},
    };
    for (const auto& c : cases) {
        e->patchRecord(rec::attributes, &c.attributes, 1);
        e->patchRecord(rec::crossedOut, &c.crossedOut, 1);
        e->setMark(c.mark);
        name = nameCellStyle(e);
        EXPECT_EQ(name.text, c.text) << int(c.attributes) << int(c.crossedOut) << int(c.mark);
        EXPECT_EQ(name.background, c.background) << int(c.mark);
        EXPECT_EQ(name.strikeOut, c.strike);
        EXPECT_EQ(otherCellStyle(e).background, c.background);
        EXPECT_EQ(otherCellStyle(e).text, black);
    }
    EXPECT_TRUE(nameCellStyle(nullptr).useDefaults);
    EXPECT_TRUE(otherCellStyle(nullptr).useDefaults);
}

// On a dark list the mark backgrounds stay and every text reads on what is behind it; plain rows
// take the list's own text colour.
TEST(Marks, DarkListColours) {
    const Rgb base = 0x2A2A2A, text = 0xEEEEEE, green = 0xC9F9CC, grey = 0xDBD9D5, red = 0xFF0000;
    EXPECT_TRUE(isDarkBackground(base));
    EXPECT_FALSE(isDarkBackground(0xFFFFFF));
    EXPECT_FALSE(isDarkBackground(green));
    EXPECT_DOUBLE_EQ(contrastRatio(0x000000, 0xFFFFFF), 21.0);
    EXPECT_EQ(readableOn(0x000000, green), 0x000000u); // already readable: kept

    const auto style = [](Rgb textColour, Rgb background) {
        RowStyle s;
        s.useDefaults = false;
        s.text = textColour;
        s.background = background;
        return s;
    };
    const struct {
        const char* what;
        RowStyle in;
        Rgb background; // where the text is drawn
        Rgb text;       // kNoColour: any readable colour
    } cases[] = {
        {"plain row", style(0x000000, kNoColour), base, text},
        {"damaged, no mark", style(red, kNoColour), base, kNoColour},
        {"needed", style(0x000000, green), green, 0x000000},
        {"useless", style(0x000000, grey), grey, 0x000000},
        {"damaged and needed", style(red, green), green, kNoColour},
        {"damaged and useless", style(red, grey), grey, kNoColour},
    };
    for (const auto& c : cases) {
        const RowStyle out = onDarkList(c.in, base, text);
        EXPECT_EQ(out.background, c.in.background) << c.what;
        if (c.text != kNoColour) {
            EXPECT_EQ(out.text, c.text) << c.what;
        }
        EXPECT_GE(contrastRatio(out.text, c.background), 4.5) << c.what;
        if (c.in.text == red) { // still a red
            EXPECT_GT((out.text >> 16) & 0xFF, (out.text >> 8) & 0xFF) << c.what;
            EXPECT_GT((out.text >> 16) & 0xFF, out.text & 0xFF) << c.what;
        }
    }
    RowStyle defaults;
    EXPECT_EQ(onDarkList(defaults, base, text).text, kNoColour); // the ".." row
}

} // namespace
} // namespace kx
