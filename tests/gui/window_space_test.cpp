// Where the space goes in the window: the treemap that follows the main window's folder, its
// clicks, zoom and export, the types with the largest files of a type, the largest files, both
// themes and both languages, and the same views over the whole catalogue.
#include "window_helpers.h"

#include "browser/gui/spaceform.h"
#include "catalog/catalog.h"
#include "catalog/gui/catalogform.h"
#include "support/strings.h"

#include <QAction>
#include <QComboBox>
#include <QSvgRenderer>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

using namespace kxtest;

namespace {

// C:\ > Photos > (a.jpg 4000, b.png 2000, Raw > c.nef 6000), film.mkv 13000, notes.txt 1000,
// empty.txt 0. Shown, the root reads Photos, film.mkv, notes.txt, empty.txt.
Node spaceTree() {
    return folder("C:\\", {folder("Photos", {file("a.jpg", 4000), file("b.png", 2000),
                                             folder("Raw", {file("c.nef", 6000)})}),
                           file("film.mkv", 13000), file("notes.txt", 1000), file("empty.txt")});
}

class SpaceWindow : public ::testing::Test {
protected:
    void SetUp() override {
        w = makeWindow();
        openThroughDialog(w, writeList(dir, "space.kx", spaceTree()));
        ASSERT_NE(w->root(), nullptr);
    }
    kx::TSpaceForm* press(Qt::Key key) {
        QApplication::setActiveWindow(w.form.get());
        QTest::keyClick(w.form.get(), key, Qt::ControlModifier | Qt::ShiftModifier);
        kx::TSpaceForm* f = w->spaceForm();
        EXPECT_TRUE(f && f->isVisible());
        return f;
    }
    // The names of the cells that lie directly in the treemap's folder, and their areas.
    static std::map<std::string, double> topAreas(const kx::TSpaceForm* f) {
        std::map<std::string, double> out;
        for (const kx::TreemapCell& c : f->treemap->cells())
            if (c.depth == 0) out[f->treemap->cellName(c)] = c.rect.w * c.rect.h;
        return out;
    }
    const kx::TreemapCell& cellNamed(const kx::TSpaceForm* f, const std::string& name) {
        for (const kx::TreemapCell& c : f->treemap->cells())
            if (f->treemap->cellName(c) == name) return c;
        ADD_FAILURE() << "no cell " << name;
        static kx::TreemapCell none{};
        return none;
    }
    QPoint centre(const kx::TreemapCell& c) {
        return QPoint(int(c.rect.x + c.rect.w / 2), int(c.rect.y + c.rect.h / 2));
    }
    QString selectedCaption() {
        const int row = w->firstSelectedRow();
        return row < 0 ? QString() : rowCaptions(*w.form).value(row);
    }
    QTemporaryDir dir;
    Window w;
};

// A double-click on a row of a table, as the mouse makes it.
void doubleClickTableRow(QTreeWidget* table, int row) {
    QApplication::processEvents(); // a tab just shown is laid out
    const QPoint at = table->visualItemRect(table->topLevelItem(row)).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
}

// Each cell's share of the treemap is its share of the bytes within 1%, and together they fill it.
void expectProportional(const kx::TSpaceForm* f, const std::map<std::string, double>& areas,
                        const std::map<std::string, double>& bytes) {
    double total = 0, covered = 0;
    for (const auto& [name, b] : bytes)
        total += b;
    const double whole = double(f->treemap->width()) * f->treemap->height();
    ASSERT_EQ(areas.size(), bytes.size());
    for (const auto& [name, b] : bytes) {
        SCOPED_TRACE(name);
        const double want = whole * b / total;
        EXPECT_NEAR(areas.at(name), want, want * 0.01);
        covered += areas.at(name);
    }
    EXPECT_NEAR(covered, whole, whole * 1e-6);
}

TEST_F(SpaceWindow, TreemapFollowsTheFolderZoomsAndSelects) {
    kx::TSpaceForm* f = press(Qt::Key_M);
    EXPECT_EQ(f->tabs->currentIndex(), kx::TSpaceForm::treemapTab);
    expectProportional(f, topAreas(f),
                       {{"Photos", 12000}, {"film.mkv", 13000}, {"notes.txt", 1000}});
    // After a resize the layout fills the new size.
    f->treemap->resize(500, 300);
    expectProportional(f, topAreas(f),
                       {{"Photos", 12000}, {"film.mkv", 13000}, {"notes.txt", 1000}});

    doubleClickRow(*w.form, 0); // the main window shows Photos: the treemap follows
    EXPECT_EQ(topAreas(f).size(), 3u);
    EXPECT_EQ(topAreas(f).count("Raw"), 1u);

    // A double-click in a folder (here on c.nef, which fills Raw) zooms into it: the main window
    // shows it; Back and Up zoom out.
    QTest::mouseDClick(f->treemap, Qt::LeftButton, {}, centre(cellNamed(f, "Raw")));
    EXPECT_EQ(w->navigator().shown()->name(), "Raw");
    EXPECT_EQ(topAreas(f).size(), 1u);
    f->btBack->click();
    EXPECT_EQ(w->navigator().shown()->name(), "Photos");
    EXPECT_EQ(topAreas(f).count("a.jpg"), 1u);
    f->btUp->click();
    EXPECT_EQ(w->navigator().shown(), w->root());
    EXPECT_EQ(topAreas(f).count("film.mkv"), 1u);

    // A click selects the Entry in the main window; one deep below shows its folder there,
    // while the treemap stays where it is.
    QTest::mouseClick(f->treemap, Qt::LeftButton, {}, centre(cellNamed(f, "film.mkv")));
    EXPECT_EQ(selectedCaption(), "film.mkv");
    QTest::mouseClick(f->treemap, Qt::LeftButton, {}, centre(cellNamed(f, "c.nef")));
    EXPECT_EQ(w->navigator().shown()->name(), "Raw");
    EXPECT_EQ(selectedCaption(), "c.nef");
    EXPECT_EQ(topAreas(f).count("film.mkv"), 1u);

    // The hover names the path below the root and the bytes.
    EXPECT_EQ(f->treemap->cellTitle(cellNamed(f, "c.nef")),
              QString::fromUtf8("Photos\\Raw\\c.nef — 6000 B"));
}

TEST_F(SpaceWindow, TypesFilterTheLargestFilesOfTheTypeClicked) {
    kx::TSpaceForm* f = press(Qt::Key_T);
    EXPECT_EQ(f->tabs->currentIndex(), kx::TSpaceForm::typesTab);
    QStringList groups;
    for (int i = 0; i < f->types->topLevelItemCount(); ++i)
        groups << f->types->topLevelItem(i)->text(kx::TypesView::colGroup) + " " +
                      f->types->topLevelItem(i)->text(kx::TypesView::colBytes);
    EXPECT_EQ(groups, QStringList({QString::fromUtf8("Видео 13 000"),
                                   QString::fromUtf8("Изображения 12 000"),
                                   QString::fromUtf8("Документы 1 000")}));
    const auto paths = [](const kx::LargestView* v) {
        QStringList out;
        for (int i = 0; i < v->topLevelItemCount(); ++i)
            out << v->topLevelItem(i)->text(kx::LargestView::colPath);
        return out;
    };
    QTreeWidgetItem* pictures = f->types->topLevelItem(1);
    f->types->setCurrentItem(pictures);
    EXPECT_EQ(paths(f->typeFiles),
              QStringList({"Photos\\Raw\\c.nef", "Photos\\a.jpg", "Photos\\b.png"}));
    for (int i = 0; i < pictures->childCount(); ++i)
        if (pictures->child(i)->text(kx::TypesView::colExtension) == "png")
            f->types->setCurrentItem(pictures->child(i));
    EXPECT_EQ(paths(f->typeFiles), QStringList({"Photos\\b.png"}));
    // A click on a header sorts by that column.
    f->types->sortByColumn(kx::TypesView::colFiles, Qt::AscendingOrder);
    EXPECT_EQ(f->types->topLevelItem(0)->text(kx::TypesView::colFiles), "1");

    // The largest files, one click from the treemap; a double-click selects one.
    f->showTab(kx::TSpaceForm::treemapTab);
    f->btLargest->click();
    EXPECT_EQ(f->tabs->currentIndex(), kx::TSpaceForm::largestTab);
    EXPECT_EQ(paths(f->largest), QStringList({"film.mkv", "Photos\\Raw\\c.nef", "Photos\\a.jpg",
                                              "Photos\\b.png", "notes.txt"}));
    doubleClickTableRow(f->largest, 1);
    EXPECT_EQ(w->navigator().shown()->name(), "Raw");
    EXPECT_EQ(selectedCaption(), "c.nef");
}

TEST_F(SpaceWindow, ExportsPngAndSvgInBothThemesAndLanguages) {
    kx::TSpaceForm* f = press(Qt::Key_M);
    const QString png = dir.filePath("map.png"), svg = dir.filePath("map.svg");
    w.dialogs->saveFiles = {png, svg};
    f->btPng->click();
    f->btSvg->click();
    const QImage image(png);
    EXPECT_EQ(image.size(), f->treemap->size());
    QSvgRenderer renderer(svg);
    EXPECT_TRUE(renderer.isValid());
    EXPECT_EQ(renderer.defaultSize(), f->treemap->size());
    // The saved picture is not written over the list.
    w.dialogs->saveFiles = {w->listFilePath()};
    f->btSvg->click();
    EXPECT_FALSE(w.dialogs->lastMessage().isEmpty());
    EXPECT_NE(w->root(), nullptr);

    // Both themes: the folders' frames follow the background; a file keeps its type's colour.
    const kx::TreemapCell photos = cellNamed(f, "Photos");
    const QPoint strip(int(photos.rect.x + photos.rect.w - 4), int(photos.rect.y + 4));
    const QPoint film = centre(cellNamed(f, "film.mkv"));
    EXPECT_EQ(f->treemap->image().pixel(strip) & 0xffffff, 0xe8e8e8u);
    QPalette dark = f->palette();
    dark.setColor(QPalette::Base, Qt::black);
    dark.setColor(QPalette::Text, Qt::white);
    f->setPalette(dark);
    EXPECT_EQ(f->treemap->image().pixel(strip) & 0xffffff, 0x3a3a3au);
    EXPECT_EQ(f->treemap->image().pixel(film) & 0xffffff,
              kx::typeGroupColour(kx::TypeGroup::video));
    EXPECT_NE(f->treemap->svg().find("#202020"), std::string::npos);

    // By marks instead of types.
    f->cbColouring->setCurrentIndex(1);
    EXPECT_EQ(f->treemap->image().pixel(film) & 0xffffff, 0xf4f4f4u);

    // Both languages.
    const QString saved = kx::ui::languageCode();
    for (const char* lang : {"eng", "rus"}) {
        kx::ui::setLanguageCode(lang);
        w->applyStringTables();
        EXPECT_EQ(f->tabs->tabText(kx::TSpaceForm::treemapTab),
                  w->tables().caption(kx::ui::Cap::treemapTab));
        EXPECT_EQ(w->treemapAction->text(), w->tables().caption(kx::ui::Cap::treemapCommand));
        EXPECT_FALSE(f->btSvg->text().isEmpty());
    }
    EXPECT_EQ(w->tables().caption(kx::ui::Cap::treemapTab), QString::fromUtf8("Карта"));
    kx::ui::setLanguageCode(saved);
    w->applyStringTables();
}

// Files far smaller than a pixel still colour the pixels they fall in, instead of leaving their
// folder's grey.
TEST_F(SpaceWindow, FilesBelowAPixelStillShow) {
    std::vector<Node> files;
    for (int i = 0; i < 40000; ++i)
        files.push_back(file("f" + std::to_string(i), 1000 + i % 7));
    openThroughDialog(w, writeList(dir, "many.kx", folder("C:\\", {folder("Many", files)})));
    kx::TSpaceForm* f = press(Qt::Key_M);
    f->treemap->resize(120, 100);
    ASSERT_EQ(f->treemap->cells().size(), 40001u);
    const kx::TreemapCell& many = cellNamed(f, "Many");
    const QPoint inside(int(many.rect.x + many.rect.w / 2), int(many.rect.y + many.rect.h * 0.75));
    EXPECT_EQ(f->treemap->image().pixel(inside) & 0xffffff,
              kx::typeGroupColour(kx::TypeGroup::other));
}

// The catalogue window: the same views over every list, and over a disk browsed offline.
class CatalogueSpace : public SpaceWindow {
protected:
    void SetUp() override {
        saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("data")));
        const auto catalog = kx::catalog::Catalog::open(kx::catalog::defaultCatalogPath());
        catalog->add(writeList(dir, "space.kx", spaceTree()).toStdString());
        catalog->add(
            writeList(dir, "small.kx", folder("D:\\", {file("x.zip", 10000)})).toStdString());
        w = makeWindow();
    }
    void TearDown() override { qputenv("XDG_DATA_HOME", saved); }
    kx::TCatalogForm* catalogue() {
        QApplication::setActiveWindow(w.form.get());
        QTest::keyClick(w.form.get(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
        return w->catalogForm();
    }
    QByteArray saved;
};

TEST_F(CatalogueSpace, WholeCatalogueAndOneDiskBrowsedOffline) {
    kx::TCatalogForm* c = catalogue();
    c->btSpaceAll->click();
    kx::TSpaceForm* f = w->catalogueSpaceForm();
    ASSERT_TRUE(f && f->isVisible());
    // The lists by their bytes, each named by its file (a saved list keeps no root name).
    expectProportional(f, topAreas(f), {{"space.kx", 26000}, {"small.kx", 10000}});
    f->showTab(kx::TSpaceForm::typesTab);
    EXPECT_EQ(f->types->topLevelItem(0)->text(kx::TypesView::colBytes), "13 000");
    f->showTab(kx::TSpaceForm::largestTab);
    ASSERT_EQ(f->largest->topLevelItemCount(), 6);
    EXPECT_TRUE(f->largest->topLevelItem(1)->text(0).endsWith("small.kx: x.zip"));
    // A double-click on a file opens its list there, whatever the types table listed since.
    f->types->setCurrentItem(f->types->topLevelItem(1));
    ASSERT_GT(f->typeFiles->topLevelItemCount(), 0);
    doubleClickTableRow(f->largest, 1);
    ASSERT_TRUE(finishJobs(w));
    EXPECT_TRUE(w->listFilePath().endsWith("small.kx"));
    EXPECT_FALSE(w->readOnly());
    EXPECT_EQ(rowCaptions(*w.form).value(w->firstSelectedRow()), "x.zip");

    // A double-click on a disk browses it from the catalogue.
    QTest::mouseDClick(f->treemap, Qt::LeftButton, {}, centre(cellNamed(f, "small.kx")));
    ASSERT_TRUE(finishJobs(w));
    EXPECT_TRUE(w->readOnly());
    EXPECT_EQ(rowCaptions(*w.form), QStringList({"x.zip"}));

    // The list's own button: the disk browsed offline with the space window over it.
    c->lvLists->setCurrentIndex(c->lists->index(0, 0));
    c->btSpace->click();
    ASSERT_TRUE(finishJobs(w));
    ASSERT_TRUE(w->spaceForm() && w->spaceForm()->isVisible());
    EXPECT_EQ(topAreas(w->spaceForm()).count("film.mkv"), 1u);
}

} // namespace
