// The window's side of the catalogue: the catalogue window (Ctrl+Shift+K) with its lists and their
// commands, its search as you type and with filters, a row's way to its Entry (through an open, the
// unsaved-changes question and folders regrouped since the list was indexed), the refresh after a
// save, and a catalogue that is missing or damaged.
#include "window_helpers.h"

#include "catalog/catalog.h"
#include "catalog/gui/catalogform.h"
#include "common/treebuilder.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStatusBar>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace kxtest;

namespace {

// Waits while the catalogue window's search runs (or waits for the typing to pause).
bool searchEnds(const kx::TCatalogForm* f) {
    QDeadlineTimer deadline(30000);
    while (f->searching()) {
        if (deadline.hasExpired()) return false;
        QTest::qWait(1);
    }
    return true;
}

// The second disk: A holds a file before its folder, so showing A reorders A's rows.
Node secondDisk() {
    return folder(
        "D:\\", {folder("A", {file("y.txt", 2048), folder("B", {file("x.txt")}), file("z.txt", 5)}),
                 file("b.txt", 1536)});
}

class CatalogWindow : public ::testing::Test {
protected:
    void SetUp() override {
        saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("data")));
        db = kx::catalog::defaultCatalogPath();
        first = QFileInfo(writeList(dir, "first.kx")).absoluteFilePath();
        second = QFileInfo(writeList(dir, "second.kx", secondDisk())).absoluteFilePath();
        w = makeWindow();
    }
    void TearDown() override { qputenv("XDG_DATA_HOME", saved); }

    void catalogueBoth() {
        const auto catalog = kx::catalog::Catalog::open(db);
        catalog->add(first.toStdString());
        catalog->add(second.toStdString());
    }
    kx::TCatalogForm* find(const QString& mask, int mark = 0) {
        QApplication::setActiveWindow(w.form.get());
        QTest::keyClick(w.form.get(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
        kx::TCatalogForm* f = w->catalogForm();
        EXPECT_TRUE(f->isVisible());
        f->fields->ledMask->setText(mask);
        f->fields->cbxMark->setCurrentIndex(mark);
        f->fields->FindBitBtn->click();
        EXPECT_TRUE(searchEnds(f));
        return f;
    }
    // The rows of the find window as "list-file-name|path".
    QStringList found(const kx::TCatalogForm* f) {
        QStringList out;
        for (const kx::CatalogRow& r : f->rows->rows())
            out << QFileInfo(QString::fromStdString(r.listPath)).fileName() + "|" +
                       QString::fromStdString(r.caption);
        return out;
    }
    void openRow(kx::TCatalogForm* f, int row) {
        f->lvFound->setCurrentIndex(f->sorted->mapFromSource(f->rows->index(row, 0)));
        QTest::keyClick(f->lvFound, Qt::Key_Return);
        finishJobs(w);
    }
    QString selectedCaption() {
        const int row = w->firstSelectedRow();
        return row < 0 ? QString() : rowCaptions(*w.form).value(row);
    }

    QTemporaryDir dir;
    QByteArray saved;
    std::string db;
    QString first, second;
    Window w;
};

TEST_F(CatalogWindow, FindListsTheRowsOfEveryListWithTheFilters) {
    catalogueBoth();
    const struct {
        const char* what;
        QString mask;
        int mark;
        QStringList rows;
    } cases[] = {
        {"a mask in both lists, in the order they were added",
         "X.T",
         0,
         {"first.kx|A\\B\\x.txt", "second.kx|A\\B\\x.txt"}},
        {"folders first within a list",
         "b",
         0,
         {"first.kx|A\\B", "first.kx|b.txt", "second.kx|A\\B", "second.kx|b.txt"}},
        {"nothing", "nowhere", 0, {}},
        {"a mark alone finds nothing marked", "", 2, {}},
    };
    for (const auto& c : cases) {
        kx::TCatalogForm* f = find(c.mask, c.mark);
        EXPECT_EQ(found(f), c.rows) << c.what;
        EXPECT_EQ(f->fields->lblFound->text(),
                  w->tables().caption(kx::ui::Cap::foundCount).arg(c.rows.size()))
            << c.what;
    }
    // The cells: the list's absolute path, the path, the size as the list shows it.
    kx::TCatalogForm* f = find("y.txt");
    ASSERT_EQ(f->rows->rowCount(), 2);
    EXPECT_EQ(f->rows->data(f->rows->index(1, 0), Qt::DisplayRole).toString(), second);
    EXPECT_EQ(f->rows->data(f->rows->index(1, 1), Qt::DisplayRole).toString(), "A\\y.txt");
    EXPECT_EQ(f->rows->data(f->rows->index(1, 2), Qt::DisplayRole).toString(), "2");
    EXPECT_EQ(f->rows->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
              w->tables().caption(kx::ui::Cap::pathColumn));

    // A mask the code page cannot hold finds exact names, shown as they are.
    TreeBuilder t{"E:\\"};
    t.file(t.folder(t.root(), "").systemName("日本"), "").systemName("café.txt");
    const QString third = dir.filePath("third.kx");
    writeListFile(third.toStdString(), t.tree(), true);
    kx::catalog::Catalog::open(db)->add(third.toStdString());
    f = find(QString::fromUtf8("CAFÉ"));
    EXPECT_EQ(found(f), QStringList{QString::fromUtf8("third.kx|日本\\café.txt")});
    EXPECT_EQ(f->rows->data(f->rows->index(0, 1), Qt::DisplayRole).toString(),
              QString::fromUtf8("日本\\café.txt"));
}

TEST_F(CatalogWindow, ARowOpensItsListAndSelectsTheEntryInItsFolder) {
    catalogueBoth();
    openThroughDialog(w, first);
    // A change in the open list: opening another list asks first; Cancel keeps everything.
    clickRow(*w.form, 2); // a.txt
    w->spbtNeed->click();
    ASSERT_TRUE(w->listModified());
    kx::TCatalogForm* f = find("y.txt");
    ASSERT_EQ(found(f), QStringList({"first.kx|A\\y.txt", "second.kx|A\\y.txt"}));
    w.dialogs->answers.push_back(kx::UserDialogs::Answer::Cancel);
    openRow(f, 1);
    EXPECT_EQ(w.dialogs->questions.size(), 1u);
    EXPECT_EQ(w->listFilePath(), first);
    EXPECT_TRUE(w->listModified());

    // A row of the open list needs no question and keeps the change.
    openRow(f, 0);
    EXPECT_EQ(w.dialogs->questions.size(), 1u);
    EXPECT_EQ(w->currentNode(), nodeNamed(*w.form, "A"));
    EXPECT_EQ(selectedCaption(), "y.txt");
    EXPECT_TRUE(w->listModified());
    EXPECT_TRUE(w->history().canBack());

    // The other list, its changes discarded: opened, A shown, y.txt selected.
    w.dialogs->answers.push_back(kx::UserDialogs::Answer::No);
    openRow(f, 1);
    EXPECT_EQ(w->listFilePath(), second);
    EXPECT_FALSE(w->listModified());
    EXPECT_EQ(w->currentNode(), nodeNamed(*w.form, "A"));
    EXPECT_EQ(rowCaptions(*w.form), QStringList({"..", "B", "y.txt", "z.txt"}));
    EXPECT_EQ(selectedCaption(), "y.txt");

    // Showing A put B first, so the places indexed are off: the path still finds each Entry.
    const std::pair<const char*, int> rows[] = {{"z.txt", 0}, {"x.txt", 1}};
    for (const auto& [mask, row] : rows) {
        f = find(mask);
        ASSERT_TRUE(found(f).value(row).startsWith("second.kx|")) << mask;
        openRow(f, row);
        EXPECT_EQ(w->listFilePath(), second) << mask;
        EXPECT_EQ(selectedCaption(), mask) << mask;
    }
    EXPECT_EQ(w->currentNode(), nodeNamed(*w.form, "B"));
}

TEST_F(CatalogWindow, SavingACataloguedListRefreshesItsRows) {
    catalogueBoth();
    // A list that is not catalogued is saved without touching the catalogue.
    const QString other = writeList(dir, "other.kx");
    openThroughDialog(w, other);
    clickRow(*w.form, 2);
    w->spbtNeed->click();
    ASSERT_TRUE(saveAndWait(w));
    EXPECT_EQ(kx::catalog::Catalog::open(db)->lists().size(), 2u);

    openThroughDialog(w, second);
    clickRow(*w.form, 1); // b.txt
    w->spbtNeed->click();
    ASSERT_TRUE(saveAndWait(w));
    EXPECT_TRUE(w.dialogs->messages.empty()) << w.dialogs->lastMessage().toStdString();
    kx::TCatalogForm* f = find("", 2); // required
    EXPECT_EQ(found(f), QStringList({"second.kx|b.txt"}));
}

TEST_F(CatalogWindow, AMissingOrDamagedCatalogueIsToldAndLeftAlone) {
    // None yet: the window says how to add lists and makes no file.
    kx::TCatalogForm* f = find("txt");
    EXPECT_EQ(f->fields->lblFound->text(), w->tables().caption(kx::ui::Cap::catalogueHoldsNoLists));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(db)));
    EXPECT_TRUE(w.dialogs->messages.empty());

    // Not a database: told once in the window's language, with the file, kept as it was.
    using kx::ui::Msg;
    const QString damaged =
        w->tables().message(Msg::catalogueDamaged) + " - " + QString::fromStdString(db);
    QDir().mkpath(QFileInfo(QString::fromStdString(db)).path());
    QFile bad(QString::fromStdString(db));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(4096, 'x'));
    bad.close();
    find("txt");
    ASSERT_EQ(w.dialogs->messages.size(), 1u);
    EXPECT_EQ(w.dialogs->lastMessage(), w->tables().message(Msg::catalogueUnusable).arg(damaged));
    EXPECT_EQ(QFileInfo(QString::fromStdString(db)).size(), 4096);

    // A save of a list does not fail for it: the save stands and the catalogue's fault is told.
    openThroughDialog(w, first);
    clickRow(*w.form, 2);
    w->spbtNeed->click();
    EXPECT_TRUE(saveAndWait(w));
    EXPECT_FALSE(w->listModified());
    EXPECT_EQ(w.dialogs->lastMessage(), w->tables().message(Msg::catalogueNotUpdated).arg(damaged));
}

