// Folders before files: one pass of exchanges, in a folder's children and in a list of rows.
#include "query/foldersfirst.h"

#include "common/treebuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kx {
namespace {

// The names of the children, one Entry made per name: its kind is the name's first letter.
std::string regrouped(const std::vector<std::string>& names, bool asRows) {
    kxtest::TreeBuilder t;
    for (const std::string& name : names)
        t.add(t.root(), name, name[0]);
    std::vector<Entry*> rows(t.root()->children().begin(), t.root()->children().end());
    if (asRows)
        foldersFirst(rows);
    else
        regroupFolder(t.root());
    std::string out;
    for (const Entry* e :
         asRows ? rows
                : std::vector<Entry*>(t.root()->children().begin(), t.root()->children().end()))
        out += (out.empty() ? "" : " ") + std::string(e->name());
    return out;
}

TEST(FoldersFirst, OnePassOfExchanges) {
    const struct {
        std::vector<std::string> names;
        const char* expected;
    } cases[] = {
        {{"F1", "D1", "F2", "D2"}, "D1 D2 F2 F1"},
        {{"F1", "F2", "F3", "D1"}, "D1 F2 F3 F1"},
        {{"D1", "F1", "D2"}, "D1 D2 F1"},
        {{"F1", "F2"}, "F1 F2"},
        {{"D2", "D1"}, "D2 D1"},
        {{"F1", "X1", "D1"}, "D1 X1 F1"}, // another kind is neither: it is passed over
        {{"X1", "D1"}, "X1 D1"},
        {{}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(regrouped(c.names, false), c.expected) << c.expected;
        EXPECT_EQ(regrouped(c.names, true), c.expected) << c.expected;
    }
    regroupFolder(nullptr);
}

} // namespace
} // namespace kx
