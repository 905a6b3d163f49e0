// Marks, comments, the context menu, search, export, print and about as the window wires them.
#include "window_helpers.h"

#include "listfile/codepage.h"
#include "support/gui/aboutform.h"
#include "support/gui/progress.h"

#include <QFont>
#include <QLabel>
#include <QMenu>
#include <QTest>

#include <optional>

#include <gtest/gtest.h>

using namespace kxtest;
using kx::ui::Msg;

namespace {

Node markedTree() {
    Node damaged = file("bad.bin", 10, kx::damaged);
    damaged.crossedOut = 1;
    return folder("C:\\", {file("a.txt", 100), folder("A", {file("y.txt")}), damaged});
}

class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        w = makeWindow();
        path = writeList(dir, "disk.kx", markedTree());
        openThroughDialog(w, path);
        ASSERT_NE(w->root(), nullptr); // rows: A, a.txt, bad.bin
        w->activateWindow();
        QApplication::setActiveWindow(w.form.get());
    }
    QString msg(Msg row) { return w->tables().message(row); }
    QVariant cell(int row, int col, int role) {
        return w->model()->data(w->model()->index(row, col), role);
    }
    void scriptMask(const QString& text) { kxtest::scriptMask(*w.dialogs, text); }
    void scriptComment(const QString& text) {
        w.dialogs->dialogScripts.push_back([text](QDialog& d) {
            auto& form = static_cast<kx::TCommentForm&>(d);
            form.redComment->setPlainText(text);
            form.btOkClick();
            return d.result();
        });
    }

    QTemporaryDir dir;
    QString path;
    Window w;
};

TEST_F(Commands, ContextMenuOffersCommandsOnlyOverOrdinaryRows) {
    const auto visible = [&] {
        int n = 0;
        for (QAction* a : w->PopupMenu->actions())
            n += a->isVisible();
        return n;
    };
    // No row selected: a message and no commands.
    EXPECT_FALSE(w->lvInfoContextPopup());
    EXPECT_EQ(w.dialogs->lastMessage(), msg(Msg::nothingSelected));
    EXPECT_EQ(visible(), 0);
    EXPECT_FALSE(w->listModified());

    doubleClickRow(*w.form, 0); // into A: the ".." row leads
    clickRow(*w.form, 0);
    EXPECT_FALSE(w->lvInfoContextPopup());
    EXPECT_EQ(visible(), 0);
    EXPECT_FALSE(w->listModified());

    // An ordinary row: four commands, and the list counts as changed at once.
    clickRow(*w.form, 1);
    const QPoint at = w->lvInfo->visualRect(w->model()->index(1, 0)).center();
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, w->lvInfo->viewport()->mapToGlobal(at));
    QApplication::sendEvent(w->lvInfo->viewport(), &menu);
    EXPECT_EQ(w.dialogs->popups, 1);
    EXPECT_EQ(visible(), 4);
    EXPECT_TRUE(w->listModified());
}

