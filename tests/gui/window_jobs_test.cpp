// The window while long jobs run on their worker thread, what it says when an open fails, and
// the fixes of acting on the wrong folder, moving dropped files and the keypad's Enter.
#include "window_helpers.h"

#include "listfile/codepage.h"

#include <QMimeData>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

using namespace kxtest;

namespace {

// A close and a drop while a large list is being saved: neither asks anything or starts anything,
// the window stays, and the list written is complete.
TEST(WindowJobs, CloseAndDropDuringASaveAreTurnedAway) {
    QTemporaryDir dir;
    TreeBuilder t{"C:\\"};
    for (int f = 0; f < 100; ++f) {
        kx::Entry* folder = t.folder(t.root(), "folder" + std::to_string(f));
        for (int i = 0; i < 1500; ++i)
            t.file(folder, "file" + std::to_string(i) + ".dat", std::uint64_t(i) * 1000);
    }
    const QString path = dir.filePath("big.kx");
    writeListFile(path.toStdString(), t.tree());
    const QString other = writeList(dir, "other.kx");

    Window w = makeWindow();
    openThroughDialog(w, path);
    ASSERT_NE(w->root(), nullptr);
    clickRow(*w.form, 0);
    w->N1Click(); // the whole first folder, 1,501 entries

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(other)});
    bool triedWhileBusy = false, closed = true, dropTaken = true, visibleAfter = false;
    QTimer poke;
    QObject::connect(&poke, &QTimer::timeout, [&] {
        if (!w->busy() || triedWhileBusy) return;
        triedWhileBusy = true;
        closed = w->close();
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(w.form.get(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.form.get(), &drop);
        dropTaken = enter.isAccepted() || drop.isAccepted();
        w->spbtSave->click(); // a second save is no command now either
        visibleAfter = w->isVisible();
    });
    poke.start(0);
    EXPECT_TRUE(saveAndWait(w));
    poke.stop();

    ASSERT_TRUE(triedWhileBusy);
    EXPECT_FALSE(closed);
    EXPECT_FALSE(dropTaken);
    EXPECT_TRUE(visibleAfter);
    EXPECT_TRUE(w.dialogs->questions.empty());
    EXPECT_TRUE(w.dialogs->messages.empty());
    EXPECT_EQ(w->listFilePath(), path);
    EXPECT_FALSE(w->listModified());
    EXPECT_FALSE(w->busy());
    EXPECT_TRUE(w->isEnabled());
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"big.kx", "other.kx"}));

    // The list is complete, with the marks.
    Window again = makeWindow();
    openThroughDialog(again, path);
    ASSERT_NE(again->root(), nullptr);
    EXPECT_EQ(kx::countBelow(again->root()), 100u * 1501u);
    const kx::Entry* first = again->root()->children()[0];
    EXPECT_EQ(first->mark(), 1);
    EXPECT_EQ(first->children().back()->mark(), 1);
    EXPECT_EQ(again->root()->children()[1]->mark(), 0);

    // With the job over, the close is a close again.
    EXPECT_TRUE(w->close());
}

// Each failed open names its reason, in the interface's language only, then the file.
TEST(WindowJobs, FailedOpensSayWhyInEitherLanguage) {
    QTemporaryDir dir;
    const QString notZip = dir.filePath("text.kx");
    writeFile(notZip.toStdString(), "just some text, not an archive");
    // A stored entry whose data no longer has its CRC.
    std::string stored = zipOf("crc", header("h") + record("C:\\", 'D', -1), 0);
    stored[stored.find("C:\\")] = 'D';
    const QString crc = dir.filePath("crc.kx");
    writeFile(crc.toStdString(), stored);
    const QString folderPath = dir.filePath("folder.kx");
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.kx"));

    for (const char* language : {"eng", "rus"}) {
        SCOPED_TRACE(language);
        kx::ui::setLanguageCode(language);
        Window w = makeWindow();
        const auto& t = w->tables();
        const struct {
            QString path;
            kx::ui::Msg reason;
        } cases[] = {{notZip, kx::ui::Msg::notZip},
                     {crc, kx::ui::Msg::checksumMismatch},
                     {folderPath, kx::ui::Msg::notRegularFile}};
        for (const auto& c : cases) {
            SCOPED_TRACE(c.path.toStdString());
            w.dialogs->messages.clear();
            openThroughDialog(w, c.path);
            ASSERT_EQ(w.dialogs->messages.size(), 1u);
            const QString text = w.dialogs->messages[0].text;
            EXPECT_EQ(text, t.message(kx::ui::Msg::unpackFailed) + " - " + t.message(c.reason) +
                                " - " + c.path);
            EXPECT_EQ(w.dialogs->messages[0].caption, t.message(kx::ui::Msg::errorTitle));
            const bool cyrillic = text.contains(QRegularExpression("[А-Яа-яЁё]"));
            EXPECT_EQ(cyrillic, QString(language) == "rus");
            EXPECT_EQ(w->root(), nullptr);
            EXPECT_TRUE(w->isEnabled());
        }
    }
    kx::ui::setLanguageCode("rus");
}