// A catalogue that others can read is told once a session, in the status bar, without a
// question; the catalogue is used all the same.
TEST_F(CatalogWindow, ACatalogueOthersCanReadIsToldOnceInTheStatusBar) {
    catalogueBoth();
    ASSERT_EQ(::chmod(db.c_str(), 0644), 0);
    QStatusBar* bar = w->statusBar();
    const QString told =
        w->tables().message(kx::ui::Msg::catalogueReadableByOthers).arg(QString::fromStdString(db));
    kx::TCatalogForm* f = find("txt");
    QTest::qWait(1); // the notice comes from the search's thread
    EXPECT_EQ(bar->currentMessage(), told);
    EXPECT_FALSE(f->rows->rows().empty());
    bar->clearMessage();
    find("jpg");
    QTest::qWait(1);
    EXPECT_EQ(bar->currentMessage(), "");
    EXPECT_TRUE(w.dialogs->messages.empty()) << w.dialogs->lastMessage().toStdString();
}

} // namespace

namespace {

// The catalogue window's home: its lists and their commands, the search as you type, its place
// among the windows and a drop of a folder.
class CatalogHome : public CatalogWindow {
protected:
    kx::TCatalogForm* openWindow() {
        QApplication::setActiveWindow(w.form.get());
        QTest::keyClick(w.form.get(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
        return w->catalogForm();
    }
    // The lists table as "label|file name|state", top to bottom.
    static QStringList listRows(const kx::TCatalogForm* f) {
        QStringList out;
        const auto* m = f->lists;
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, m->label).data().toString() + "|" +
                       QFileInfo(m->index(r, m->path).data().toString()).fileName() + "|" +
                       m->index(r, m->file).data().toString();
        return out;
    }
    QString state(kx::ui::Cap c) { return w->tables().caption(c); }
};

TEST_F(CatalogHome, AddsEditsAndRemovesLists) {
    kx::TCatalogForm* f = openWindow();
    EXPECT_EQ(f->lblLists->text(), state(kx::ui::Cap::catalogueHoldsNoLists));
    EXPECT_EQ(f->focusWidget(), f->fields->ledMask);
    // Without a catalogue, Refresh and Remove make none.
    for (QPushButton* b : {f->btRefresh, f->btRemove}) {
        b->click();
        EXPECT_TRUE(finishJobs(w));
    }
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(db)));

