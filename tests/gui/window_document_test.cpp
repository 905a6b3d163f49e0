// The main window's document: start-up, opening (dialog, command line, drop), every open failure,
// saving, and the close question.
#include "window_helpers.h"

#include "listfile/codepage.h"
#include "listfile/container.h"
#include "listfile/innerlist.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QFile>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include <gtest/gtest.h>

using namespace kxtest;
using kx::ui::Msg;

namespace {

QString msg(const Window& w, Msg row) {
    return w->tables().message(row);
}

// Closes the window's progress window as soon as it shows, before its job can end: the close
// box's abort at once, the window itself as the close box's click arrives.
class CloseOnShow : public QObject {
public:
    explicit CloseOnShow(const Window& w) : m_w(w) { qApp->installEventFilter(this); }
    ~CloseOnShow() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show && o == m_w->progress().form()) {
            m_w->progress().abortFlag() = true;
            QMetaObject::invokeMethod(m_w->progress().form(), &QWidget::close,
                                      Qt::QueuedConnection);
        }
        return false;
    }

private:
    const Window& m_w;
};

TEST(WindowDocument, StartsEmptyWithTheDesignedLayout) {
    Window w = makeWindow();
    EXPECT_EQ(w->windowTitle(), "Fentaro.light");
    EXPECT_EQ(w->root(), nullptr);
    EXPECT_EQ(w->spbtAbout->geometry(), QRect(639, 2, 75, 48));
    EXPECT_EQ(w->spbtSaveText->geometry(), QRect(575, 2, 61, 48));
    EXPECT_EQ(w->minimumSize(), QSize(863, 201));
    EXPECT_EQ(w->spbtOpen->text(), "Открыть");
    EXPECT_EQ(w->model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
              "Размер, Кбайт");
    EXPECT_EQ(w->lvInfo->columnWidth(0), 150);
    EXPECT_EQ(w->lvInfo->columnWidth(5), 139);
    // Commands that need a list say so.
    EXPECT_FALSE(w->spbtSaveClick(w->spbtSave));
    EXPECT_EQ(w.dialogs->lastMessage(), msg(w, Msg::nothingToSave));

    // The English about button is narrower, and so is the window's least width.
    kx::ui::setLanguageCode("eng");
    Window e = makeWindow({}, false);
    kx::ui::setLanguageCode("rus");
    EXPECT_EQ(e->spbtAbout->width(), 61);
    EXPECT_EQ(e->minimumSize(), QSize(849, 201));
}

TEST(WindowDocument, OpensFromTheDialogAndShowsTheRootFolder) {
    QTemporaryDir dir;
    const QString path = writeList(dir, "disk.kx");
    Window w = makeWindow();
    openThroughDialog(w, path);
    ASSERT_NE(w->root(), nullptr);
    EXPECT_EQ(w->listFilePath(), path);
    EXPECT_EQ(w->headerText(), "test list");
    EXPECT_FALSE(w->listModified());
    EXPECT_EQ(rowCaptions(*w.form), QStringList({"A", "C", "a.txt", "b.txt"}));
    const kx::Entry* top = w->rootNode();
    EXPECT_EQ(w->navigator().nodeText(top), "disk.kx");
    EXPECT_TRUE(nodeExpanded(*w.form, top));
    EXPECT_EQ(w->selectedNode(), top);
    EXPECT_EQ(w->currentNode(), top);
    EXPECT_EQ(w->folderModel()->rowCount(w->folderModel()->indexOf(top)), 2); // folders only
    EXPECT_FALSE(w->history().canBack());
    EXPECT_EQ(w->spbtBack->toolTip(), w->tables().hint(kx::ui::Hint::back));
    // Only the list file is left in its folder: the working file went.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"disk.kx"}));
}

TEST(WindowDocument, CommandLineFileOpensOnFirstShowAndMissingOneIsReported) {
    QTemporaryDir dir;
    const QString path = writeList(dir, "cl.kx");
    Window w = makeWindow({"  " + path + "\t"}, false);
    EXPECT_TRUE(w->openFromCommandLine());
    EXPECT_EQ(w->root(), nullptr);
    w->show();
    ASSERT_TRUE(finishJobs(w));
    ASSERT_NE(w->root(), nullptr);
    EXPECT_EQ(w.dialogs->openDialogs, 0);

    const QString missing = dir.filePath("none.kx");
    Window m = makeWindow({missing}, true);
    ASSERT_EQ(m.dialogs->messages.size(), 1u);
    EXPECT_EQ(m.dialogs->messages[0].caption, "Ошибка");
    EXPECT_EQ(m.dialogs->messages[0].text, "Не найден файл: " + missing);
    EXPECT_EQ(m->root(), nullptr);

    Window blank = makeWindow({"   "}, true);
    EXPECT_TRUE(blank.dialogs->messages.empty());
}