// An error that escapes a command is shown, and the window stays usable; one that escapes the
// close question keeps the window open.
TEST(WindowJobs, UnexpectedFailuresAreShownNotSwallowed) {
    Window w = makeWindow();
    w.dialogs->failNextOpenDialog = true;
    w->spbtOpen->click();
    ASSERT_EQ(w.dialogs->messages.size(), 1u);
    EXPECT_EQ(w.dialogs->lastMessage(), w->tables().message(kx::ui::Msg::unexpectedError));
    EXPECT_TRUE(w->isEnabled());
}

// A list that another program rewrote after the open is saved over only when the user says Yes:
// No leaves that program's file and the marks unsaved; Yes saves, and the next save asks no more.
TEST(WindowJobs, SavingOverAListChangedOnDiskAsksFirst) {
    using Answer = kx::UserDialogs::Answer;
    for (const Answer answer : {Answer::No, Answer::Yes}) {
        SCOPED_TRACE(answer == Answer::Yes ? "Yes" : "No");
        QTemporaryDir dir;
        const QString path = writeList(dir, "disk.kx");
        Window w = makeWindow();
        openThroughDialog(w, path);
        ASSERT_NE(w->root(), nullptr);
        clickRow(*w.form, 0);
        w->N1Click();
        const std::string theirs = readFile(path.toStdString());
        writeFile(path.toStdString(), theirs); // the same bytes, written anew
        w.dialogs->answers.push_back(answer);

        EXPECT_EQ(saveAndWait(w), answer == Answer::Yes);
        ASSERT_EQ(w.dialogs->questions.size(), 1u);
        EXPECT_EQ(w.dialogs->questions[0].caption, w->tables().message(kx::ui::Msg::questionTitle));
        EXPECT_EQ(w.dialogs->questions[0].text, w->tables().message(kx::ui::Msg::overwriteChanged));
        EXPECT_TRUE(w.dialogs->messages.empty());
        EXPECT_EQ(w->listModified(), answer == Answer::No);
        EXPECT_EQ(readFile(path.toStdString()) == theirs, answer == Answer::No);
        EXPECT_TRUE(w->isEnabled());
        if (answer == Answer::No) continue;

        clickRow(*w.form, 1);
        w->N1Click();
        EXPECT_TRUE(saveAndWait(w));
        EXPECT_EQ(w.dialogs->questions.size(), 1u);
        Window again = makeWindow();
        openThroughDialog(again, path);
        ASSERT_NE(again->root(), nullptr);
        EXPECT_EQ(again->root()->children()[0]->mark(), 1);
        EXPECT_EQ(again->root()->children()[1]->mark(), 1);
    }
}

// Two sibling folders of one name: each shows its own rows, and a mark lands on the rows shown.
TEST(WindowJobs, SiblingFoldersOfOneNameEachShowTheirOwnRows) {
    QTemporaryDir dir;
    const QString path =
        writeList(dir, "twins.kx",
                  folder("C:\\", {folder("Same", {file("first.txt")}),
                                  folder("Same", {file("second.txt"), file("third.txt")})}));
    Window w = makeWindow();
    openThroughDialog(w, path);
    doubleClickRow(*w.form, 1);
    EXPECT_EQ(rowCaptions(*w.form), QStringList({"..", "second.txt", "third.txt"}));
    EXPECT_EQ(w->currentNode(), w->root()->children()[1]);
    clickRow(*w.form, 1);
    w->N2Click();
    EXPECT_EQ(w->root()->children()[1]->children()[0]->mark(), 2);
    EXPECT_EQ(w->root()->children()[0]->children()[0]->mark(), 0);

    // The same through the tree: the second node shows the second folder.
    clickNode(*w.form, w->rootNode());
    const kx::FolderModel* m = w->folderModel();
    const QModelIndex second = m->index(1, 0, m->index(0, 0));
    clickNode(*w.form, kx::FolderModel::entryOf(second));
    EXPECT_EQ(rowCaptions(*w.form), QStringList({"..", "second.txt", "third.txt"}));
}

// A dropped file is only read: the drag source is told it was copied, and a drag that offers
// only a move is refused.
TEST(WindowJobs, DropsAreCopies) {
    QTemporaryDir dir;
    const QString list = writeList(dir, "d.kx");
    Window w = makeWindow();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(list)});
    QDragEnterEvent moveOnly(QPoint(5, 5), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.form.get(), &moveOnly);
    EXPECT_FALSE(moveOnly.isAccepted());

    QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction | Qt::CopyAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(w.form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(5, 5), Qt::MoveAction | Qt::CopyAction, &data, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(w.form.get(), &drop);
    ASSERT_TRUE(finishJobs(w));
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    EXPECT_EQ(w->listFilePath(), list);
    EXPECT_TRUE(QFileInfo::exists(list));
}

TEST(WindowJobs, KeypadEnterOpensAFolderLikeEnter) {
    QTemporaryDir dir;
    Window w = makeWindow();
    openThroughDialog(w, writeList(dir, "disk.kx"));
    clickRow(*w.form, 0); // A
    QTest::keyClick(w->lvInfo, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(rowCaptions(*w.form), QStringList({"..", "B", "y.txt"}));
    QTest::keyClick(w->lvInfo, Qt::Key_Return);
    EXPECT_EQ(rowCaptions(*w.form), QStringList({"..", "x.txt"}));
}

} // namespace
