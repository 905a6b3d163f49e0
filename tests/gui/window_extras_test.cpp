// The daily-use extras of the window: sorting by a column header, the summary window, the
// filtered search and the CSV export.
#include "window_helpers.h"

#include "browser/gui/filterform.h"
#include "browser/gui/summaryform.h"
#include "common/treebuilder.h"
#include "listfile/codepage.h"
#include "output/csvexport.h"
#include "query/summary.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace kxtest;

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Root C:\ with folder D (B.txt, Sub, a.doc, б.txt as built; Sub comes first when D is shown)
// and x.txt. Dates, sizes and comments tell a sort by value and case folding from one by bytes.
std::unique_ptr<kx::EntryTree> sortTree() {
    TreeBuilder t("C:\\");
    kx::Entry* d = t.folder(t.root(), "D");
    t.file(d, "B.txt", 2048).dates("05.06.2023 10:00:00", "").comment("Zz").mark(2);
    t.folder(d, "Sub").dates("01.02.2024 04:05:06", "");
    t.file(d, "a.doc", 100).dates("", "").comment("keep");
    t.file(d, kx::toAnsi(u("б.txt")), 5).dates("5.6.2023 9:00:00", "").attributes(kx::damaged);
    t.file(t.root(), "x.txt", 7).mark(1);
    return t.take();
}

class Extras : public ::testing::Test {
protected:
    void SetUp() override {
        w = makeWindow();
        const std::unique_ptr<kx::EntryTree> tree = sortTree();
        path = dir.filePath("sort.kx");
        writeListFile(path.toStdString(), *tree);
        openThroughDialog(w, path);
        ASSERT_NE(w->root(), nullptr);
        w->activateWindow();
        QApplication::setActiveWindow(w.form.get());
    }
    QStringList rows() { return rowCaptions(*w.form); }
    void clickHeader(int column) {
        QHeaderView* h = w->lvInfo->header();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) / 2,
                                 h->height() / 2));
    }
    void key(int k, Qt::KeyboardModifiers mods) {
        QApplication::setActiveWindow(w.form.get()); // a job's progress window may have had it
        QTest::keyClick(w.form.get(), Qt::Key(k), mods);
        finishJobs(w);
    }
    void showD() {
        doubleClickRow(*w.form, 0); // D
        ASSERT_EQ(rows(), QStringList({"..", "Sub", "B.txt", "a.doc", u("б.txt")}));
    }
    kx::Entry* entryNamed(const QString& name) {
        for (kx::Entry* e : w->rowEntries())
            if (kx::fromAnsi(e->name()) == name) return e;
        return nullptr;
    }

    QTemporaryDir dir;
    QString path;
    Window w;
};

// ---------------------------------------------------------------- sorting

TEST_F(Extras, HeaderClicksSortAscendingDescendingThenTheListsOwnOrder) {
    showD();
    const QStringList own = rows();
    const QString b = u("б.txt");
    const struct {
        int column;
        QStringList ascending;
    } cases[] = {
        // Case folded by the code page: a < B, and б after every Latin letter.
        {kx::DetailModel::colName, {"..", "a.doc", "B.txt", "Sub", b}},
        {kx::DetailModel::colSize, {"..", "Sub", b, "a.doc", "B.txt"}},
        // By value (year, then month, day, time); the empty date first.
        {kx::DetailModel::colCreated, {"..", "a.doc", b, "B.txt", "Sub"}},
        // Equal keys keep the list's order.
        {kx::DetailModel::colChanged, {"..", "Sub", "B.txt", "a.doc", b}},
        {kx::DetailModel::colAttributes, {"..", "Sub", "B.txt", "a.doc", b}},
        {kx::DetailModel::colComment, {"..", "Sub", b, "a.doc", "B.txt"}},
    };
    QHeaderView* header = w->lvInfo->header();
    clickRow(*w.form, 2); // B.txt: the selection stays on its row wherever that goes
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        QStringList descending = c.ascending.mid(1);
        std::reverse(descending.begin(), descending.end());
        descending.prepend("..");
        clickHeader(c.column);
        EXPECT_EQ(rows(), c.ascending);
        EXPECT_EQ(header->sortIndicatorSection(), c.column);
        EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
        clickHeader(c.column);
        EXPECT_EQ(rows(), descending);
        EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
        EXPECT_EQ(rows().value(w->firstSelectedRow()), "B.txt");
        clickHeader(c.column);
        EXPECT_EQ(rows(), own);
        EXPECT_EQ(header->sortIndicatorSection(), -1);
    }
    EXPECT_EQ(w->selectedRows(), std::vector<int>({2}));
    // Another column starts over at ascending.
    clickHeader(kx::DetailModel::colName);
    clickHeader(kx::DetailModel::colSize);
    EXPECT_EQ(rows(), QStringList({"..", "Sub", b, "a.doc", "B.txt"}));
}