    // Add makes it; a file that is no list is told at the end, the others are added.
    const QString bad = dir.filePath("bad.kx");
    QFile junk(bad);
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a list");
    junk.close();
    w.dialogs->openFileLists.push_back({first, bad, second});
    w.dialogs->messages.clear();
    f->btAdd->click();
    ASSERT_TRUE(finishJobs(w));
    const QString present = state(kx::ui::Cap::filePresent);
    EXPECT_EQ(listRows(f), QStringList({"|first.kx|" + present, "|second.kx|" + present}));
    ASSERT_EQ(w.dialogs->messages.size(), 1u);
    EXPECT_TRUE(w.dialogs->lastMessage().contains(bad)) << w.dialogs->lastMessage().toStdString();
    EXPECT_FALSE(w.dialogs->lastMessage().contains(first));

    // F2 on the label, a text, Enter: shown and kept in the catalogue.
    f->lvLists->setFocus();
    f->lvLists->setCurrentIndex(f->lists->index(1, kx::CatalogListsModel::label));
    QTest::keyClick(f->lvLists, Qt::Key_F2);
    auto* editor = f->lvLists->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QString::fromUtf8("Диск 2")); // keyClicks types ASCII only
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::qWait(1); // the view commits the editor's text by a queued call
    EXPECT_EQ(kx::catalog::Catalog::open(db)->lists().at(1).label, "Диск 2");

    // A changed file reads "changed" until Refresh indexes it again.
    writeList(dir, "first.kx", secondDisk());
    openWindow();
    EXPECT_EQ(listRows(f).value(0), "|first.kx|" + state(kx::ui::Cap::fileChanged));
    f->btRefresh->click();
    ASSERT_TRUE(finishJobs(w));
    EXPECT_EQ(listRows(f).value(0), "|first.kx|" + present);

    // Delete on the table asks; No keeps the list, Yes removes it.
    f->lvLists->setCurrentIndex(f->lists->index(0, 0));
    for (const auto answer : {kx::UserDialogs::Answer::No, kx::UserDialogs::Answer::Yes}) {
        w.dialogs->answers.push_back(answer);
        QTest::keyClick(f->lvLists, Qt::Key_Delete);
        ASSERT_TRUE(finishJobs(w));
    }
    EXPECT_EQ(listRows(f), QStringList({QString::fromUtf8("Диск 2|second.kx|") + present}));
    EXPECT_EQ(kx::catalog::Catalog::open(db)->lists().size(), 1u);
}

