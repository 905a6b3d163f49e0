// The comparison of two lists: Entries matched folder by folder by name, kind and rank among
// their namesakes, rows in the order of their captions.
#include "catalog/listdiff.h"
#include "common/fixtures.h"

#include <gtest/gtest.h>

#include <functional>

using namespace kxtest;

namespace {

std::string rowsOf(const kx::EntryTree& before, const kx::EntryTree& after) {
    std::string out;
    for (const auto& r : kx::catalog::diffLists(before.root(), after.root()))
        out += std::string(1, r.change) + ' ' + r.caption + ' ' + r.kind + '\n';
    return out;
}

TEST(ListDiff, NamesakesPairInOrderAndBackslashesAreNoSeparators) {
    using Fill = std::function<void(TreeBuilder&)>;
    struct Case {
        const char* what;
        Fill before, after;
        std::string rows;
    };
    const Case cases[] = {
        {"the second of two namesakes changed",
         [](TreeBuilder& t) {
             t.file(t.root(), "x", 1);
             t.file(t.root(), "x", 2);
         },
         [](TreeBuilder& t) {
             t.file(t.root(), "x", 1);
             t.file(t.root(), "x", 3);
         },
         "~ x F\n"},
        {"a third namesake came, a file of the name went",
         [](TreeBuilder& t) {
             t.file(t.root(), "x", 1);
             t.file(t.root(), "x", 2);
             t.file(t.root(), "y", 2);
         },
         [](TreeBuilder& t) {
             t.file(t.root(), "x", 1);
             t.file(t.root(), "x", 2);
             t.file(t.root(), "x", 2);
             t.folder(t.root(), "y");
         },
         "+ x F\n+ y D\n- y F\n"},
        {"two folders of one name, their files swapped",
         [](TreeBuilder& t) {
             t.file(t.folder(t.root(), "d"), "a");
             t.file(t.folder(t.root(), "d"), "b");
         },
         [](TreeBuilder& t) {
             t.file(t.folder(t.root(), "d"), "b");
             t.file(t.folder(t.root(), "d"), "a");
         },
         "- d\\a F\n+ d\\b F\n+ d\\a F\n- d\\b F\n"},
        {"a name holding a backslash beside the path it spells",
         [](TreeBuilder& t) {
             t.file(t.folder(t.root(), "a"), "b", 1);
             t.file(t.root(), "a\\b", 1);
         },
         [](TreeBuilder& t) {
             t.file(t.folder(t.root(), "a"), "b", 1);
             t.file(t.root(), "a\\b", 2);
         },
         "~ a\\b F\n"},
        {"the same, the other way round",
         [](TreeBuilder& t) {
             t.file(t.root(), "a\\b", 1);
             t.file(t.folder(t.root(), "a"), "b", 1);
         },
         [](TreeBuilder& t) {
             t.file(t.root(), "a\\b", 1);
             t.file(t.folder(t.root(), "a"), "b", 2);
         },
         "~ a\\b F\n"},
        {"rows sorted by caption bytes, a folder's rows among its neighbours'",
         [](TreeBuilder& t) {
             t.file(t.folder(t.root(), "a"), "x");
             t.file(t.root(), "a]");
             t.file(t.root(), "a b");
         },
         [](TreeBuilder&) {}, "- a D\n- a b F\n- a\\x F\n- a] F\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TreeBuilder before{"D:\\"}, after{"D:\\"};
        c.before(before);
        c.after(after);
        EXPECT_EQ(rowsOf(before.tree(), after.tree()), c.rows);
        EXPECT_EQ(rowsOf(before.tree(), before.tree()), "");
    }
}

} // namespace