TEST_F(Commands, MarksReachTheEntriesAndTheirColours) {
    clickRow(*w.form, 1);
    clickRow(*w.form, 2, Qt::ControlModifier); // a.txt and bad.bin
    w->spbtNeed->click();
    const auto& rows = w->rowEntries();
    EXPECT_EQ(rows[1]->mark(), 1);
    EXPECT_EQ(rows[2]->mark(), 1);
    EXPECT_EQ(rows[0]->mark(), 0);
    EXPECT_EQ(rows[0]->markCount(), 0);
    EXPECT_TRUE(w->listModified());

    // Name cell red and struck through for the crossed-out, damaged file; other cells plain.
    EXPECT_EQ(cell(2, 0, Qt::BackgroundRole).value<QColor>(), QColor(0xC9, 0xF9, 0xCC));
    EXPECT_EQ(cell(2, 0, Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    EXPECT_TRUE(cell(2, 0, Qt::FontRole).value<QFont>().strikeOut());
    EXPECT_EQ(cell(2, 3, Qt::ForegroundRole).value<QColor>(), QColor(Qt::black));
    EXPECT_FALSE(cell(2, 3, Qt::FontRole).isValid());
    EXPECT_EQ(cell(2, 3, Qt::BackgroundRole).value<QColor>(), QColor(0xC9, 0xF9, 0xCC));

    clickRow(*w.form, 1);
    w->spbtNotNeed->click();
    EXPECT_EQ(rows[1]->mark(), 2);
    EXPECT_EQ(cell(1, 4, Qt::BackgroundRole).value<QColor>(), QColor(0xDB, 0xD9, 0xD5));
    w->spbtUnmark->click();
    EXPECT_EQ(rows[1]->mark(), 0);
    EXPECT_FALSE(cell(1, 4, Qt::BackgroundRole).isValid());
}

TEST_F(Commands, CommentRefusalsAndStoring) {
    w->spbtCommentClick();
    EXPECT_EQ(w.dialogs->lastMessage(), msg(Msg::selectToComment));
    clickRow(*w.form, 0);
    clickRow(*w.form, 1, Qt::ControlModifier);
    w->spbtCommentClick();
    EXPECT_EQ(w.dialogs->lastMessage(), msg(Msg::selectedMoreThanOne));

    clickRow(*w.form, 1);
    scriptComment("две\r\nстроки");
    w->commentAction->trigger();
    EXPECT_EQ(kx::fromAnsi(w->rowEntries()[1]->comment()), "две строки");
    EXPECT_EQ(cell(1, 5, Qt::DisplayRole).toString(), "две строки");
    EXPECT_TRUE(w->listModified());

    // A cancelled window changes nothing.
    w.dialogs->dialogScripts.push_back([](QDialog&) { return int(QDialog::Rejected); });
    w->spbtCommentClick();
    EXPECT_EQ(cell(1, 5, Qt::DisplayRole).toString(), "две строки");
}

// The editor holds a no-break space as a plain space in its plain text; Apply must not let that
// (or any other way the editor holds a character) change bytes the user left alone.
TEST(Comments, ApplyKeepsStoredBytesAndOnlyFoldsLineBreaks) {
    const struct {
        const char* what;
        std::string stored;
        QString typed;
        std::string kept;
    } cases[] = {
        {"no-break space", "x\xA0y", "", "x\xA0y"},
        {"controls and the byte with no letter", "\x98\x01\tx\x7F", "", "\x98\x01\tx\x7F"},
        {"spaces around", "  x  \xA0", "", "  x  \xA0"},
        {"line breaks fold", "x\r\ny\r\n", "", "x y"},
        {"typed after a no-break space", "x\xA0y", "z", "x\xA0yz"},
    };
    std::vector<Node> files;
    for (const auto& c : cases) {
        files.push_back(file(std::to_string(files.size()) + ".txt"));
        files.back().comment = c.stored;
    }
    QTemporaryDir dir;
    Window w = makeWindow();
    openThroughDialog(w, writeList(dir, "c.kx", folder("C:\\", files)));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        clickRow(*w.form, int(i));
        w.dialogs->dialogScripts.push_back([&](QDialog& d) {
            auto& form = static_cast<kx::TCommentForm&>(d);
            QTest::keyClicks(form.redComment, c.typed);
            form.btOkClick();
            return d.result();
        });
        w->spbtCommentClick();
        EXPECT_EQ(w->rowEntries()[i]->comment(), c.kept) << c.what;
    }
}

TEST_F(Commands, SearchRowsTakeMarksAndComments) {
    w->spbtSearch->click(); // the mask window is cancelled
    EXPECT_FALSE(w->searchMode());
    EXPECT_EQ(rowCaptions(*w.form).size(), 3);

    scriptMask("Y.T");
    w->spbtSearch->click();
    // While the search runs its panel shows its line, and the window takes no command.
    const kx::ui::TOpenSaveForm* panel = w->busyPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->ProgressPanel->text(), w->tables().caption(kx::ui::Cap::searchingData));
    EXPECT_TRUE(w->busy());
    EXPECT_FALSE(w->isEnabled());
    EXPECT_FALSE(w->spbtSearch->isEnabled());
    finishJobs(w);
    EXPECT_EQ(w->busyPanel(), nullptr);
    EXPECT_TRUE(w->spbtSearch->isEnabled());
    ASSERT_TRUE(w->searchMode());
    EXPECT_EQ(rowCaptions(*w.form), QStringList({"A\\y.txt"}));
    clickRow(*w.form, 0);
    w->N1Click();
    scriptComment("found");
    w->spbtCommentClick();
    kx::Entry* y = w->root()->children()[0]->children()[0];
    EXPECT_EQ(y->mark(), 1);
    EXPECT_EQ(y->comment(), "found");
    EXPECT_EQ(w->root()->children()[0]->markCount(), 1);
    EXPECT_EQ(cell(0, 0, Qt::BackgroundRole).value<QColor>(), QColor(0xC9, 0xF9, 0xCC));

    scriptMask("nothing like it");
    w->spbtSearch->click();
    finishJobs(w);
    EXPECT_EQ(w->model()->rowCount(), 0);

    Window empty = makeWindow();
    empty->spbtSearchClick();
    EXPECT_EQ(empty.dialogs->lastMessage(), empty->tables().message(Msg::listEmpty));
}

