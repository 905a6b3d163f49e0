// The window's keys beyond its buttons (shortcuts, undo and redo, the folder tree's arrows, Tab),
// opening a found file, a dark palette and the folder the Open dialog remembers.
#include "window_helpers.h"

#include <QClipboard>
#include <QMenu>
#include <QPalette>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

using namespace kxtest;

namespace {

class Keys : public ::testing::Test {
protected:
    void SetUp() override {
        w = makeWindow();
        path = writeList(dir, "disk.kx");
        openThroughDialog(w, path);
        ASSERT_NE(w->root(), nullptr); // rows: A, C, a.txt, b.txt
        w->activateWindow();
        QApplication::setActiveWindow(w.form.get());
    }
    const kx::Entry* node(const char* text) { return nodeNamed(*w.form, text); }
    QStringList rows() { return rowCaptions(*w.form); }
    void key(int k, Qt::KeyboardModifiers mods = {}) {
        QApplication::setActiveWindow(w.form.get()); // a job's progress window may have had it
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : w->lvInfo,
                        Qt::Key(k), mods);
        finishJobs(w);
    }
    void scriptMask(const QString& text) { kxtest::scriptMask(*w.dialogs, text); }

    QTemporaryDir dir;
    QString path;
    Window w;
};

// Each key does what its button or command does, seen from what the button's command leaves.
TEST_F(Keys, ShortcutsDoWhatTheirCommandsDo) {
    const QString exported = dir.filePath("out.txt");
    int aboutShown = 0;
    const struct {
        const char* what;
        int key;
        Qt::KeyboardModifiers mods;
        std::function<void()> before;
        std::function<bool()> done;
    } cases[] = {
        {"Ctrl+O: the Open dialog", Qt::Key_O, Qt::ControlModifier, [] {},
         [&] { return w.dialogs->openDialogs == 2; }},
        {"Ctrl+E: the export", Qt::Key_E, Qt::ControlModifier,
         [&] { w.dialogs->saveFiles = {exported}; },
         [&] { return QFileInfo(exported).size() > 0; }},
        {"Ctrl+P: the print", Qt::Key_P, Qt::ControlModifier, [] {},
         [&] { return w.dialogs->printed.size() == 1; }},
        {"Ctrl+C: the selected rows' full paths", Qt::Key_C, Qt::ControlModifier,
         [&] {
             clickRow(*w.form, 0);
             clickRow(*w.form, 3, Qt::ControlModifier);
         },
         [&] { return QApplication::clipboard()->text() == "\\A\n\\b.txt"; }},
        {"Ctrl+S: the save", Qt::Key_S, Qt::ControlModifier, [&] { w->spbtNeed->click(); },
         [&] {
             return !w->listModified() &&
                    kx::Document::open(path.toStdString())->root()->children()[0]->mark() == 1;
         }},
        {"Ctrl+F1: the about window (F1 is the command window)", Qt::Key_F1, Qt::ControlModifier,
         [&] {
             w.dialogs->dialogScripts.push_back([&](QDialog&) {
                 ++aboutShown;
                 return int(QDialog::Rejected);
             });
         },
         [&] { return aboutShown == 1; }},
        {"Ctrl+F: the search", Qt::Key_F, Qt::ControlModifier, [&] { scriptMask("x.t"); },
         [&] { return w->searchMode() && rows() == QStringList({"A\\B\\x.txt"}); }},
        {"F3: the same search again",
         Qt::Key_F3,
         {},
         [&] { clickNode(*w.form, node("C")); },
         [&] { return w->searchMode() && rows() == QStringList({"A\\B\\x.txt"}); }},
        {"Ctrl+Q: the close question, cancelled", Qt::Key_Q, Qt::ControlModifier,
         [&] {
             clickRow(*w.form, 0);
             w->spbtUnmark->click();
         },
         [&] { return w.dialogs->questions.size() == 1 && w->isVisible(); }},
    };
    for (const auto& c : cases) {
        c.before();
        key(c.key, c.mods);
        EXPECT_TRUE(c.done()) << c.what;
    }
    // The keys add no item to any menu of the window.
    EXPECT_EQ(w->PopupMenu->actions().size(), 4);
}

// F3 before any search asks for the mask, as the search button does.
TEST_F(Keys, SearchAgainFirstAsksForTheMask) {
    scriptMask("a.t");
    key(Qt::Key_F3);
    EXPECT_TRUE(w->searchMode());
    EXPECT_EQ(rows(), QStringList({"a.txt"}));
    EXPECT_TRUE(w.dialogs->dialogScripts.empty());
}

