// Moving between folders with real clicks and keys: tree clicks, double-click and Enter, Back,
// Forward, Up, the history hints and the rows selected after each move.
#include "window_helpers.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace kxtest;

namespace {

class Navigation : public ::testing::Test {
protected:
    void SetUp() override {
        w = makeWindow();
        openThroughDialog(w, writeList(dir, "disk.kx"));
        ASSERT_NE(w->root(), nullptr);
        w->activateWindow();
        QApplication::setActiveWindow(w.form.get());
    }
    const kx::Entry* node(const char* text) { return nodeNamed(*w.form, text); }
    QStringList rows() { return rowCaptions(*w.form); }
    int selected() { return w->firstSelectedRow(); }
    QString backHint() { return w->spbtBack->toolTip(); }
    QString forwardHint() { return w->spbtForward->toolTip(); }

    QTemporaryDir dir;
    Window w;
};

TEST_F(Navigation, TreeClicksBackAndForward) {
    clickNode(*w.form, node("A"));
    EXPECT_EQ(rows(), QStringList({"..", "B", "y.txt"}));
    EXPECT_EQ(selected(), -1);
    clickNode(*w.form, node("B"));
    EXPECT_EQ(rows(), QStringList({"..", "x.txt"}));
    EXPECT_EQ(backStackTexts(*w.form), QStringList({"disk.kx", "A"}));
    EXPECT_EQ(backHint(), "A");
    EXPECT_FALSE(w->history().canForward());
    // The shown folder's node again: nothing but its picture changes.
    clickNode(*w.form, node("B"));
    EXPECT_EQ(backStackTexts(*w.form).size(), 2);
    EXPECT_EQ(w->folderModel()->selectedImage(node("B")), kx::imageOpenFolder);

    w->spbtBack->click();
    EXPECT_EQ(w->currentNode(), node("A"));
    EXPECT_EQ(rows().value(selected()), "B");
    EXPECT_EQ(backHint(), "disk.kx");
    EXPECT_EQ(forwardHint(), "B");
    w->spbtBack->click();
    EXPECT_EQ(rows().value(selected()), "A");
    EXPECT_EQ(backHint(), w->tables().hint(kx::ui::Hint::back));
    EXPECT_EQ(forwardHint(), "A");
    w->spbtBack->click(); // empty back stack: nothing
    EXPECT_EQ(w->currentNode(), w->rootNode());

    w->spbtForward->click();
    EXPECT_EQ(w->currentNode(), node("A"));
    EXPECT_EQ(w->selectedNode(), node("A"));
    EXPECT_EQ(rows().value(selected()), "B"); // first real row: the root's name is no row here
    EXPECT_EQ(forwardHint(), "B");
    EXPECT_EQ(backStackTexts(*w.form), QStringList({"disk.kx"}));
}

TEST_F(Navigation, TreeClickOnTheRootRecordsEveryFolderLeft) {
    clickNode(*w.form, node("A"));
    clickNode(*w.form, w->rootNode());
    clickNode(*w.form, node("A"));
    EXPECT_EQ(backStackTexts(*w.form), QStringList({"disk.kx", "A", "disk.kx"}));
}

TEST_F(Navigation, DoubleClickEnterAndUp) {
    doubleClickRow(*w.form, 0); // A, from the root folder: the root is recorded too
    EXPECT_EQ(w->currentNode(), node("A"));
    EXPECT_EQ(w->selectedNode(), node("A"));
    EXPECT_TRUE(nodeExpanded(*w.form, node("A")));
    EXPECT_EQ(selected(), 1);
    EXPECT_EQ(w->lvInfo->currentIndex().row(), 1);
    EXPECT_EQ(backStackTexts(*w.form), QStringList({"disk.kx"}));

    QTest::keyClick(w->lvInfo, Qt::Key_Return); // B
    EXPECT_EQ(rows(), QStringList({"..", "x.txt"}));
    w->spbtUp->click();
    EXPECT_EQ(w->currentNode(), node("A"));
    EXPECT_EQ(rows().value(selected()), "B");
    EXPECT_EQ(backStackTexts(*w.form), QStringList({"disk.kx", "A", "B"}));
    EXPECT_FALSE(nodeExpanded(*w.form, node("B")));

    // A file row changes nothing but the node's picture.
    clickRow(*w.form, 2);
    QTest::keyClick(w->lvInfo, Qt::Key_Enter);
    EXPECT_EQ(w->currentNode(), node("A"));
    EXPECT_EQ(w->folderModel()->selectedImage(node("A")), kx::imageOpenFolder);

    // The ".." row goes up, selects the folder just left and collapses its node.
    doubleClickRow(*w.form, 0);
    EXPECT_EQ(w->currentNode(), w->rootNode());
    EXPECT_EQ(rows().value(selected()), "A");
    EXPECT_FALSE(nodeExpanded(*w.form, node("A")));

    // An empty folder's ".." row leads up too.
    clickNode(*w.form, node("C"));
    doubleClickRow(*w.form, 0);
    EXPECT_EQ(w->currentNode(), w->rootNode());
    EXPECT_EQ(rows().value(selected()), "C");

    const auto before = backStackTexts(*w.form);
    w->spbtUpClick(); // the root has no parent
    EXPECT_EQ(backStackTexts(*w.form), before);
}

// Up into a folder never shown before selects the folder left in the order the list then shows.
TEST(NavigationRegroup, UpIntoAFolderNeverShown) {
    QTemporaryDir dir;
    Window w = makeWindow();
    openThroughDialog(
        w, writeList(dir, "p.kx", folder("C:\\", {folder("P", {file("f.txt"), folder("Q")})})));
    w->tvTreeOfFile->expand(w->folderModel()->indexOf(nodeNamed(*w.form, "P")));
    clickNode(*w.form, nodeNamed(*w.form, "Q"));
    w->spbtUp->click();
    EXPECT_EQ(rowCaptions(*w.form), QStringList({"..", "Q", "f.txt"}));
    EXPECT_EQ(rowCaptions(*w.form).value(w->firstSelectedRow()), "Q");
}

TEST_F(Navigation, ForwardHintFollowsTheSelectedRow) {
    doubleClickRow(*w.form, 0); // into A: rows .., B, y.txt
    const struct {
        int row;
        QString hint;
    } cases[] = {{1, "B"}, {2, w->tables().hint(kx::ui::Hint::forward)}, {0, "disk.kx"}};
    for (const auto& c : cases) {
        clickRow(*w.form, c.row);
        EXPECT_EQ(forwardHint(), c.hint) << c.row;
    }
    w->spbtForwardClick(); // empty forward stack: nothing, whatever the hint says
    EXPECT_EQ(w->currentNode(), node("A"));

    // Open, then Cancel in the file dialog: the forward history is reset, and the hint with it.
    clickRow(*w.form, 0);
    ASSERT_EQ(forwardHint(), "disk.kx");
    w->spbtOpenClick(w->spbtOpen);
    EXPECT_EQ(forwardHint(), "");
}

TEST_F(Navigation, OpenThenCancelRecordsOnceAndSelectsTheRootNode) {
    clickNode(*w.form, node("A"));
    w->spbtOpenClick(w->spbtOpen); // the scripted dialog cancels
    EXPECT_EQ(backStackTexts(*w.form), QStringList({"disk.kx", "A"}));
    EXPECT_EQ(w->selectedNode(), w->rootNode());
    EXPECT_EQ(w->currentNode(), node("A"));
    EXPECT_EQ(rows(), QStringList({"..", "B", "y.txt"}));
    // With the root node selected the list's rows still belong to A.
    doubleClickRow(*w.form, 1);
    EXPECT_EQ(w->currentNode(), node("B"));
    w->spbtBack->click();
    w->spbtOpenClick(w->spbtOpen);
    w->spbtOpenClick(w->spbtOpen);
    EXPECT_EQ(w->currentNode(), w->rootNode());
    EXPECT_EQ(rows(), QStringList({"A", "C", "a.txt", "b.txt"}));
    EXPECT_EQ(backStackTexts(*w.form), QStringList({"disk.kx", "A"}));
}

// A right or a middle click on a folder node opens nothing and records nothing; a left click does.
TEST_F(Navigation, OnlyALeftClickOpensAFolderNode) {
    for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        SCOPED_TRACE(int(button));
        clickNode(*w.form, node("A"), button);
        EXPECT_EQ(w->currentNode(), w->rootNode());
        EXPECT_EQ(rows(), QStringList({"A", "C", "a.txt", "b.txt"}));
        EXPECT_FALSE(w->history().canBack());
    }
    clickNode(*w.form, node("A"));
    EXPECT_EQ(w->currentNode(), node("A"));
    EXPECT_EQ(rows(), QStringList({"..", "B", "y.txt"}));
    EXPECT_EQ(backStackTexts(*w.form), QStringList({"disk.kx"}));
}