TEST(Search, AMaskWithACharacterTheListCannotHoldFindsNothing) {
    QTemporaryDir dir;
    Window w = makeWindow();
    openThroughDialog(w, writeList(dir, "q.kx", folder("C:\\", {file("a?b.txt"), file("ab.txt")})));
    const struct {
        const char* mask;
        QStringList rows;
    } cases[] = {
        {"A?B", {"a?b.txt"}},
        {"a\u4E2Db", {}}, // not "a?b"
        {"\u4E2D", {}},
        {"*\u263A", {}},
    };
    for (const auto& c : cases) {
        w.dialogs->dialogScripts.push_back([&](QDialog& d) {
            auto& mask = static_cast<kx::TMaskForm&>(d);
            mask.ledMask->setText(QString::fromUtf8(c.mask));
            mask.FindBitBtn->click();
            return d.result();
        });
        w->spbtSearch->click();
        finishJobs(w);
        EXPECT_TRUE(w->searchMode()) << c.mask;
        EXPECT_EQ(rowCaptions(*w.form), c.rows) << c.mask;
    }
}

TEST_F(Commands, ExportWritesTheFileAndReportsFailures) {
    const QString target = dir.filePath("out");
    w.dialogs->saveFiles = {target};
    w->spbtSaveText->click();
    finishJobs(w);
    EXPECT_EQ(readFile((target + ".txt").toStdString()),
              "\r\nA\\y.txt\r\n\r\na.txt\r\n**bad.bin\r\n");

    // An existing file: No keeps it, Yes replaces it.
    writeFile((target + ".txt").toStdString(), "old");
    w.dialogs->saveFiles = {target + ".txt"};
    w.dialogs->answers = {kx::UserDialogs::Answer::No};
    w->mmSaveTextClick();
    finishJobs(w);
    EXPECT_EQ(readFile((target + ".txt").toStdString()), "old");
    EXPECT_EQ(w.dialogs->questions.back().text, msg(Msg::replaceFile));

    // A file that cannot be created.
    w.dialogs->saveFiles = {dir.filePath("missing/out.txt")};
    w->mmSaveTextClick();
    finishJobs(w);
    EXPECT_EQ(w.dialogs->lastMessage(), msg(Msg::createFailed));
    EXPECT_TRUE(w->isEnabled());

    // Nothing in search mode; a message without a list.
    scriptMask("a");
    w->spbtSearchClick();
    finishJobs(w);
    w.dialogs->saveFiles = {target};
    w->mmSaveTextClick();
    finishJobs(w);
    EXPECT_EQ(w.dialogs->saveFiles.size(), 1u);
    Window empty = makeWindow();
    empty->mmSaveTextClick();
    EXPECT_EQ(empty.dialogs->lastMessage(), empty->tables().message(Msg::nothingToExport));
}