TEST(WindowDocument, DropOpensTheFirstFileWithTheExactExtension) {
    QTemporaryDir dir;
    const QString b = writeList(dir, "b.kx");
    const QString c = writeList(dir, "c.KX");
    Window w = makeWindow();
    EXPECT_FALSE(w->openDroppedFiles({c}));
    EXPECT_EQ(w->root(), nullptr);

    // Through a real drop event: a.txt is passed over, b.kx is opened without a dialog.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dir.filePath("a.txt")), QUrl::fromLocalFile(b)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.form.get(), &drop);
    ASSERT_TRUE(finishJobs(w));
    EXPECT_EQ(w->listFilePath(), b);
    EXPECT_EQ(w.dialogs->openDialogs, 0);
    ASSERT_NE(w->rootNode(), nullptr);
    EXPECT_EQ(w->navigator().nodeText(w->rootNode()), "b.kx");
}

TEST(WindowDocument, OpenFailuresReportAndKeepOrDropTheList) {
    QTemporaryDir dir;
    const QString good = writeList(dir, "good.kx");
    const QString notZip = dir.filePath("text.kx");
    writeFile(notZip.toStdString(), "just some text, not an archive");
    const QString empty = dir.filePath("empty.kx");
    writeFile(empty.toStdString(), zipOf("empty", ""));
    const QString broken = dir.filePath("broken.kx");
    // A header and a record cut short.
    writeFile(broken.toStdString(), zipOf("broken", header("h") + std::string(44, 'x')));
    // Folders nested deeper than any disk's paths go.
    std::string deep = header("deep") + record("C:\\", 'D', 0);
    for (int i = 0; i < 129; ++i)
        deep += record(std::string(255, 'd'), 'D', 0);
    deep += record("leaf", 'F', -1);
    const QString tooDeep = dir.filePath("deep.kx");
    writeFile(tooDeep.toStdString(), zipOf("deep", deep));

    struct Case {
        QString path;
        QString message;
        bool listStays;
    };
    Window w = makeWindow();
    const Case cases[] = {
        {notZip, msg(w, Msg::unpackFailed) + " - " + msg(w, Msg::notZip) + " - " + notZip, true},
        {empty, msg(w, Msg::fileEmpty), true},
        {broken, msg(w, Msg::loadFailed), false},
        {tooDeep, msg(w, Msg::pathTooLong), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        openThroughDialog(w, good);
        ASSERT_NE(w->root(), nullptr);
        w.dialogs->messages.clear();
        openThroughDialog(w, c.path);
        EXPECT_EQ(w.dialogs->lastMessage(), c.message);
        EXPECT_EQ(w->root() != nullptr, c.listStays);
        EXPECT_EQ(w->isEnabled(), true);
        if (c.listStays) {
            EXPECT_EQ(rowCaptions(*w.form).size(), 4);
        } else {
            EXPECT_EQ(w->folderModel()->rowCount(), 0);
            EXPECT_EQ(w->model()->rowCount(), 0);
            EXPECT_FALSE(w->history().canBack());
            EXPECT_FALSE(w->spbtSaveClick(nullptr));
            EXPECT_EQ(w.dialogs->lastMessage(), msg(w, Msg::nothingToSave));
        }
        // No working file is left behind.
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 5);
    }
}

// A list damaged by a save cut short while it wrote in place: the message names the whole new
// list that the save kept beside it, the newest where there are several.
TEST(WindowDocument, ADamagedListsMessageNamesTheListASaveKept) {
    QTemporaryDir dir;
    const QString damaged = dir.filePath("disk.kx");
    writeFile(damaged.toStdString(), "cut short");
    const QString older = dir.filePath("disk.kx.saved-AAAAAA");
    const QString newer = dir.filePath("disk.kx.saved-BBBBBB");
    writeFile(older.toStdString(), "older");
    writeFile(newer.toStdString(), "newer");
    QFile(older).setFileTime(QDateTime::currentDateTime().addSecs(-60),
                             QFileDevice::FileModificationTime);
    Window w = makeWindow();
    openThroughDialog(w, damaged);
    EXPECT_EQ(w.dialogs->lastMessage(), msg(w, Msg::unpackFailed) + " - " + msg(w, Msg::notZip) +
                                            " - " + damaged + " - " +
                                            msg(w, Msg::keptSave).arg(newer));
}