// While a job runs no key starts anything: not the undo of the document being printed from, not
// a dialog, not a close.
TEST_F(Keys, NoKeyActsWhileAJobRuns) {
    clickRow(*w.form, 2);
    w->spbtNeed->click(); // a.txt needed
    std::atomic<bool> tried{false};
    w.dialogs->onPrintedLine = [&](qsizetype) {
        for (int i = 0; i < 500 && !tried; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
    QTimer poke;
    QObject::connect(&poke, &QTimer::timeout, [&] {
        if (!w->busy() || tried) return;
        for (QAction* a : w->actions())
            if (!a->shortcuts().isEmpty()) a->trigger();
        tried = true;
    });
    poke.start(0);
    w->spbtPrint->click();
    finishJobs(w);
    poke.stop();
    ASSERT_TRUE(tried);
    EXPECT_EQ(w->rowEntries()[2]->mark(), 1);
    EXPECT_EQ(w.dialogs->openDialogs, 1);
    EXPECT_TRUE(w.dialogs->questions.empty());
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w.dialogs->printed.size(), 1u);
}

// Enter opens the folder of the selected row also with Shift or Ctrl held.
TEST_F(Keys, ShiftAndCtrlEnterActAsEnter) {
    const Qt::KeyboardModifiers held[] = {Qt::ShiftModifier, Qt::ControlModifier,
                                          Qt::ShiftModifier | Qt::ControlModifier};
    for (const Qt::KeyboardModifiers mods : held) {
        SCOPED_TRACE(int(mods));
        for (const Qt::Key k : {Qt::Key_Return, Qt::Key_Enter}) {
            clickRow(*w.form, 0); // A
            QTest::keyClick(w->lvInfo, k, mods);
            EXPECT_EQ(rows(), QStringList({"..", "B", "y.txt"}));
            clickRow(*w.form, 0); // ..
            QTest::keyClick(w->lvInfo, k, mods);
            EXPECT_EQ(rows(), QStringList({"A", "C", "a.txt", "b.txt"}));
        }
    }
}

TEST_F(Keys, UndoAndRedoOfASubtreeMarkAndAComment) {
    kx::Entry* a = w->rowEntries()[0];
    kx::Entry* x = a->children()[0]->children()[0];
    clickRow(*w.form, 0);
    w->spbtNeed->click(); // A with B and x.txt: one step
    clickRow(*w.form, 2);
    w.dialogs->dialogScripts.push_back([](QDialog& d) {
        auto& form = static_cast<kx::TCommentForm&>(d);
        form.redComment->setPlainText("note");
        form.btOkClick();
        return d.result();
    });
    w->spbtCommentClick();
    const auto state = [&] {
        return std::to_string(a->mark()) + std::to_string(x->mark()) +
               std::to_string(a->markCount()) + std::string(w->rowEntries()[2]->comment()) +
               (w->listModified() ? " modified" : "");
    };
    EXPECT_EQ(state(), "113note modified");
    const struct {
        int key;
        Qt::KeyboardModifiers mods;
        const char* state;
    } cases[] = {
        {Qt::Key_Z, Qt::ControlModifier, "113 modified"},
        {Qt::Key_Z, Qt::ControlModifier, "000"},
        {Qt::Key_Z, Qt::ControlModifier, "000"},
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, "113 modified"},
        {Qt::Key_Y, Qt::ControlModifier, "113note modified"},
        {Qt::Key_Y, Qt::ControlModifier, "113note modified"},
    };
    for (const auto& c : cases) {
        key(c.key, c.mods);
        EXPECT_EQ(state(), c.state) << c.key;
    }
    // The rows show what undo put back.
    key(Qt::Key_Z, Qt::ControlModifier);
    const auto comment = [&](int row) {
        return w->model()->data(w->model()->index(row, 5), Qt::DisplayRole).toString();
    };
    EXPECT_EQ(comment(2), comment(3));

    // Another list starts with no history.
    w.dialogs->answers = {kx::UserDialogs::Answer::No};
    openThroughDialog(w, writeList(dir, "other.kx"));
    clickRow(*w.form, 2);
    w->spbtNeed->click();
    key(Qt::Key_Z, Qt::ControlModifier);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(w->document()->canUndo());
    EXPECT_FALSE(w->listModified());
}

TEST_F(Keys, ArrowsInTheTreeShowFoldersAndRecordThem) {
    w->tvTreeOfFile->setFocus();
    key(Qt::Key_Down);
    EXPECT_EQ(w->currentNode(), node("A"));
    EXPECT_EQ(rows(), QStringList({"..", "B", "y.txt"}));
    key(Qt::Key_Right); // opens the node: no move
    EXPECT_EQ(w->currentNode(), node("A"));
    key(Qt::Key_Down);
    EXPECT_EQ(w->currentNode(), node("B"));
    EXPECT_EQ(rows(), QStringList({"..", "x.txt"}));
    EXPECT_EQ(backStackTexts(*w.form), QStringList({"disk.kx", "A"}));
    EXPECT_TRUE(w->tvTreeOfFile->hasFocus());

    w->spbtBack->click();
    EXPECT_EQ(w->currentNode(), node("A"));
    EXPECT_EQ(rows().value(w->firstSelectedRow()), "B");
    key(Qt::Key_Up); // back on the root's node
    EXPECT_EQ(w->currentNode(), w->rootNode());
    EXPECT_EQ(rows(), QStringList({"A", "C", "a.txt", "b.txt"}));
}