TEST_F(Navigation, KeyboardShortcuts) {
    clickNode(*w.form, node("A"));
    QTest::keyClick(w->lvInfo, Qt::Key_Backspace);
    EXPECT_EQ(w->currentNode(), w->rootNode());
    QTest::keyClick(w->lvInfo, Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(w->currentNode(), node("A"));
    QTest::keyClick(w->lvInfo, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(w->currentNode(), w->rootNode());
    QTest::keyClick(w->lvInfo, Qt::Key_Right, Qt::AltModifier);
    QTest::keyClick(w->lvInfo, Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(w->currentNode(), w->rootNode());
    EXPECT_EQ(rows().value(selected()), "A");
}

TEST_F(Navigation, SearchResultsAndTheFolderOpenedFromThem) {
    clickNode(*w.form, node("A"));
    scriptMask(*w.dialogs, "b");
    w->spbtSearch->click();
    finishJobs(w);
    ASSERT_TRUE(w->searchMode());
    EXPECT_EQ(rows(), QStringList({"A\\B", "b.txt"}));

    // Back and Up show the results again and reselect the row last opened.
    doubleClickRow(*w.form, 1); // a file: its folder is shown, a move from A
    EXPECT_EQ(w->currentNode(), w->rootNode());
    w->spbtBack->click();
    EXPECT_EQ(rows(), QStringList({"A\\B", "b.txt"}));
    EXPECT_EQ(selected(), 1);

    doubleClickRow(*w.form, 0);
    EXPECT_FALSE(w->searchMode());
    EXPECT_EQ(rows(), QStringList({"..", "x.txt"}));
    EXPECT_EQ(w->selectedNode(), node("B"));
    EXPECT_EQ(w->currentNode(), w->rootNode()); // a found folder leaves the current one
    w->spbtBack->click();
    EXPECT_EQ(w->currentNode(), node("A"));
    EXPECT_EQ(forwardHint(), "disk.kx");
}

// The row last opened from search results is kept when another list is opened.
TEST_F(Navigation, TheSearchRowIsKeptAcrossLists) {
    scriptMask(*w.dialogs, "b");
    w->spbtSearch->click();
    finishJobs(w);
    ASSERT_EQ(rows(), QStringList({"A\\B", "b.txt"}));
    doubleClickRow(*w.form, 1);
    ASSERT_EQ(w->searchRowIndex(), 1);
    openThroughDialog(w, writeList(dir, "other.kx"));
    ASSERT_EQ(w->listFilePath(), dir.filePath("other.kx"));
    EXPECT_EQ(w->searchRowIndex(), 1);
}

} // namespace
