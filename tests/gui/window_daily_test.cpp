// What daily use asks of the window beyond its buttons: the command window over every command,
// the mark keys, and paths copied in the style of the list's root.
#include "window_helpers.h"

#include "browser/gui/commandwindow.h"
#include "browser/gui/filterform.h"
#include "browser/gui/summaryform.h"
#include "common/treebuilder.h"

#include <QAction>
#include <QClipboard>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace kxtest;

namespace {

class Daily : public ::testing::Test {
protected:
    void SetUp() override {
        w = makeWindow();
        openThroughDialog(w, writeList(dir, "disk.kx"));
        ASSERT_NE(w->root(), nullptr); // rows: A, C, a.txt, b.txt
        activate(w.form.get());
    }
    static void activate(QWidget* window) {
        window->activateWindow();
        QApplication::setActiveWindow(window);
    }
    // A key on a widget of the main window, as the user types it there.
    void key(QWidget* on, int k, Qt::KeyboardModifiers mods = {}) {
        activate(w.form.get());
        on->setFocus();
        QTest::keyClick(on, Qt::Key(k), mods);
        finishJobs(w);
    }
    kx::CommandWindow* openCommands(int k, Qt::KeyboardModifiers mods) {
        key(w->lvInfo, k, mods);
        kx::CommandWindow* c = w->commandWindow();
        EXPECT_TRUE(c->isVisible());
        activate(c);
        return c;
    }
    // The rows the command window shows: each command's name and keys.
    static QStringList shownRows(const kx::CommandWindow& c) {
        QStringList rows;
        for (int r = 0; r < c.commandList->topLevelItemCount(); ++r) {
            const QTreeWidgetItem* item = c.commandList->topLevelItem(r);
            if (!item->isHidden()) rows << item->text(0) + " | " + item->text(1);
        }
        return rows;
    }
    static QString rowOf(const QAction* a) {
        return a->text() + " | " + kx::CommandWindow::keysOf(*a);
    }
    std::vector<std::uint8_t> marks() {
        std::vector<std::uint8_t> m;
        for (const kx::Entry* e : w->rowEntries())
            m.push_back(e->mark());
        return m;
    }