TEST_F(Keys, TabReachesThePanesBeforeTheToolbar) {
    // The window's own chain, from the window round to it again.
    QList<QWidget*> chain;
    for (QWidget* f = w->nextInFocusChain(); f != w.form.get(); f = f->nextInFocusChain())
        if (f->focusPolicy() & Qt::TabFocus) chain << f;
    EXPECT_EQ(chain.mid(0, 4),
              QList<QWidget*>({w->tvTreeOfFile, w->lvInfo, w->spbtOpen, w->spbtBack}));
    EXPECT_EQ(chain.size(), 15);

    w->tvTreeOfFile->setFocus();
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w->lvInfo);
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w->spbtOpen);
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), w->lvInfo);
}

// A found file opens its folder (shown for the first time, so regrouped) with the file selected;
// Back shows the results again.
TEST(FoundFile, OpensItsFolderWithTheFileSelected) {
    QTemporaryDir dir;
    Window w = makeWindow();
    openThroughDialog(
        w, writeList(dir, "p.kx",
                     folder("C:\\", {folder("P", {file("f.txt"), folder("Q"), file("g.txt")})})));
    w->activateWindow();
    QApplication::setActiveWindow(w.form.get());
    scriptMask(*w.dialogs, ".txt");
    w->spbtSearch->click();
    finishJobs(w);
    ASSERT_EQ(rowCaptions(*w.form), QStringList({"P\\f.txt", "P\\g.txt"}));

    const std::function<void()> opens[] = {
        [&] { doubleClickRow(*w.form, 0); },
        [&] {
            clickRow(*w.form, 0);
            QTest::keyClick(w->lvInfo, Qt::Key_Return);
        },
    };
    for (const auto& open : opens) {
        open();
        EXPECT_FALSE(w->searchMode());
        EXPECT_EQ(rowCaptions(*w.form), QStringList({"..", "Q", "f.txt", "g.txt"}));
        EXPECT_EQ(rowCaptions(*w.form).value(w->firstSelectedRow()), "f.txt");
        EXPECT_EQ(w->lvInfo->currentIndex().row(), 2);
        EXPECT_EQ(w->currentNode(), nodeNamed(*w.form, "P"));
        EXPECT_EQ(w->selectedNode(), nodeNamed(*w.form, "P"));

        w->spbtBack->click();
        EXPECT_TRUE(w->searchMode());
        EXPECT_EQ(rowCaptions(*w.form), QStringList({"P\\f.txt", "P\\g.txt"}));
        EXPECT_EQ(w->firstSelectedRow(), 0);
    }
    EXPECT_EQ(backStackTexts(*w.form), QStringList({"p.kx", "P"}));
}

// The list follows a dark palette; the marked rows keep their colours with readable text.
TEST(Palette, ADarkPaletteIsFollowed) {
    const QPalette before = QApplication::palette();
    QTemporaryDir dir;
    Window w = makeWindow();
    openThroughDialog(w, writeList(dir, "d.kx"));
    clickRow(*w.form, 2);
    w->spbtNeed->click(); // a.txt needed, b.txt plain
    const auto colour = [&](int row, Qt::ItemDataRole role) {
        return w->model()->data(w->model()->index(row, 1), role).value<QColor>();
    };
    EXPECT_EQ(w->lvInfo->palette().color(QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(colour(3, Qt::ForegroundRole), QColor(Qt::black));

    QPalette dark = before;
    dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Text, QColor(0xE8, 0xE8, 0xE8));
    QApplication::setPalette(dark);
    QApplication::processEvents(); // the change reaches the widgets as posted events
    EXPECT_EQ(w->lvInfo->palette().color(QPalette::Base), QColor(0x20, 0x20, 0x20));
    EXPECT_EQ(colour(3, Qt::ForegroundRole), QColor(0xE8, 0xE8, 0xE8));
    EXPECT_EQ(colour(2, Qt::BackgroundRole), QColor(0xC9, 0xF9, 0xCC));
    EXPECT_GE(kx::contrastRatio(colour(2, Qt::ForegroundRole).rgb() & 0xFFFFFF, 0xC9F9CC), 4.5);

    QApplication::setPalette(before);
    QApplication::processEvents();
    EXPECT_EQ(w->lvInfo->palette().color(QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(colour(3, Qt::ForegroundRole), QColor(Qt::black));
}

// The Open dialog starts where a list was last chosen, also in a new window without a list.
TEST(OpenDialog, StartsInTheFolderLastChosen) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("lists");
    const QString list = writeList(dir, "lists/disk.kx");
    Window first = makeWindow();
    openThroughDialog(first, list);
    Window second = makeWindow();
    second->spbtOpenClick(second->spbtOpen);
    EXPECT_EQ(second.dialogs->openDirs, std::vector<QString>{QFileInfo(list).absolutePath()});
}

} // namespace
