// The search by mask: matching, result paths and the folders-first order.
#include "query/search.h"

#include "listfile/codepage.h"

#include "common/treebuilder.h"
#include "values_helpers.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kx {
namespace {

using kxtest::ansi;
using kxtest::captions;
using kxtest::TreeBuilder;

TEST(Search, MaskTable) {
    TreeBuilder t{"C:\\doc\\"}; // the root matches "doc", but is never a result
    Entry* root = t.root();
    Entry* docs = t.add(root, "Docs", kFolder);
    t.add(docs, "Readme.DOC", kFile);
    Entry* deep = t.add(docs, "Deep", kFolder);
    t.add(deep, "notes.txt", kFile);
    t.add(root, "document.txt", kFile);
    t.add(root, ansi("ёлка.txt"), kFile);
    t.add(root, ansi("ЁЖ"), kFolder);
    t.add(root, "a?b", kFile);
    Entry* mix = t.add(root, "mix", kFolder);
    t.add(mix, "qf1", kFile);
    t.add(mix, "qd1", kFolder);
    t.add(mix, "qf2", kFile);
    t.add(mix, "qd2", kFolder);

    struct Case {
        std::string mask;
        std::vector<std::string> expected;
    } cases[] = {
        {"doc", {"Docs", "Docs\\Readme.DOC", "document.txt"}},
        {"*.txt", {"Docs\\Deep\\notes.txt", "document.txt", ansi("ёлка.txt")}},
        {"*", {}},
        {"", {}},
        {"a*b", {}}, // only a leading "*" goes; any other is literal and no name holds one
        {"**b", {}},
        {"A?B", {"a?b"}}, // "?" is no wildcard
        {"NOTES.TXT", {"Docs\\Deep\\notes.txt"}},
        {"q", {"mix\\qd1", "mix\\qd2", "mix\\qf2", "mix\\qf1"}}, // F1 D1 F2 D2 -> D1 D2 F2 F1
        {ansi("ЁЛ"), {ansi("ёлка.txt")}},
        {ansi("ёж"), {ansi("ЁЖ")}},
        {ansi("е"), {}}, // ё is its own letter, not е
        {"zzz", {}},
    };
    for (const auto& c : cases) {
        const SearchResults r = searchByMask(root, c.mask);
        EXPECT_EQ(r.base, "C:\\doc");
        EXPECT_EQ(captions(r), c.expected) << c.mask;
        for (std::size_t i = 0; i < r.entries.size(); ++i) {
            EXPECT_EQ(kx::resultPath(r, i), "C:\\doc\\" + c.expected[i]);
            const std::string p = kx::resultPath(r, i);
            EXPECT_EQ(p.substr(p.rfind('\\') + 1), r.entries[i]->name()); // entries follow paths
        }
    }
}

TEST(Search, BaseAndCaptions) {
    EXPECT_EQ(searchBase("C:\\"), "C:");
    EXPECT_EQ(searchBase("C:\\Work"), "C:\\Work");
    EXPECT_EQ(searchBase("\\\\"), "\\");
    EXPECT_EQ(searchBase(""), "");

    TreeBuilder t{""}; // a root name emptied by a save
    Entry* root = t.root();
    t.add(t.add(root, "a", kFolder), "ab", kFile);
    const SearchResults r = searchByMask(root, "a");
    ASSERT_EQ(r.entries.size(), 2u);
    EXPECT_EQ(kx::resultPath(r, 0), "\\a");
    EXPECT_EQ(kx::resultPath(r, 1), "\\a\\ab");
    EXPECT_EQ(captions(r), (std::vector<std::string>{"a", "a\\ab"}));
    EXPECT_EQ(resultCaption(r, 5), "");
    EXPECT_TRUE(searchByMask(nullptr, "a").entries.empty());
}

} // namespace
} // namespace kx