// An archive that cannot be unpacked is told and leaves the open list exactly as it was: the
// document, the tree and its selection, the rows and theirs, the history.
TEST(WindowDocument, AnArchiveThatCannotBeUnpackedLeavesTheOpenList) {
    QTemporaryDir dir;
    const QString good = writeList(dir, "good.kx");
    const std::string inner = header("h") + record("C:\\", 'D', -1);
    std::string crc = zipOf("crc", inner, 0); // stored: the data no longer has its CRC-32
    crc[crc.find("C:\\")] = 'D';
    std::string deflate = zipOf("deflate", inner);
    // The first block of the deflated data gets the reserved block type.
    const std::size_t data = 30 + std::uint8_t(deflate[26]) + std::uint8_t(deflate[28]);
    deflate[data] = char(0xFF);
    const struct {
        const char* what;
        std::string bytes;
        Msg reason;
    } cases[] = {{"wrong CRC-32", crc, Msg::checksumMismatch},
                 {"bad deflate data", deflate, Msg::damagedArchive}};

    // A window in A (rows .., B, y.txt) with y.txt selected, then an open of `path`: a failed
    // open leaves what a cancelled one (the empty path) leaves.
    const auto openFrom = [&](const QString& path) {
        Window w = makeWindow();
        openThroughDialog(w, good);
        doubleClickRow(*w.form, 0);
        clickRow(*w.form, 2);
        w.dialogs->messages.clear();
        openThroughDialog(w, path);
        return w;
    };
    const auto state = [](const Window& w) {
        return QStringList{w->listFilePath(),
                           w->navigator().nodeText(w->selectedNode()),
                           w->navigator().nodeText(w->currentNode()),
                           rowCaptions(*w.form).join('|'),
                           QString::number(w->firstSelectedRow()),
                           backStackTexts(*w.form).join('|'),
                           QString::number(w->folderModel()->rowCount()),
                           QString::number(w->root()->children().size())};
    };
    const Window cancelled = openFrom(QString());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = dir.filePath(QString(c.what).replace(' ', '_') + ".kx");
        writeFile(path.toStdString(), c.bytes);
        const Window w = openFrom(path);
        ASSERT_EQ(w.dialogs->messages.size(), 1u);
        EXPECT_EQ(w.dialogs->lastMessage(),
                  msg(w, Msg::unpackFailed) + " - " + msg(w, c.reason) + " - " + path);
        ASSERT_NE(w->root(), nullptr);
        EXPECT_EQ(state(w), state(cancelled));
        EXPECT_TRUE(w->isEnabled());
    }
}

TEST(WindowDocument, SaveKeepsMarksAndCommentsAndReopensTheSameRows) {
    QTemporaryDir dir;
    const QString path = writeList(dir, "disk.kx");
    Window w = makeWindow();
    openThroughDialog(w, path);
    clickRow(*w.form, 2); // a.txt
    w->N1Click();
    w.dialogs->dialogScripts.push_back([](QDialog& d) {
        auto* form = static_cast<kx::TCommentForm*>(&d);
        form->redComment->setPlainText("кириллица ok");
        form->btOkClick();
        return d.result();
    });
    clickRow(*w.form, 3); // b.txt
    w->spbtCommentClick();
    EXPECT_TRUE(w->listModified());
    ASSERT_TRUE(saveAndWait(w));
    EXPECT_FALSE(w->listModified());
    EXPECT_TRUE(w->isEnabled());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"disk.kx"}));

    Window again = makeWindow();
    openThroughDialog(again, path);
    EXPECT_EQ(rowCaptions(*again.form), QStringList({"A", "C", "a.txt", "b.txt"}));
    const auto& rows = again->rowEntries();
    EXPECT_EQ(rows[2]->mark(), 1);
    EXPECT_EQ(kx::fromAnsi(rows[3]->comment()), "кириллица ok");
    EXPECT_EQ(again->model()->data(again->model()->index(3, 5), Qt::DisplayRole).toString(),
              "кириллица ok");
}

TEST(WindowDocument, FailedOrCancelledSaveKeepsTheOldFileAndTheChanges) {
    QTemporaryDir dir;
    const QString path = writeList(dir, "disk.kx");
    const std::string before = readFile(path.toStdString());
    Window w = makeWindow();
    openThroughDialog(w, path);
    clickRow(*w.form, 2);
    w->N2Click();

    // Cancelled: the progress window is closed as soon as it shows. (First: the list moved away
    // and back below counts as changed on disk, and a save of it would ask first.)
    CloseOnShow closer(w);
    EXPECT_FALSE(saveAndWait(w));
    EXPECT_EQ(w.dialogs->lastMessage(), msg(w, Msg::saveCancelled));
    EXPECT_TRUE(w->listModified());
    EXPECT_EQ(readFile(path.toStdString()), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({"disk.kx"}));
    EXPECT_TRUE(w->isEnabled());
    EXPECT_FALSE(w->progress().abortFlag());

    // A folder stands where the new list file must go: the save fails.
    const QString kept = dir.filePath("kept.kx");
    ASSERT_TRUE(QFile::rename(path, kept));
    ASSERT_TRUE(QDir(dir.path()).mkdir("disk.kx"));
    EXPECT_FALSE(saveAndWait(w));
    EXPECT_TRUE(w.dialogs->lastMessage().startsWith(msg(w, Msg::saveFailed) + " - "));
    EXPECT_TRUE(w->listModified());
    EXPECT_TRUE(w->isEnabled());
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(readFile(kept.toStdString()), before);
    ASSERT_TRUE(QDir(dir.path()).rmdir("disk.kx"));
    ASSERT_TRUE(QFile::rename(kept, path));
}

