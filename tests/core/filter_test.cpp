// Entry filters and the filtered search: which Entries pass, the results' order, and the plain
// search as the case without conditions.
#include "query/filter.h"

#include "listfile/codepage.h"
#include "listfile/innerlist.h"

#include "common/treebuilder.h"
#include "values_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace kx {
namespace {

using kxtest::ansi;
using kxtest::captions;
using kxtest::TreeBuilder;

// root "C:\" >
//   mix (D, mark 1, comment "Keep all") > qf1 (F 10, mark 1), qd1 (D), qf2 (F 300, damaged),
//                                          qd2 (D, mark 1)
//   big (D, stored size 5000)
//   report.doc (F 100, comment "draft, KEEP")
//   old.bin (F 0, mark 2, damaged, crossed out)
//   Ёлка (F 2048, mark 7, comment "ёлки-палки")
struct Fixture {
    TreeBuilder t{"C:\\"};
    Fixture() {
        Entry* mix = t.folder(t.root(), "mix").mark(1).comment("Keep all");
        t.file(mix, "qf1", 10).mark(1);
        t.folder(mix, "qd1");
        t.file(mix, "qf2", 300).attributes(damaged);
        t.folder(mix, "qd2").mark(1);
        t.folder(t.root(), "big").size(5000);
        t.file(t.root(), "report.doc", 100).comment("draft, KEEP");
        t.file(t.root(), "old.bin", 0).mark(2).attributes(damaged | archive).crossedOut(1);
        t.file(t.root(), ansi("Ёлка"), 2048).mark(7).comment(ansi("ёлки-палки"));
    }
};

// Every Entry below root, in pre-order.
std::vector<const Entry*> allBelow(const Entry* root) {
    std::vector<const Entry*> all;
    walkBelow(root, [&all](const Entry* e) {
        all.push_back(e);
        return true;
    });
    return all;
}

TEST(Filter, ConditionsTable) {
    Fixture x;
    auto f = [](std::string mask) {
        EntryFilter filter;
        filter.mask = std::move(mask);
        return filter;
    };
    auto mark = [&f](std::string mask, std::uint8_t m) {
        EntryFilter filter = f(std::move(mask));
        filter.mark = m;
        return filter;
    };
    auto sizes = [](std::optional<std::uint64_t> lo, std::optional<std::uint64_t> hi) {
        EntryFilter filter;
        filter.minSize = lo;
        filter.maxSize = hi;
        return filter;
    };
    EntryFilter inComments = f("keep");
    inComments.inComments = true;
    EntryFilter commented;
    commented.commentedOnly = true;
    EntryFilter damagedStar = f("*");
    damagedStar.damagedOnly = true;
    EntryFilter cyrillicComment = f(ansi("ЁЛКИ"));
    cyrillicComment.inComments = true;
    EntryFilter allConditions = mark("q", 0);
    allConditions.damagedOnly = true;
    allConditions.minSize = 300;
    allConditions.maxSize = 300;
    EntryFilter commentedMask = f("o");
    commentedMask.commentedOnly = true;

    struct Case {
        const char* what;
        EntryFilter filter;
        std::vector<std::string> expected;
    } cases[] = {
        {"an empty mask alone finds nothing", f(""), {}},
        {"inComments alone widens nothing",
         [&] {
             EntryFilter e = f("");
             e.inComments = true;
             return e;
         }(),
         {}},
        // F1 D1 F2 D2 gives D1 D2 F2 F1, as in the plain search.
        {"mark 1, folders to the front", mark("", 1), {"mix", "mix\\qd2", "mix\\qf1"}},
        {"mark 0", mark("", 0), {"mix\\qd1", "big", "mix\\qf2", "report.doc"}},
        {"a stored mark other than 0, 1, 2", mark("", 7), {ansi("Ёлка")}},
        {"mark and mask", mark("Q", 1), {"mix\\qd2", "mix\\qf1"}},
        {"names only", f("keep"), {}},
        {"names or comments, case folded", inComments, {"mix", "report.doc"}},
        {"a Cyrillic comment, case folded", cyrillicComment, {ansi("Ёлка")}},
        {"commented", commented, {"mix", "report.doc", ansi("Ёлка")}},
        {"commented and a name mask", commentedMask, {"report.doc"}},
        {"damaged with the mask \"*\"", damagedStar, {"mix\\qf2", "old.bin"}},
        {"at least 100 bytes: files only",
         sizes(100, {}),
         {"mix\\qf2", "report.doc", ansi("Ёлка")}},
        {"at most 0 bytes: files only", sizes({}, 0), {"old.bin"}},
        {"both bounds inclusive", sizes(10, 100), {"mix\\qf1", "report.doc"}},
        {"bounds that cross", sizes(300, 299), {}},
        {"every condition at once", allConditions, {"mix\\qf2"}},
    };
    const std::vector<const Entry*> all = allBelow(x.t.root());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const SearchResults r = searchFiltered(x.t.root(), c.filter);
        EXPECT_EQ(r.base, "C:");
        EXPECT_EQ(captions(r), c.expected);
        // One Entry at a time gives the same set, except that without conditions an empty mask
        // passes everything there (a CSV export of the whole list) and finds nothing here.
        if (!c.filter.hasConditions() && searchwalk::withoutLeadingStar(c.filter.mask).empty())
            continue;
        for (const Entry* e : all) {
            const bool found = std::find(r.entries.begin(), r.entries.end(), e) != r.entries.end();
            EXPECT_EQ(passes(c.filter, *e), found) << e->name();
        }
    }
}