TEST_F(Commands, PrintAsksBeforeManyPagesShowsProgressAndReportsRefusals) {
    using Answer = kx::UserDialogs::Answer;
    const QStringList lines = {"A\\y.txt", "a.txt", "*bad.bin"};
    const struct {
        const char* what;
        int pages;
        bool accepts;
        std::deque<Answer> answers;
        qsizetype cancelAfter; // the line after which the progress window is closed; -1 never
        bool printed, asked;
        std::optional<Msg> message;
    } cases[] = {
        {"one page", 1, true, {}, -1, true, false, {}},
        {"50 pages go without a question", 50, true, {}, -1, true, false, {}},
        {"51 pages, Yes", 51, true, {Answer::Yes}, -1, true, true, {}},
        {"51 pages, No", 51, true, {Answer::No}, -1, false, true, {}},
        {"the printer refuses", 1, false, {}, -1, true, false, Msg::printRefused},
        {"cancelled in the middle", 1, true, {}, 1, false, false, {}},
    };
    for (const auto& c : cases) {
        ScriptedDialogs& d = *w.dialogs;
        d.printed.clear();
        d.questions.clear();
        d.messages.clear();
        d.pages = c.pages;
        d.printerAccepts = c.accepts;
        d.answers = c.answers;
        QString progressCaption;
        d.onPrintedLine = [&](qsizetype line) {
            // On the job's thread: look at the window and close it on the window's thread.
            QMetaObject::invokeMethod(
                w.form.get(),
                [&, line] {
                    if (kx::ui::TProgressForm* f = w->progress().form()) {
                        progressCaption = f->windowTitle();
                        if (line == c.cancelAfter) f->close();
                    }
                },
                Qt::BlockingQueuedConnection);
        };
        w->mmPrintClick();
        finishJobs(w);
        EXPECT_EQ(d.printed,
                  c.printed ? std::vector<QStringList>{lines} : std::vector<QStringList>{})
            << c.what;
        ASSERT_EQ(d.questions.size(), c.asked ? 1u : 0u) << c.what;
        if (c.asked) {
            EXPECT_EQ(d.questions[0].text, msg(Msg::printPagesQuestion).arg(c.pages)) << c.what;
        }
        EXPECT_EQ(d.lastMessage(), c.message ? msg(*c.message) : QString()) << c.what;
        if (c.printed || c.cancelAfter >= 0) {
            EXPECT_EQ(progressCaption, msg(Msg::printProgress)) << c.what;
        }
        EXPECT_EQ(w->progress().form(), nullptr) << c.what;
        EXPECT_TRUE(w->isEnabled()) << c.what;
    }

    // A folder without a file below it prints nothing and says so.
    QTemporaryDir other;
    Window empty = makeWindow();
    openThroughDialog(empty,
                      writeList(other, "e.kx", folder("C:\\", {folder("E", {folder("F")})})));
    empty->mmPrintClick();
    finishJobs(empty);
    EXPECT_EQ(empty.dialogs->lastMessage(), empty->tables().message(Msg::noFilesToPrint));
    EXPECT_TRUE(empty.dialogs->printed.empty());
}

TEST_F(Commands, PrintAboutAndLogo) {
    doubleClickRow(*w.form, 0); // A
    w->spbtPrint->click();
    finishJobs(w);
    ASSERT_EQ(w.dialogs->printed.size(), 1u);
    EXPECT_EQ(w.dialogs->printed[0], QStringList({"y.txt"}));
    w.dialogs->printerPresent = false;
    w->mmPrintClick();
    finishJobs(w);
    EXPECT_EQ(w.dialogs->lastMessage(), msg(Msg::noDefaultPrinter));

    // The progress window of the print took the activation; the desktop hands it back.
    QApplication::setActiveWindow(w.form.get());
    int shown = 0;
    w.dialogs->dialogScripts.push_back([&](QDialog& d) {
        ++shown;
        EXPECT_EQ(d.windowTitle(), w->tables().aboutText(kx::ui::About::title));
        return int(QDialog::Accepted);
    });
    QTest::keyClick(w.form.get(), Qt::Key_F1, Qt::ControlModifier);
    EXPECT_EQ(shown, 1);
    QTest::mouseClick(w->BRELVIKImage, Qt::LeftButton);
    ASSERT_EQ(w.dialogs->urls.size(), 1u);
    EXPECT_EQ(w.dialogs->urls[0], w->tables().aboutText(kx::ui::About::homeAddress));

    Window empty = makeWindow();
    empty->mmPrintClick();
    finishJobs(empty);
    EXPECT_EQ(empty.dialogs->lastMessage(), empty->tables().message(Msg::nothingToPrint));
}

} // namespace