TEST(WindowDocument, CloseQuestionAndOpeningOverUnsavedChanges) {
    QTemporaryDir dir;
    const QString path = writeList(dir, "disk.kx");
    const QString other = writeList(dir, "other.kx", folder("D:\\", {file("z.txt")}));
    const std::string before = readFile(path.toStdString());
    using A = kx::UserDialogs::Answer;

    Window w = makeWindow();
    openThroughDialog(w, path);
    EXPECT_TRUE(w->close()); // nothing changed: no question
    EXPECT_TRUE(w.dialogs->questions.empty());

    w->show();
    clickRow(*w.form, 2);
    w->N1Click();
    w.dialogs->answers = {A::Cancel};
    EXPECT_FALSE(w->close());
    EXPECT_EQ(w.dialogs->questions.back().text, msg(w, Msg::saveChanges));
    EXPECT_EQ(w.dialogs->questions.back().caption, msg(w, Msg::questionTitle));
    EXPECT_TRUE(w->listModified());

    // Opening another list asks the same question first; Cancel keeps the open list and leaves
    // the views and the history as they were, without a file dialog.
    clickNode(*w.form, nodeNamed(*w.form, "A"));
    clickRow(*w.form, 1);
    const auto views = [&] {
        return QStringList{w->navigator().nodeText(w->selectedNode()),
                           w->navigator().nodeText(w->currentNode()),
                           backStackTexts(*w.form).join('|'), rowCaptions(*w.form).join('|'),
                           QString::number(w->firstSelectedRow())};
    };
    const QStringList shown = views();
    const int openDialogs = w.dialogs->openDialogs;
    w.dialogs->answers = {A::Cancel};
    openThroughDialog(w, other);
    EXPECT_EQ(w->listFilePath(), path);
    EXPECT_TRUE(w->listModified());
    EXPECT_EQ(views(), shown);
    EXPECT_EQ(w.dialogs->openDialogs, openDialogs);
    w.dialogs->openFiles.clear();

    w.dialogs->answers = {A::No};
    EXPECT_TRUE(w->close());
    EXPECT_EQ(readFile(path.toStdString()), before);

    Window y = makeWindow();
    openThroughDialog(y, path);
    clickRow(*y.form, 2);
    y->N1Click();
    y.dialogs->answers = {A::Yes};
    y->close(); // the window closes once the list has been saved
    ASSERT_TRUE(finishJobs(y));
    EXPECT_FALSE(y->isVisible());
    EXPECT_FALSE(y->listModified());
    EXPECT_NE(readFile(path.toStdString()), before);
}

} // namespace

// A hostile list a hundred thousand folders deep: the window reads it, replaces it with another
// list and is destroyed without recursing through the folder tree.
TEST(WindowDocument, DeeplyNestedListsOpenAndGoAway) {
    // The deepest list that opens: "d", then empty names, each adding a "\\" to the path.
    constexpr int depth = int(kx::kMaxPathLength);
    std::string inner = header("deep") + record("r", 'D', 0) + record("d", 'D', 0);
    inner.reserve(inner.size() + std::size_t(depth) * kx::kRecordSize);
    const std::string folderRecord = record("", 'D', 0);
    for (int i = 0; i < depth - 2; ++i)
        inner += folderRecord;
    inner += record("", 'F', -1);
    QTemporaryDir dir;
    const QString deep = dir.filePath("deep.kx");
    writeFile(deep.toStdString(), zipOf("deep", inner));
    const QString other = writeList(dir, "other.kx");

    Window w = makeWindow();
    openThroughDialog(w, deep);
    ASSERT_NE(w->root(), nullptr);
    EXPECT_EQ(rowCaptions(*w.form), QStringList{"d"});
    openThroughDialog(w, other);
    ASSERT_NE(w->root(), nullptr);
    openThroughDialog(w, deep);
    ASSERT_NE(w->root(), nullptr);
    w.form.reset(); // the window goes with the deep tree in it
}