// Without conditions the filtered search is the plain search: the same Entries in the same order.
TEST(Filter, WithoutConditionsItIsThePlainSearch) {
    Fixture x;
    for (const std::string& mask :
         {std::string("q"), std::string("*.doc"), std::string(""), std::string("*"),
          std::string("a*b"), ansi("ёлка"), std::string("I")}) {
        SCOPED_TRACE(mask);
        EntryFilter filter;
        filter.mask = mask;
        const SearchResults plain = searchByMask(x.t.root(), mask);
        const SearchResults filtered = searchFiltered(x.t.root(), filter);
        EXPECT_EQ(filtered.entries, plain.entries);
        EXPECT_EQ(filtered.base, plain.base);
    }
    EntryFilter any;
    any.damagedOnly = true;
    EXPECT_TRUE(searchFiltered(nullptr, any).entries.empty());
}

// Sizes that are not whole byte counts, as a list may store them, compare by their exact value.
TEST(Filter, SizeBoundsCompareTheStoredValueExactly) {
    const std::uint64_t top = std::uint64_t(1) << 63;
    struct Case {
        const char* what;
        std::string size; // the ten stored bytes
        std::optional<std::uint64_t> minSize, maxSize;
        bool passes;
    } cases[] = {
        {"100.5 >= 100", kxtest::extendedBytes(false, 201, -1), 100, {}, true},
        {"100.5 <= 100", kxtest::extendedBytes(false, 201, -1), {}, 100, false},
        {"100.5 >= 101", kxtest::extendedBytes(false, 201, -1), 101, {}, false},
        {"100.5 <= 101", kxtest::extendedBytes(false, 201, -1), {}, 101, true},
        {"-5 <= 10", kxtest::extendedBytes(true, 5, 0), {}, 10, true},
        {"-5 >= 0", kxtest::extendedBytes(true, 5, 0), 0, {}, false},
        {"-0 within 0..0", kxtest::extendedBytes(true, 0, 0), 0, 0, true},
        {"smallest denormal <= 0", kxtest::extendedBits(1, 0), {}, 0, false},
        {"smallest denormal >= 0", kxtest::extendedBits(1, 0), 0, {}, true},
        {"2^70 >= 2^64 - 1", kxtest::extendedBytes(false, 1, 70), UINT64_MAX, {}, true},
        {"2^64 - 1 within its own bounds", kxtest::extendedBytes(false, UINT64_MAX, 0), UINT64_MAX,
         UINT64_MAX, true},
        {"+infinity >= 2^64 - 1", kxtest::extendedBits(top, 0x7FFF), UINT64_MAX, {}, true},
        {"+infinity <= 2^64 - 1", kxtest::extendedBits(top, 0x7FFF), {}, UINT64_MAX, false},
        {"-infinity <= 0", kxtest::extendedBits(top, 0xFFFF), {}, 0, true},
        {"NaN >= 0", kxtest::extendedBits(top | 1, 0x7FFF), 0, {}, false},
        {"NaN <= 2^64 - 1", kxtest::extendedBits(top | 1, 0x7FFF), {}, UINT64_MAX, false},
    };
    // The sizes are put into the records of an inner list, which is then read as a list is.
    TreeBuilder t{"C:\\"};
    for (std::size_t i = 0; i < std::size(cases); ++i)
        t.file(t.root(), "f" + std::to_string(i));
    std::string bytes = kxtest::innerList(t.tree());
    for (std::size_t i = 0; i < std::size(cases); ++i)
        bytes.replace(kHeaderSize + (i + 1) * kRecordSize + rec::size, rec::sizeSize,
                      cases[i].size);
    MemorySource src(bytes.data(), bytes.size());
    const auto tree = readInnerList(src);
    ASSERT_EQ(tree->root()->children().size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        EntryFilter filter;
        filter.minSize = c.minSize;
        filter.maxSize = c.maxSize;
        EXPECT_EQ(passes(filter, *tree->root()->children()[i]), c.passes) << c.what;
    }
}

