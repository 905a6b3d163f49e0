// Folders before files as a shown folder and the search results take it: the same pass over a
// folder's children and over a list of rows (InnerList's test holds the plain cases).
#include "query/foldersfirst.h"

#include "common/treebuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kx {
namespace {

std::string names(const std::vector<Entry*>& list) {
    std::string out;
    for (const Entry* e : list)
        out += (out.empty() ? "" : " ") + std::string(e->name());
    return out;
}

TEST(FoldersFirst, FolderAndRowsAlike) {
    const struct {
        std::vector<std::string> names; // each Entry's kind is its name's first letter
        const char* expected;
    } cases[] = {
        {{"F1", "D1", "F2", "D2"}, "D1 D2 F2 F1"},
        {{"D2", "F1", "D1"}, "D2 D1 F1"},
        {{"F1", "X1", "D1"}, "D1 X1 F1"}, // another kind is neither: it is passed over
        {{"X1", "D1"}, "X1 D1"},
    };
    for (const auto& c : cases) {
        kxtest::TreeBuilder t;
        for (const std::string& name : c.names)
            t.add(t.root(), name, name[0]);
        const ChildList children = t.root()->children();
        std::vector<Entry*> rows(children.begin(), children.end());
        foldersFirst(rows);
        regroupFolder(t.root());
        EXPECT_EQ(names(rows), c.expected);
        EXPECT_EQ(names({children.begin(), children.end()}), c.expected);
    }
    regroupFolder(nullptr); // nothing to do
}

} // namespace
} // namespace kx
