// The navigation rules without a window: what each action shows, selects and records.
#include "browser/navigator.h"

#include "common/treebuilder.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace kx {
namespace {

// C:\ holding Docs (Deep, a.txt), a second folder named Docs (z.txt), and b.txt.
class Nav : public ::testing::Test {
protected:
    Nav() {
        Entry* r = t.root();
        docs = t.folder(r, "Docs");
        deep = t.folder(docs, "Deep");
        t.file(docs, "a.txt");
        twin = t.folder(r, "Docs");
        t.file(twin, "z.txt");
        t.file(r, "b.txt");
        start = nav.start(r, QStringLiteral("disk.kx"));
    }
    QStringList rows() const {
        QStringList out;
        for (int r = 0; r < nav.rowCount(); ++r)
            out << nav.rowCaption(r);
        return out;
    }
    int rowOf(const Entry* e) const {
        for (int r = 0; r < nav.rowCount(); ++r)
            if (nav.entryAt(r) == e) return r;
        return -1;
    }
    kxtest::TreeBuilder t{"C:\\"};
    Entry *docs, *deep, *twin;
    Navigator nav;
    Move start;
};

TEST_F(Nav, StartShowsTheRootWithoutAnUpRow) {
    EXPECT_EQ(start.show, t.root());
    EXPECT_EQ(start.selectNode, t.root());
    EXPECT_EQ(start.expand, t.root());
    EXPECT_FALSE(nav.hasUpRow());
    EXPECT_EQ(rows(), QStringList({"Docs", "Docs", "b.txt"}));
    EXPECT_EQ(nav.nodeText(t.root()), "disk.kx");
    EXPECT_EQ(nav.backHint("none"), "none");
    EXPECT_EQ(nav.forwardHint(0, t.root(), "none"), "Docs");
    EXPECT_EQ(nav.forwardHint(2, t.root(), "none"), "none");
}

// Two sibling folders of one name: each row leads to its own folder, never to the first namesake.
TEST_F(Nav, SiblingsOfOneNameEachShowTheirOwnRows) {
    Move m = nav.activateRow(rowOf(twin), t.root());
    EXPECT_EQ(m.show, twin);
    EXPECT_EQ(m.selectNode, twin);
    EXPECT_EQ(nav.current(), twin);
    EXPECT_EQ(rows(), QStringList({"..", "z.txt"}));
    EXPECT_EQ(nav.entryAt(1)->name(), "z.txt");

    // The tree's second namesake, released on, shows its own rows too.
    nav.back(twin);
    m = nav.treeRelease(twin, twin);
    EXPECT_EQ(m.show, twin);
    EXPECT_EQ(rows(), QStringList({"..", "z.txt"}));

    // Up from it shows the root with the row of a folder of that name selected.
    m = nav.activateRow(0, twin);
    EXPECT_EQ(m.show, t.root());
    EXPECT_EQ(m.collapse, twin);
    EXPECT_EQ(nav.rowCaption(m.selectRow), "Docs");
}

TEST_F(Nav, BackForwardAndUpRecordAndSelect) {
    nav.activateRow(rowOf(docs), t.root()); // root -> Docs
    Move m = nav.activateRow(rowOf(deep), docs);
    EXPECT_EQ(m.show, deep);
    EXPECT_EQ(m.expand, deep);
    EXPECT_EQ(m.selectRow, 0); // only the ".." row: it is the first
    EXPECT_EQ(nav.history().backStack(), (std::vector<const Entry*>{t.root(), docs}));
    EXPECT_EQ(nav.backHint("none"), "Docs");

    m = nav.back(deep);
    EXPECT_EQ(m.show, docs);
    EXPECT_EQ(nav.rowCaption(m.selectRow), "Deep"); // the folder that was left
    EXPECT_EQ(nav.forwardHint(-1, docs, "none"), "Deep");
    m = nav.forward(docs);
    EXPECT_EQ(m.show, deep);
    EXPECT_FALSE(nav.history().canForward());

    m = nav.up(deep);
    EXPECT_EQ(m.show, docs);
    EXPECT_EQ(m.collapse, deep);
    EXPECT_EQ(nav.rowCaption(m.selectRow), "Deep");
    EXPECT_EQ(nav.current(), docs);
    // A file row moves nothing; the root has no parent to go up to.
    EXPECT_EQ(nav.activateRow(rowOf(t.root()->children()[0]->children()[1]), docs).show, nullptr);
    EXPECT_EQ(nav.up(t.root()).show, nullptr);
    // Back with an empty stack does nothing.
    Navigator fresh;
    EXPECT_EQ(fresh.back(nullptr).show, nullptr);
}

TEST_F(Nav, TreeReleaseMovesOnlyToANewlySelectedNode) {
    EXPECT_EQ(nav.treeRelease(t.root(), t.root()).show, nullptr); // the current node again
    EXPECT_EQ(nav.treeRelease(docs, t.root()).show, nullptr);     // not the selected node
    EXPECT_EQ(nav.treeRelease(docs, docs).show, docs);
    EXPECT_EQ(nav.treeClick(docs).openImage, docs);
}

TEST_F(Nav, SearchResultsAndTheirRows) {
    SearchResults found;
    found.entries = {twin, deep};
    found.base = "C:";
    Move m = nav.showSearch(found);
    EXPECT_TRUE(m.showResults);
    EXPECT_TRUE(nav.searchMode());
    EXPECT_EQ(nav.shown(), nullptr);
    EXPECT_EQ(rows(), QStringList({"Docs", "Docs\\Deep"}));

    // Back and Up in the search mode show the results again.
    EXPECT_TRUE(nav.back(t.root()).showResults);
    // A found folder opens, without entering the history.
    m = nav.activateRow(1, t.root());
    EXPECT_EQ(m.show, deep);
    EXPECT_EQ(m.selectNode, deep);
    EXPECT_FALSE(nav.searchMode());
    EXPECT_EQ(nav.searchRowIndex(), 1);
    EXPECT_FALSE(nav.history().canBack());
}

TEST_F(Nav, TreeKeyMovesAsAClickDoes) {
    Move m = nav.treeKey(docs);
    EXPECT_EQ(m.show, docs);
    EXPECT_EQ(m.openImage, docs);
    EXPECT_EQ(nav.history().backStack(), (std::vector<const Entry*>{t.root()}));
    EXPECT_EQ(nav.treeKey(docs).show, nullptr); // the shown folder again
    EXPECT_EQ(nav.back(docs).show, t.root());
}

// A found file shows its folder with the file's row, as a move; Back first returns to the
// results, with that row selected; any other move forgets them.
TEST_F(Nav, FoundFileShowsItsFolder) {
    Entry* a = docs->children()[1];
    Entry* z = twin->children()[0];
    nav.treeRelease(twin, twin);
    SearchResults found;
    found.entries = {z, a};
    found.base = "C:";
    nav.showSearch(found);
    Move m = nav.activateRow(1, twin);
    EXPECT_EQ(m.show, docs);
    EXPECT_EQ(m.selectNode, docs);
    EXPECT_EQ(m.selectRow, 2); // "..", Deep, a.txt
    EXPECT_TRUE(m.focusRow);
    EXPECT_FALSE(nav.searchMode());
    EXPECT_EQ(nav.current(), docs);
    EXPECT_EQ(nav.history().backStack(), (std::vector<const Entry*>{t.root(), twin}));
    EXPECT_EQ(nav.backHint("results"), "results");

    m = nav.back(docs);
    EXPECT_TRUE(m.showResults);
    EXPECT_TRUE(nav.searchMode());
    EXPECT_EQ(m.selectRow, 1);
    EXPECT_EQ(nav.history().backStack().size(), 2u);

    // From the file's folder, a move elsewhere leaves the results behind.
    nav.activateRow(1, twin);
    EXPECT_EQ(nav.up(docs).show, t.root());
    EXPECT_EQ(nav.back(t.root()).show, docs);
    EXPECT_FALSE(nav.searchMode());
}

// A folder shown for the first time is regrouped before the row to select is looked for: Up, the
// ".." row and a found file select the row the regrouped folder shows.
TEST(NavigatorRegroup, RowsAreFoundInTheOrderShown) {
    kxtest::TreeBuilder t{"C:\\"};
    Entry* p = t.folder(t.root(), "P");
    Entry* f = t.file(p, "f.txt");
    Entry* q = t.folder(p, "Q");
    Navigator nav;
    nav.setRegroup(
        [](const Entry* folder) { foldersFirst(const_cast<Entry*>(folder)->children()); });
    nav.start(t.root(), QStringLiteral("disk.kx"));
    // The rows of P once regrouped: "..", Q, f.txt.
    const auto selected = [&](const Move& m) {
        return std::to_string(m.selectRow) + " " + nav.rowCaption(m.selectRow).toStdString();
    };
    const auto asRead = [&] {
        Entry** kids = p->children().begin();
        kids[0] = f;
        kids[1] = q;
    };

    nav.treeRelease(q, q); // P itself never shown
    EXPECT_EQ(selected(nav.up(q)), "1 Q");
    asRead();
    nav.treeRelease(q, q);
    EXPECT_EQ(selected(nav.activateRow(0, q)), "1 Q");
    asRead();
    SearchResults found;
    found.entries = {f};
    found.base = "C:";
    nav.showSearch(found);
    EXPECT_EQ(selected(nav.activateRow(0, q)), "2 f.txt");
}

TEST(NavigatorPaths, FolderDiskPaths) {
    kxtest::TreeBuilder t{"D:\\"};
    Entry* a = t.folder(t.root(), "Photos");
    Entry* b = t.folder(a, "2024");
    EXPECT_EQ(folderDiskPath(t.root()), "D:\\");
    EXPECT_EQ(folderDiskPath(b), "D:\\Photos\\2024\\");
    kxtest::TreeBuilder cleared{""}; // a root name emptied by a save
    EXPECT_EQ(folderDiskPath(cleared.folder(cleared.root(), "x")), "\\x\\");
}

} // namespace
} // namespace kx