// A glob matches the whole name, "*" any run (none included) and "?" exactly one character of the
// code page, case folded by the code page as the plain search folds it.
TEST(Filter, GlobMatchesTheWholeName) {
    struct Case {
        std::string glob, name;
        bool matches;
    } cases[] = {
        {"movie*.mkv", "Movie 2001.MKV", true},
        {"movie*.mkv", "movie.mkv", true},
        {"movie*.mkv", "old movie.mkv", false},  // the start is anchored
        {"movie*.mkv", "movie.mkv.part", false}, // and so is the end
        {"?.txt", "a.txt", true},
        {"?.txt", ".txt", false}, // "?" is one character, not none
        {"?.txt", "ab.txt", false},
        {"*", "", true},
        {"*", "anything at all", true},
        {"a*b*c", "AxxBxxC", true},
        {"a*b*c", "abcb", false}, // the last "c" must end the name
        {"a*b*c", "acb", false},
        {"*a*a*a*a*b", std::string(60, 'a'), false}, // no match, however many returns to "*"
        {"??", "\xE0\xE1", true},                    // Cyrillic letters are one byte each
        {ansi("ФОТО*"), ansi("фотоальбом"), true},
        {ansi("*ёлк?"), ansi("Ёлка"), true},
        {"abc", "abcd", false}, // no match past the end of the mask
        {"abcd", "abc", false}, // nor past the end of the name
        {"", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.glob + " / " + c.name);
        EXPECT_EQ(searchwalk::MaskMatcher(c.glob, true).matches(c.name), c.matches);
    }

    // In the filtered search: the same order as any search, comments matched whole too.
    Fixture x;
    EntryFilter glob;
    glob.glob = true;
    glob.mask = "q?*";
    EXPECT_EQ(captions(searchFiltered(x.t.root(), glob)),
              (std::vector<std::string>{"mix\\qd1", "mix\\qd2", "mix\\qf2", "mix\\qf1"}));
    glob.mask = "*.doc";
    EXPECT_EQ(captions(searchFiltered(x.t.root(), glob)), std::vector<std::string>{"report.doc"});
    glob.mask = "draft*";
    glob.inComments = true;
    EXPECT_EQ(captions(searchFiltered(x.t.root(), glob)), std::vector<std::string>{"report.doc"});
    glob.mask = "";
    glob.inComments = false;
    EXPECT_TRUE(searchFiltered(x.t.root(), glob).entries.empty());
}

} // namespace
} // namespace kx