    QTemporaryDir dir;
    Window w;
};

// Every command of the window has a name and is listed with its keys, in the order made; the
// filter keeps the commands whose name or keys hold every word typed, and Enter runs the first.
TEST_F(Daily, CommandWindowListsEveryCommandAndRunsTheChosenOne) {
    kx::CommandWindow* c = openCommands(Qt::Key_F1, {});
    QStringList all;
    for (const QAction* a : w->commands()) {
        EXPECT_FALSE(a->text().isEmpty()) << rowOf(a).toStdString();
        all << rowOf(a);
    }
    EXPECT_EQ(shownRows(*c), all);
    EXPECT_TRUE(all.contains(w->summaryAction->text() + " | Ctrl+I"));
    EXPECT_TRUE(all.contains(w->neededAction->text() + " | Ctrl+1"));
    EXPECT_TRUE(all.contains(w->commandsAction->text() + " | Ctrl+Shift+P, F1"));
    EXPECT_TRUE(all.contains(w->helpAction->text() + " | Ctrl+F1"));

    const struct {
        QString typed;
        QStringList rows;
        std::function<bool()> ran;
    } cases[] = {
        {w->summaryAction->text().toUpper(),
         {rowOf(w->summaryAction)},
         [&] { return w->summaryForm()->isVisible(); }},
        {"SHIFT+F ctrl", // words in any order, case ignored, in the keys too
         {rowOf(w->filteredSearchAction)},
         [&] { return w->filterForm()->isVisible(); }},
        {w->notneededAction->toolTip(), // the hint ("Mark as Useless") is found too
         {rowOf(w->notneededAction)},
         [] { return true; }},
        {"no such command", {}, [&] { return c->isVisible(); }}, // Enter runs nothing
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.typed.toStdString());
        c = openCommands(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_TRUE(c->filterEdit->text().isEmpty());
        c->filterEdit->setText(k.typed); // as typed (the test's keys are ASCII only)
        EXPECT_EQ(shownRows(*c), k.rows);
        QTest::keyClick(c->filterEdit, Qt::Key_Return);
        finishJobs(w);
        EXPECT_TRUE(k.ran());
        EXPECT_EQ(c->isVisible(), k.rows.isEmpty());
    }
    // Down moves the choice from the filter; a command that is off is listed greyed and never runs.
    c = openCommands(Qt::Key_F1, {});
    QTest::keyClicks(c->filterEdit, "ctrl");
    const QString first = c->commandList->currentItem()->text(0);
    QTest::keyClick(c->filterEdit, Qt::Key_Down);
    EXPECT_NE(c->commandList->currentItem()->text(0), first);
    c->hide();
    w->neededAction->setEnabled(false);
    clickRow(*w.form, 2);
    c = openCommands(Qt::Key_F1, {});
    QTest::keyClicks(c->filterEdit, "ctrl+1");
    EXPECT_EQ(shownRows(*c), QStringList{rowOf(w->neededAction)});
    EXPECT_TRUE(
        c->commandList->topLevelItem(int(w->commands().indexOf(w->neededAction)))->isDisabled());
    QTest::keyClick(c->filterEdit, Qt::Key_Return);
    EXPECT_TRUE(c->isVisible());
    EXPECT_EQ(w->rowEntries()[2]->mark(), 0);
}

// Ctrl+1, Ctrl+2 and Ctrl+0 do what Required, Useless and Clear do, and the menu shows them;
// a letter or digit alone stays the list's type-ahead.
TEST_F(Daily, MarkKeysActOnTheSelectedRowsOrTheTreesFolder) {
    clickRow(*w.form, 2); // a.txt
    clickRow(*w.form, 3, Qt::ControlModifier);
    const struct {
        int key;
        std::vector<std::uint8_t> marks;
    } cases[] = {
        {Qt::Key_1, {0, 0, 1, 1}},
        {Qt::Key_2, {0, 0, 2, 2}},
        {Qt::Key_0, {0, 0, 0, 0}},
        {Qt::Key_1, {0, 0, 1, 1}},
    };
    for (const auto& c : cases) {
        key(w->lvInfo, c.key, Qt::ControlModifier);
        EXPECT_EQ(marks(), c.marks) << c.key;
    }
    for (const auto& [item, action] :
         {std::pair{w->N1, w->neededAction}, {w->N2, w->notneededAction}, {w->N8, w->clearAction}})
        EXPECT_EQ(item->shortcut(), action->shortcut());
    key(w->lvInfo, Qt::Key_B);
    EXPECT_EQ(w->lvInfo->currentIndex().row(), 3); // b.txt by type-ahead
    key(w->lvInfo, Qt::Key_1);
    EXPECT_EQ(marks(), (std::vector<std::uint8_t>{0, 0, 1, 1}));

    // In the folder tree the key marks the folder selected there, with all below it; the root
    // is no row and is never marked.
    const kx::Entry* a = nodeNamed(*w.form, "A");
    clickNode(*w.form, a); // A's rows: .., B, y.txt
    key(w->tvTreeOfFile, Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(a->mark(), 1);
    EXPECT_EQ(marks(), (std::vector<std::uint8_t>{1, 1}));
    // A button keeps to the rows while the tree has the focus.
    clickRow(*w.form, 2); // y.txt
    w->tvTreeOfFile->setFocus();
    w->spbtNeed->click();
    EXPECT_EQ(a->mark(), 1);
    EXPECT_EQ(marks(), (std::vector<std::uint8_t>{1, 0}));
    clickNode(*w.form, w->root());
    key(w->tvTreeOfFile, Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(w->root()->mark(), 0);
    EXPECT_EQ(a->mark(), 1);
}

// Ctrl+C copies whole paths a shell takes: "/" below a POSIX root, in a folder and in results.
TEST_F(Daily, CopiedPathsFollowTheRootsStyle) {
    TreeBuilder t{"/home/me/disks/usbA"};
    t.file(t.folder(t.root(), "My Music"), "Song.mp3", 10);
    const QString list = dir.filePath("usbA.kx");
    writeListFile(list.toStdString(), t.tree(), true);
    openThroughDialog(w, list);
    clickRow(*w.form, 0);
    key(w->lvInfo, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "/home/me/disks/usbA/My Music");
    scriptMask(*w.dialogs, "song");
    w->spbtSearch->click();
    finishJobs(w);
    clickRow(*w.form, 0);
    key(w->lvInfo, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "/home/me/disks/usbA/My Music/Song.mp3");
}

} // namespace
