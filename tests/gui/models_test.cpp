// The item models under Qt's model tester, through every change the window makes to them.
#include "browser/gui/detailmodel.h"
#include "browser/gui/foldermodel.h"
#include "common/treebuilder.h"
#include "query/search.h"

#include <QAbstractItemModelTester>
#include <QStringList>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace kx {
namespace {

// Collects what the model tester reports (it warns in the "qt.modeltest" category) while alive.
class TesterReports {
public:
    TesterReports() { m_previous = qInstallMessageHandler(&TesterReports::handle); }
    ~TesterReports() { qInstallMessageHandler(m_previous); }
    static QStringList& reports() {
        static QStringList list;
        return list;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type != QtDebugMsg && type != QtInfoMsg && context.category &&
            std::strcmp(context.category, "qt.modeltest") == 0)
            reports() << text;
    }
    QtMessageHandler m_previous = nullptr;
};

TEST(DetailModel, PassesTheModelTesterThroughEveryChange) {
    // Rows of every style: a folder, a damaged file, a marked one with a comment, a crossed-out
    // one, and a folder below with one file.
    kxtest::TreeBuilder t{"C:\\Data\\"};
    Entry* root = t.root();
    Entry* docs = t.folder(root, "Docs");
    t.file(docs, "a.doc", 1536);
    t.file(root, "bad.bin", 10).attributes(damaged);
    t.file(root, "kept.txt", 512).mark(1).comment("keep it");
    t.file(root, "gone.txt").crossedOut(1).mark(2);

    TesterReports reports;
    TesterReports::reports().clear();
    DetailModel model;
    model.setColumnCaptions({"Name", "Size", "Created", "Changed", "Attributes", "Comment"});
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    const std::string nowhere = "/nonexistent-fentaro-place/";
    SearchResults found; // the model shows these without a copy

    struct Step {
        const char* what;
        std::function<void()> change;
        int rows;
    } steps[] = {
        {"empty", [] {}, 0},
        {"folder rows", [&] { model.showFolderRows(root->children(), false, nowhere); }, 4},
        {"folder rows under ..", [&] { model.showFolderRows(docs->children(), true, nowhere); }, 2},
        {"empty folder under ..", [&] { model.showFolderRows({}, true, nowhere); }, 1},
        {"search rows",
         [&] {
             found = searchByMask(root, "a");
             model.showSearchRows(found);
         },
         2}, // Docs\a.doc, bad.bin
        {"search rows sorted by name, descending",
         [&] { model.setSortOrder(DetailModel::colName, Qt::DescendingOrder); }, 2},
        {"folder rows under .. sorted",
         [&] {
             model.showFolderRows(root->children(), true, nowhere);
             model.setSortOrder(DetailModel::colSize, Qt::AscendingOrder);
         },
         5},
        {"the list's own order again", [&] { model.setSortOrder(-1, Qt::AscendingOrder); }, 5},
        {"search rows again", [&] { model.showSearchRows(found); }, 2},
        {"marks changed in place",
         [&] {
             for (Entry* e : model.rowEntries())
                 e->setMark(1);
             model.rowsChanged();
         },
         2},
        {"cleared", [&] { model.clear(); }, 0},
        {"nothing to repaint", [&] { model.rowsChanged(); }, 0},
    };
    for (const auto& s : steps) {
        s.change();
        EXPECT_EQ(model.rowCount(), s.rows) << s.what;
        EXPECT_TRUE(TesterReports::reports().isEmpty())
            << s.what << ": " << TesterReports::reports().join("; ").toStdString();
        TesterReports::reports().clear();
    }
}

// The folder pane: the root as its one top node (captioned with the list file's name), a node for
// every folder below in the list's order and none for files, with the tree pictures.
TEST(FolderModel, ShowsEveryFolderAndPassesTheModelTester) {
    kxtest::TreeBuilder t{"D:\\"};
    Entry* root = t.root();
    t.file(root, "x");
    Entry* a = t.folder(root, "A");
    Entry* b = t.folder(a, "B");
    t.file(b, "y");
    Entry* a2 = t.folder(root, "A"); // a namesake is a node of its own
    t.folder(a2, "C");

    TesterReports reports;
    TesterReports::reports().clear();
    FolderModel model;
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    EXPECT_EQ(model.rowCount(), 0);
    model.setRoot(root, QStringLiteral("disk.kx"));
    ASSERT_EQ(model.rowCount(), 1);
    const QModelIndex top = model.index(0, 0);
    EXPECT_EQ(top.data().toString(), "disk.kx");
    EXPECT_EQ(model.rowCount(top), 2);
    EXPECT_EQ(FolderModel::entryOf(model.index(1, 0, top)), a2);
    EXPECT_EQ(model.indexOf(b).parent(), model.indexOf(a));
    EXPECT_EQ(model.indexOf(b).data().toString(), "B");
    EXPECT_EQ(model.rowCount(model.indexOf(b)), 0);
    EXPECT_EQ(model.image(root), imageRoot);
    EXPECT_EQ(model.selectedImage(root), imageRoot);
    EXPECT_EQ(model.image(b), imageFolder);
    EXPECT_EQ(model.selectedImage(b), imageFolder);
    model.setOpenImage(b);
    EXPECT_EQ(model.selectedImage(b), imageOpenFolder);
    EXPECT_EQ(model.image(b), imageFolder);
    model.setRoot(nullptr, QString());
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_TRUE(TesterReports::reports().isEmpty())
        << TesterReports::reports().join("; ").toStdString();
}

} // namespace
} // namespace kx