// Marks, comments, copies and Enter act on the Entries of the rows selected as shown; the order
// the navigator selects a row in (after Up) is found among the sorted rows; a save writes the
// list's own order, and the next open shows it.
TEST_F(Extras, SortedRowsReachTheirEntriesAndLeaveTheListAlone) {
    showD();
    clickHeader(kx::DetailModel::colName); // .., a.doc, B.txt, Sub, б.txt
    clickRow(*w.form, 1);
    clickRow(*w.form, 4, Qt::ControlModifier);
    w->spbtNeed->click();
    EXPECT_EQ(entryNamed("a.doc")->mark(), 1);
    EXPECT_EQ(entryNamed(u("б.txt"))->mark(), 1);
    EXPECT_EQ(entryNamed("B.txt")->mark(), 2);
    EXPECT_EQ(entryNamed("Sub")->mark(), 0);
    w->copyPathsClick();
    EXPECT_EQ(QApplication::clipboard()->text(), "\\D\\a.doc\n\\D\\" + u("б.txt"));

    clickRow(*w.form, 3); // Sub
    w->lvInfoKeyDown(Qt::Key_Return);
    EXPECT_EQ(kx::fromAnsi(w->navigator().shown()->name()), "Sub");
    w->spbtUpClick(); // back in D, still sorted, with Sub selected
    EXPECT_EQ(rows(), QStringList({"..", "a.doc", "B.txt", "Sub", u("б.txt")}));
    EXPECT_EQ(rows().value(w->firstSelectedRow()), "Sub");

    ASSERT_TRUE(saveAndWait(w));
    const std::unique_ptr<kx::Document> saved = kx::Document::open(path.toStdString());
    QStringList written;
    for (const kx::Entry* e : saved->root()->children()[0]->children())
        written << kx::fromAnsi(e->name());
    EXPECT_EQ(written, QStringList({"Sub", "B.txt", "a.doc", u("б.txt")}));

    openThroughDialog(w, path);
    EXPECT_EQ(w->lvInfo->header()->sortIndicatorSection(), -1);
    doubleClickRow(*w.form, 0);
    EXPECT_EQ(rows(), QStringList({"..", "Sub", "B.txt", "a.doc", u("б.txt")}));
}

// ---------------------------------------------------------------- filtered search

