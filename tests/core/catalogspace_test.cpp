// Where the space goes over the whole catalogue: the files and bytes by type and the largest
// files, read from the stored rows of every list.
#include "catalog/catalog.h"
#include "common/fixtures.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace kxtest;
using kx::catalog::Catalog;

namespace {

struct CatalogSpace : ::testing::Test {
    QTemporaryDir dir;
    std::string db = (dir.path() + "/cat.sqlite").toStdString();
    std::string one = (dir.path() + "/one.kx").toStdString();
    std::string two = (dir.path() + "/two.kx").toStdString();
    void SetUp() override {
        TreeBuilder a{"C:\\"};
        kx::Entry* photos = a.folder(a.root(), "Photos");
        a.file(photos, "a.JPG", 300);
        a.file(a.folder(photos, "Deep"), "b.mkv", 5000);
        a.file(a.root(), "notes", 7);
        kx::Entry* half = a.file(a.root(), "half.jpg");
        const std::uint8_t value[10] = {0, 0, 0,    0,    0,
                                        0, 0, 0xC0, 0xFF, 0x3F}; // 1.5: no whole size
        half->patchRecord(kx::rec::size, value, 10);
        writeListFile(one, a.tree());
        TreeBuilder b{"D:\\"};
        b.file(b.root(), "c.jpg", 300);
        b.file(b.root(), "d.zip", 900);
        writeListFile(two, b.tree());
        const auto catalog = Catalog::open(db);
        catalog->add(one);
        catalog->add(two);
    }
};

TEST_F(CatalogSpace, TypesSumEveryListsFiles) {
    const kx::TypeTotals totals = Catalog::open(db)->sizesByType();
    EXPECT_EQ(totals.all().entries, 6u); // half.jpg counts, with 0 bytes
    EXPECT_EQ(totals.all().bytes, 6507u);
    EXPECT_EQ(totals.group(kx::TypeGroup::pictures).entries, 3u);
    EXPECT_EQ(totals.group(kx::TypeGroup::pictures).bytes, 600u);
    EXPECT_EQ(totals.group(kx::TypeGroup::video).bytes, 5000u);
    EXPECT_EQ(totals.group(kx::TypeGroup::archives).bytes, 900u);
    EXPECT_EQ(totals.rows().front().extension, "mkv");
}

TEST_F(CatalogSpace, LargestFilesWithTheirListsAndPlaces) {
    const auto catalog = Catalog::open(db);
    const std::vector<kx::catalog::LargeFile> all = catalog->largestFiles(3);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].caption, "Photos\\Deep\\b.mkv");
    EXPECT_EQ(all[0].listPath, kx::catalog::absoluteListPath(one));
    EXPECT_EQ(all[1].caption, "d.zip");
    // Equal sizes: the list added first, then the place.
    EXPECT_EQ(all[2].caption, "Photos\\a.JPG");
    EXPECT_EQ(all[2].size, 300u);

    kx::TypeChoice jpg;
    jpg.anyType = false;
    jpg.group = kx::TypeGroup::pictures;
    jpg.oneExtension = true;
    jpg.extension = "jpg";
    const std::vector<kx::catalog::LargeFile> pictures = catalog->largestFiles(100, jpg);
    ASSERT_EQ(pictures.size(), 2u); // half.jpg has no whole size
    EXPECT_EQ(pictures[1].caption, "c.jpg");
    // The place finds the Entry in the list as the catalogue rebuilds it.
    const auto tree = catalog->loadTree(pictures[1].listId);
    EXPECT_EQ(kx::catalog::entryAtOrd(tree->root(), pictures[1].ord)->name(), "c.jpg");
    EXPECT_TRUE(catalog->largestFiles(0).empty());
}

} // namespace
