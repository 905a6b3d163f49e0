// The catalogue's copy of a list in the main window: shown as the list file shows it, read-only
// through every job, with the title and the status bar saying whose copy it is; a missing list
// file offers it, a present one is opened at the Entry.
#include "window_helpers.h"

#include "catalog/catalog.h"
#include "catalog/gui/catalogform.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSortFilterProxyModel>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace kxtest;

namespace {

// A disk with marks and a comment, so that the copy shows the list's colours and cells.
Node markedDisk() {
    Node needed = file("y.txt", 2048);
    needed.mark = 1;
    Node useless = file("b.txt", 1536);
    useless.mark = 2;
    useless.comment = "old";
    return folder("D:\\",
                  {folder("A", {needed, folder("B", {file("x.txt")}), file("z.txt", 5)}), useless});
}

class OfflineWindow : public ::testing::Test {
protected:
    void SetUp() override {
        saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("data")));
        first = QFileInfo(writeList(dir, "first.kx")).absoluteFilePath();
        second = QFileInfo(writeList(dir, "second.kx", markedDisk())).absoluteFilePath();
        const auto catalog = kx::catalog::Catalog::open(kx::catalog::defaultCatalogPath());
        catalog->add(first.toStdString());
        catalog->add(second.toStdString());
        w = makeWindow();
    }
    void TearDown() override { qputenv("XDG_DATA_HOME", saved); }

    kx::TCatalogForm* catalogWindow() {
        QApplication::setActiveWindow(w.form.get());
        QTest::keyClick(w.form.get(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
        return w->catalogForm();
    }
    // The list's row `row` in the catalogue window's table made current, then `button`.
    void listCommand(int row, QPushButton* kx::TCatalogForm::*button) {
        kx::TCatalogForm* f = catalogWindow();
        f->lvLists->setCurrentIndex(f->lists->index(row, 0));
        (f->*button)->click();
        ASSERT_TRUE(finishJobs(w));
    }
    // Every cell of the rows shown: its text, colours and font.
    QVariantList cells() const {
        QVariantList out;
        const kx::DetailModel* m = w->model();
        for (int r = 0; r < m->rowCount(); ++r)
            for (int c = 0; c < m->columnCount(); ++c)
                for (int role : {Qt::DisplayRole, Qt::ForegroundRole, Qt::BackgroundRole,
                                 Qt::FontRole, Qt::ToolTipRole})
                    out << m->data(m->index(r, c), role);
        return out;
    }
    // The cells of the root folder, then of A.
    QVariantList rootAndA() {
        QVariantList out = cells();
        clickNode(*w.form, nodeNamed(*w.form, "A"));
        return out + cells();
    }
    QString statusText() const {
        const auto* label = w->statusBar()->findChild<QLabel*>("lblOffline");
        return label && label->isVisible() ? label->text() : QString();
    }
    QString copyText(kx::ui::Cap state) const {
        return w->tables().caption(kx::ui::Cap::offlineCopy).arg(second) + ", " +
               w->tables().caption(state);
    }
    QString selectedCaption() const { return rowCaptions(*w.form).value(w->firstSelectedRow()); }
    std::vector<QAction*> editCommands() const {
        return {w->neededAction, w->notneededAction, w->clearAction, w->commentAction,
                w->saveAction,   w->undoAction,      w->redoAction};
    }

    QTemporaryDir dir;
    QByteArray saved;
    QString first, second;
    Window w;
};

TEST_F(OfflineWindow, ADeletedListIsBrowsedFromTheCatalogueAsItsFileShowedIt) {
    openThroughDialog(w, second);
    const QVariantList fromFile = rootAndA();
    ASSERT_TRUE(QFile::remove(second));

    listCommand(1, &kx::TCatalogForm::btBrowse);
    EXPECT_TRUE(w.dialogs->messages.empty()) << w.dialogs->lastMessage().toStdString();
    ASSERT_TRUE(w->readOnly());
    EXPECT_EQ(w->currentNode(), w->root());
    EXPECT_EQ(rootAndA(), fromFile);
    // The title and the status bar name the copy and the state of its file.
    const QString missing = copyText(kx::ui::Cap::offlineFileMissing);
    EXPECT_EQ(w->windowTitle(), kx::ui::applicationTitle() + " - " + missing);
    EXPECT_TRUE(statusText().startsWith(missing.toHtmlEscaped())) << statusText().toStdString();

    // Marks, comments, undo and save stay off, also after a job (a search) has ended; reading
    // commands work.
    scriptMask(*w.dialogs, "*.txt");
    w->spbtSearch->click();
    ASSERT_TRUE(finishJobs(w));
    EXPECT_TRUE(w->searchMode());
    for (QAction* a : editCommands())
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    EXPECT_FALSE(w->spbtSave->isEnabled());
    EXPECT_FALSE(w->N1->isEnabled());
    for (QAction* a : {w->searchAction, w->printAction, w->exportTextAction, w->backAction})
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
    clickRow(*w.form, 0);
    w->N1Click();
    w->lvInfoContextPopup();
    EXPECT_FALSE(w->listModified());

    // Opening a file leaves the copy: everything on again, the title and status bar plain.
    openThroughDialog(w, first);
    EXPECT_FALSE(w->readOnly());
    for (QAction* a : editCommands())
        EXPECT_EQ(a->isEnabled(), true) << a->text().toStdString();
    EXPECT_EQ(w->windowTitle(), kx::ui::applicationTitle());
    EXPECT_EQ(statusText(), QString());
}

TEST_F(OfflineWindow, AFoundRowOfAMissingListIsShownInTheCopy) {
    // An unsaved change is asked about first, as an Open asks.
    openThroughDialog(w, first);
    clickRow(*w.form, 2);
    w->spbtNeed->click();
    ASSERT_TRUE(QFile::remove(second));
    kx::TCatalogForm* f = catalogWindow();
    f->fields->ledMask->setText("z.txt");
    f->fields->FindBitBtn->click();
    for (QDeadlineTimer d(30000); f->searching() && !d.hasExpired();)
        QTest::qWait(1);
    ASSERT_EQ(f->rows->rowCount(), 1);
    w.dialogs->answers.push_back(kx::UserDialogs::Answer::No);
    f->lvFound->setCurrentIndex(f->sorted->mapFromSource(f->rows->index(0, 0)));
    QTest::keyClick(f->lvFound, Qt::Key_Return);
    ASSERT_TRUE(finishJobs(w));
    EXPECT_EQ(w.dialogs->questions.size(), 1u);
    ASSERT_TRUE(w->readOnly());
    EXPECT_EQ(w->currentNode(), nodeNamed(*w.form, "A"));
    EXPECT_EQ(selectedCaption(), "z.txt");
}

TEST_F(OfflineWindow, OpeningAListTellsAMissingFileAndOffersTheCopy) {
    ASSERT_TRUE(QFile::remove(second));
    const QString told = w->tables().message(kx::ui::Msg::listFileMissingOffered).arg(second);
    // No leaves the window as it was; Yes browses the copy.
    listCommand(1, &kx::TCatalogForm::btOpen);
    ASSERT_EQ(w.dialogs->questions.size(), 1u);
    EXPECT_EQ(w.dialogs->questions.back().text, told);
    EXPECT_EQ(w->root(), nullptr);
    w.dialogs->answers.push_back(kx::UserDialogs::Answer::Yes);
    listCommand(1, &kx::TCatalogForm::btOpen);
    EXPECT_EQ(w.dialogs->questions.size(), 2u);
    EXPECT_TRUE(w->readOnly());
    EXPECT_EQ(w->listFilePath(), second);
}

TEST_F(OfflineWindow, APresentListFileIsOpenedAtTheEntry) {
    const struct {
        const char* what;
        std::uint32_t ord;
        const kx::Entry* (*folder)(const kx::TInfoFileForm&);
        QString selected;
    } cases[] = {
        {"the root", 0, [](const kx::TInfoFileForm& f) { return (const kx::Entry*)f.root(); }, ""},
        {"A\\y.txt as indexed", 2, [](const kx::TInfoFileForm& f) { return nodeNamed(f, "A"); },
         "y.txt"},
    };
    for (const auto& c : cases) {
        w->catalogOpenList(second.toStdString(), c.ord);
        ASSERT_TRUE(finishJobs(w)) << c.what;
        EXPECT_TRUE(w.dialogs->messages.empty())
            << c.what << w.dialogs->lastMessage().toStdString();
        EXPECT_FALSE(w->readOnly()) << c.what;
        EXPECT_EQ(w->listFilePath(), second) << c.what;
        EXPECT_EQ(w->currentNode(), c.folder(*w.form)) << c.what;
        if (!c.selected.isEmpty()) {
            EXPECT_EQ(selectedCaption(), c.selected) << c.what;
        }
    }
}

TEST_F(OfflineWindow, TheStatusBarLinkOpensTheListFileAtTheFolderShown) {
    listCommand(1, &kx::TCatalogForm::btBrowse);
    ASSERT_TRUE(w->readOnly());
    EXPECT_TRUE(statusText().startsWith(copyText(kx::ui::Cap::offlineFilePresent).toHtmlEscaped()));
    clickNode(*w.form, nodeNamed(*w.form, "A"));
    clickNode(*w.form, nodeNamed(*w.form, "B"));
    ASSERT_EQ(w->currentNode(), nodeNamed(*w.form, "B"));
    auto* link = w->statusBar()->findChild<QLabel*>("lblOffline");
    ASSERT_NE(link, nullptr);
    emit link->linkActivated("open");
    ASSERT_TRUE(finishJobs(w));
    EXPECT_FALSE(w->readOnly());
    EXPECT_EQ(w->listFilePath(), second);
    EXPECT_EQ(w->currentNode(), nodeNamed(*w.form, "B"));
}

} // namespace