TEST_F(CatalogHome, TypingSearchesWithoutFindAndANewKeyReplacesTheRows) {
    catalogueBoth();
    kx::TCatalogForm* f = openWindow();
    const struct {
        const char* keys; // typed after what the case before typed
        QStringList rows;
    } cases[] = {
        {"b", {"first.kx|A\\B", "first.kx|b.txt", "second.kx|A\\B", "second.kx|b.txt"}},
        {".", {"first.kx|b.txt", "second.kx|b.txt"}},
        {"q", {}},
    };
    for (const auto& c : cases) {
        QTest::keyClicks(f->fields->ledMask, c.keys);
        EXPECT_TRUE(f->searching()) << c.keys;
        ASSERT_TRUE(searchEnds(f));
        EXPECT_EQ(found(f), c.rows) << c.keys;
        EXPECT_EQ(f->fields->lblFound->text(),
                  w->tables().caption(kx::ui::Cap::foundCount).arg(c.rows.size()))
            << c.keys;
    }
    // Keys typed faster than the pause start one search, whose rows alone are shown.
    f->fields->ledMask->clear();
    QTest::keyClicks(f->fields->ledMask, "y.t");
    QTest::keyClick(f->fields->ledMask, Qt::Key_Backspace);
    QTest::keyClicks(f->fields->ledMask, "txt");
    ASSERT_TRUE(searchEnds(f));
    EXPECT_EQ(found(f), QStringList({"first.kx|A\\y.txt", "second.kx|A\\y.txt"}));
    // The size header sorts the kept rows by their sizes, not by the texts of the cells.
    f->fields->ledMask->clear();
    QTest::keyClicks(f->fields->ledMask, "txt");
    ASSERT_TRUE(searchEnds(f));
    f->lvFound->header()->setSortIndicator(2, Qt::AscendingOrder);
    QStringList bySize;
    for (int r = 0; r < 4; ++r)
        bySize << f->sorted->index(r, 1).data().toString();
    EXPECT_EQ(bySize, QStringList({"A\\B\\x.txt", "A\\B\\x.txt", "A\\z.txt", "a.txt"}));
}

TEST_F(CatalogHome, IsAWindowOfItsOwnNeverKeptAboveTheMainWindow) {
    kx::TCatalogForm* f = openWindow();
    EXPECT_EQ(f->parentWidget(), nullptr);
    EXPECT_EQ(f->windowType(), Qt::Window);
    EXPECT_FALSE(f->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(f->isModal());
    EXPECT_FALSE(f->testAttribute(Qt::WA_QuitOnClose)); // the main window's close ends the program
}

TEST_F(CatalogHome, ADroppedFolderAddsTheListsBelowIt) {
    QDir(dir.path()).mkpath("disks/old");
    const QString a = writeList(dir, "disks/a.KX");
    writeList(dir, "disks/old/b.kx", secondDisk());
    writeList(dir, "disks/old/notes.txt");
    kx::TCatalogForm* f = openWindow();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dir.filePath("disks"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(f, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(f, &drop);
    EXPECT_TRUE(drop.isAccepted());
    ASSERT_TRUE(finishJobs(w));
    EXPECT_TRUE(w.dialogs->messages.empty()) << w.dialogs->lastMessage().toStdString();
    const QString present = state(kx::ui::Cap::filePresent);
    EXPECT_EQ(listRows(f), QStringList({"|a.KX|" + present, "|b.kx|" + present}));
}

} // namespace