TEST_F(Extras, FilteredSearchListsWhatPassesAndShowsTheCount) {
    key(Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    kx::TFilterForm* f = w->filterForm();
    ASSERT_TRUE(f->isVisible());
    const struct {
        const char* what;
        QString mask;
        bool inComments;
        int mark; // 0 any, 1 unmarked, 2 required, 3 useless
        bool damaged;
        QString minSize, maxSize;
        int unit; // 0 bytes, 1 kB
        QStringList found;
    } cases[] = {
        {"a mark alone", "", false, 2, false, "", "", 1, {"x.txt"}},
        {"in comments, case folded", "KEE", true, 0, false, "", "", 1, {"D\\a.doc"}},
        {"the mask in names only", "KEE", false, 0, false, "", "", 1, {}},
        {"at least 1 kB", "", false, 0, false, "1", "", 1, {"D\\B.txt"}},
        {"damaged only", "", false, 0, true, "", "", 1, {"D\\" + u("б.txt")}},
        {"a mask and at most 10 bytes",
         "txt",
         false,
         0,
         false,
         "",
         "10",
         0,
         {"D\\" + u("б.txt"), "x.txt"}},
        {"no mask and no filter", "", false, 0, false, "", "", 0, {}},
    };
    for (const auto& c : cases) {
        f->fields->ledMask->setText(c.mask);
        f->fields->cbInComments->setChecked(c.inComments);
        f->fields->cbxMark->setCurrentIndex(c.mark);
        f->fields->cbDamaged->setChecked(c.damaged);
        f->fields->ledMinSize->setText(c.minSize);
        f->fields->ledMaxSize->setText(c.maxSize);
        f->fields->cbxSizeUnit->setCurrentIndex(c.unit);
        f->fields->FindBitBtn->click();
        finishJobs(w);
        EXPECT_TRUE(w->searchMode()) << c.what;
        EXPECT_EQ(rows(), c.found) << c.what;
        EXPECT_EQ(f->fields->lblFound->text(),
                  w->tables().caption(kx::ui::Cap::foundCount).arg(c.found.size()))
            << c.what;
    }

    // Wildcards make the mask a pattern over the whole name ("x*" alone holds a literal "*").
    f->fields->cbInComments->setChecked(false);
    f->fields->cbxMark->setCurrentIndex(0);
    f->fields->cbDamaged->setChecked(false);
    f->fields->ledMinSize->clear();
    f->fields->ledMaxSize->clear();
    f->fields->ledMask->setText("x*");
    f->fields->cbWildcards->setChecked(true);
    f->fields->FindBitBtn->click();
    finishJobs(w);
    EXPECT_EQ(rows(), QStringList{"x.txt"});
    f->fields->cbWildcards->setChecked(false);

    // A size that is no whole number is refused with a message; the results stay.
    f->fields->ledMask->setText("txt");
    f->fields->ledMaxSize->setText("10");
    f->fields->cbxSizeUnit->setCurrentIndex(0);
    f->fields->FindBitBtn->click();
    finishJobs(w);
    f->fields->ledMinSize->setText("-3");
    f->fields->FindBitBtn->click();
    finishJobs(w);
    EXPECT_EQ(w.dialogs->lastMessage(), w->tables().message(kx::ui::Msg::badSize));
    EXPECT_EQ(rows().size(), 2);

    // The results work as any search results: Enter on a found file shows it in its folder.
    clickRow(*w.form, 0);
    w->lvInfoKeyDown(Qt::Key_Return);
    EXPECT_FALSE(w->searchMode());
    EXPECT_EQ(rows().value(w->firstSelectedRow()), u("б.txt"));
}

// ---------------------------------------------------------------- summary

TEST_F(Extras, SummaryWindowShowsTheTotalsAndFollowsChanges) {
    using kx::TSummaryForm;
    clickRow(*w.form, 1); // x.txt
    key(Qt::Key_I, Qt::ControlModifier);
    TSummaryForm* f = w->summaryForm();
    ASSERT_TRUE(f->isVisible());
    EXPECT_EQ(f->lblListFile->text(), QDir::toNativeSeparators(path));
    EXPECT_EQ(f->lblHeader->text(), "test list");
    EXPECT_EQ(f->lblRoot->text(), kx::fromAnsi(w->root()->name()));
    const auto expectFigures = [&](const char* when, const std::vector<kx::Entry*>& selected) {
        SCOPED_TRACE(when);
        const kx::Entry* shown = w->navigator().shown();
        const kx::Summary parts[] = {kx::summarizeBelow(w->root()), kx::summarizeBelow(shown),
                                     kx::summarizeWithin(selected)};
        for (int r = 0; r < TSummaryForm::kRows; ++r)
            for (int part = 0; part < 3; ++part) {
                const kx::Tally& t = TSummaryForm::row(parts[part], r);
                const QTreeWidgetItem* item = f->twFigures->topLevelItem(r);
                EXPECT_EQ(item->text(TSummaryForm::colAllEntries + 2 * part),
                          TSummaryForm::number(t.entries))
                    << r << " " << part;
                EXPECT_EQ(item->text(TSummaryForm::colAllBytes + 2 * part),
                          TSummaryForm::bytesText(t.bytes))
                    << r << " " << part;
            }
    };
    kx::Entry* x = w->rowEntries()[1];
    expectFigures("open", {x});
    // x.txt: 7 bytes, required.
    EXPECT_EQ(f->twFigures->topLevelItem(3)->text(TSummaryForm::colSelectedEntries), "1");
    EXPECT_EQ(f->twFigures->topLevelItem(3)->text(TSummaryForm::colSelectedBytes), "7");

    w->spbtNotNeed->click();
    expectFigures("after a mark", {x});
    EXPECT_EQ(f->twFigures->topLevelItem(4)->text(TSummaryForm::colSelectedEntries), "1");
    w->undoClick();
    expectFigures("after the undo", {x});
    EXPECT_EQ(f->twFigures->topLevelItem(3)->text(TSummaryForm::colAllEntries), "1");
    // A selected folder counts with everything below it: D, its four entries, their bytes.
    clickRow(*w.form, 0);
    expectFigures("a folder", {w->rowEntries()[0]});
    EXPECT_EQ(f->twFigures->topLevelItem(0)->text(TSummaryForm::colSelectedEntries), "5");
    EXPECT_EQ(f->twFigures->topLevelItem(0)->text(TSummaryForm::colSelectedBytes),
              "2 153 (2.1 kB)");

    doubleClickRow(*w.form, 0); // D, its first row selected
    expectFigures("another folder", {w->model()->entryAt(w->firstSelectedRow())});
    clickRow(*w.form, 2, Qt::ControlModifier);
    clickRow(*w.form, 3, Qt::ControlModifier);
    const std::vector<kx::Entry*> shown = w->model()->shownEntries();
    expectFigures("a wider selection", {shown[0], shown[1], shown[2]});
    EXPECT_EQ(TSummaryForm::number(1234567), "1 234 567");
    EXPECT_EQ(TSummaryForm::bytesText(1023), "1 023");
    EXPECT_EQ(TSummaryForm::bytesText(5368709120), "5 368 709 120 (5.0 GB)");

    // Another list: its own figures.
    QTemporaryDir other;
    openThroughDialog(w, writeList(other, "other.kx"));
    EXPECT_EQ(f->lblListFile->text(), QDir::toNativeSeparators(other.filePath("other.kx")));
    expectFigures("another list", {});
}

// ---------------------------------------------------------------- CSV export

TEST_F(Extras, CsvExportWritesTheShownRowsOrTheWholeList) {
    const QString shownCsv = dir.filePath("shown"), wholeCsv = dir.filePath("whole.csv"),
                  reference = dir.filePath("reference.csv");
    showD();
    clickHeader(kx::DetailModel::colName);
    // Cancelled at the question: nothing is asked or written after it.
    key(Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(w.dialogs->questions.size(), 1u);

    w.dialogs->choices = {0};
    w.dialogs->saveFiles = {shownCsv};
    key(Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    // The rows as shown, sorted, without the ".." row; ".csv" added to the name.
    EXPECT_EQ(QString::fromStdString(readFile((shownCsv + ".csv").toStdString())),
              "path,kind,size,created,changed,attributes,mark,comment\r\n"
              "D\\a.doc,F,100,,,,0,keep\r\n"
              "D\\B.txt,F,2048,2023-06-05 10:00:00,,,2,Zz\r\n"
              "D\\Sub,D,0,2024-02-01 04:05:06,,,0,\r\n"
              "D\\" +
                  u("б.txt") + ",F,5,2023-06-05 09:00:00,,E,0,\r\n");

    w.dialogs->choices = {1};
    w.dialogs->saveFiles = {wholeCsv};
    key(Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(kx::out::exportCsvToFile(w->root(), {}, reference, {}));
    EXPECT_EQ(readFile(wholeCsv.toStdString()), readFile(reference.toStdString()));
    EXPECT_TRUE(w.dialogs->messages.empty());
}

} // namespace
