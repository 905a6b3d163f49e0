// What the detail list shows for a folder: row order, the ".." row, the cells and the icons.
#include "window_helpers.h"

#include <QFileIconProvider>

#include <gtest/gtest.h>

using namespace kxtest;

namespace {

TEST(FolderView, RowsCellsAndOrder) {
    QTemporaryDir dir;
    const Node root = folder(
        "list", {file("fA", 0), file("fB", 1), folder("Sub", {}),
                 folder("Sizes", {file("s512", 512), file("s1536", 1536), file("s2560", 2560),
                                  file("s3584", 3584, 0x11), file("mb", 1048576, 0xFF)})});
    Window w = makeWindow();
    openThroughDialog(w, writeList(dir, "l.kx", root));
    // Files before a folder are exchanged with it: [fA, fB, Sub, Sizes] shows Sub, Sizes, fA, fB
    // and the tree keeps that order.
    EXPECT_EQ(rowCaptions(*w.form), QStringList({"Sub", "Sizes", "fA", "fB"}));
    EXPECT_EQ(w->root()->children()[0]->name(), "Sub");

    clickNode(*w.form, nodeNamed(*w.form, "Sub"));
    EXPECT_EQ(rowCaptions(*w.form), QStringList({".."}));
    EXPECT_TRUE(w->hasUpRow());

    clickNode(*w.form, nodeNamed(*w.form, "Sizes"));
    const struct {
        int row;
        const char *size, *attributes;
    } cases[] = {{1, "1", "----"},
                 {2, "2", "----"},
                 {3, "2", "----"},
                 {4, "4", "RA"},
                 {5, "1024", "RHSVATCE"}};
    auto cell = [&](int row, int col) {
        return w->model()->data(w->model()->index(row, col), Qt::DisplayRole).toString();
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        EXPECT_EQ(cell(c.row, 1), c.size);
        EXPECT_EQ(cell(c.row, 4), c.attributes);
        EXPECT_EQ(cell(c.row, 2), "01.02.2003 04:05:06");
        EXPECT_EQ(cell(c.row, 5), "----");
    }
    EXPECT_EQ(cell(0, 1), ""); // the ".." row has no cells
    EXPECT_EQ(w->model()->data(w->model()->index(1, 1), Qt::TextAlignmentRole).value<int>() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
}

TEST(FolderView, IconsPreferTheRealItemThenKindThenExtension) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("realdir"));
    // The root's name is the scanned place; here a folder of this computer.
    const std::string place = dir.path().toStdString();
    const Node root =
        folder(place, {file("realdir"), folder("ghostdir"), file("ghost.png"), file("ghost")});
    Window w = makeWindow();
    openThroughDialog(w, writeList(dir, "l.kx", root));
    ASSERT_EQ(rowCaptions(*w.form), QStringList({"ghostdir", "realdir", "ghost.png", "ghost"}));
    auto iconName = [&](int row) {
        return w->model()
            ->data(w->model()->index(row, 0), Qt::DecorationRole)
            .value<QIcon>()
            .name();
    };
    QFileIconProvider provider;
    EXPECT_EQ(iconName(1), provider.icon(QFileInfo(dir.filePath("realdir"))).name());
    EXPECT_EQ(iconName(0), provider.icon(QFileIconProvider::Folder).name());
    EXPECT_NE(iconName(2), iconName(3));
    EXPECT_FALSE(
        w->model()->data(w->model()->index(3, 0), Qt::DecorationRole).value<QIcon>().isNull());
}

} // namespace
