// Where the space goes: extensions and their groups, the totals by type, the largest files, the
// bytes of every subtree, and the squarified treemap laid out from them.
#include "query/filetypes.h"
#include "query/treemap.h"

#include "common/treebuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numeric>

namespace kx {
namespace {

using kxtest::TreeBuilder;

TEST(FileTypes, ExtensionsAndTheirGroups) {
    const struct {
        const char* name;
        const char* extension;
        TypeGroup group;
    } cases[] = {
        {"photo.JPG", "jpg", TypeGroup::pictures},
        {"film.final.MkV", "mkv", TypeGroup::video},
        {"song.flac", "flac", TypeGroup::audio},
        {"report.pdf", "pdf", TypeGroup::documents},
        {"backup.tar.gz", "gz", TypeGroup::archives},
        {"setup.exe", "exe", TypeGroup::programs},
        {"data.xyz", "xyz", TypeGroup::other},
        {"README", "", TypeGroup::other},
        {".profile", "", TypeGroup::other}, // a hidden name, not an extension
        {"trailing.", "", TypeGroup::other},
        {"Mr. Smith goes", "", TypeGroup::other},      // a space: part of the name
        {"x.abcdefghijklmnopq", "", TypeGroup::other}, // 17 bytes: too long to be one
        {"x.abcdefghijklmnop", "abcdefghijklmnop", TypeGroup::other},
        {"\xD1\x84\xD0\xBE\xD1\x82\xD0\xBE.PNG", "png", TypeGroup::pictures},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(extensionOf(c.name), c.extension);
        EXPECT_EQ(typeGroupOf(extensionOf(c.name)), c.group);
    }
    // A name in the code page: an extension beyond ASCII comes out in UTF-8.
    std::string lowered;
    EXPECT_EQ(ansiExtensionOf("\xF4\xEE\xF2\xEE.JPG", lowered), "jpg");
    EXPECT_EQ(ansiExtensionOf("a.\xF2\xE5\xEA\xF1\xF2", lowered),
              "\xD1\x82\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82");
}

// root > Photos > (a.jpg 300, b.JPG 200, Raw > c.nef 1000), song.mp3 50, notes 7, empty.txt 0,
// and a file whose exact name (not the code page's) carries the extension.
struct Fixture {
    TreeBuilder t;
    Entry *photos, *raw, *a, *b, *c, *song, *notes, *empty, *exact;
    Fixture() {
        photos = t.folder(t.root(), "Photos").size(999999); // a folder's own size never counts
        a = t.file(photos, "a.jpg", 300);
        b = t.file(photos, "b.JPG", 200);
        raw = t.folder(photos, "Raw");
        c = t.file(raw, "c.nef", 1000);
        song = t.file(t.root(), "song.mp3", 50);
        notes = t.file(t.root(), "notes", 7);
        empty = t.file(t.root(), "empty.txt", 0);
        exact = t.file(t.root(), "x").systemName("\xE5\x86\x99.png").size(300);
    }
};

TEST(FileTypes, TotalsByGroupAndExtension) {
    Fixture f;
    const TypeTotals totals = sizesByType(f.t.root());
    EXPECT_EQ(totals.all().entries, 7u);
    EXPECT_EQ(totals.all().bytes, 1857u);
    EXPECT_EQ(totals.group(TypeGroup::pictures).entries, 4u);
    EXPECT_EQ(totals.group(TypeGroup::pictures).bytes, 1800u);
    EXPECT_EQ(totals.group(TypeGroup::audio).bytes, 50u);
    EXPECT_EQ(totals.group(TypeGroup::documents).entries, 1u); // empty.txt, 0 bytes
    EXPECT_EQ(totals.group(TypeGroup::other).bytes, 7u);

    const std::vector<TypeRow> rows = totals.rows();
    std::vector<std::string> order;
    for (const TypeRow& r : rows)
        order.push_back(r.extension + ":" + std::to_string(r.files.entries) + ":" +
                        std::to_string(r.files.bytes));
    // Most bytes first; "jpg" and "png" hold 500 and 300, "JPG" counts as "jpg".
    EXPECT_EQ(order, (std::vector<std::string>{"nef:1:1000", "jpg:2:500", "png:1:300", "mp3:1:50",
                                               ":1:7", "txt:1:0"}));
    EXPECT_EQ(sizesByType(f.raw).all().bytes, 1000u);
    EXPECT_EQ(sizesByType(nullptr).all().entries, 0u);
}

TEST(FileTypes, LargestFilesByChoice) {
    Fixture f;
    TypeChoice pictures;
    pictures.anyType = false;
    pictures.group = TypeGroup::pictures;
    TypeChoice png = pictures;
    png.oneExtension = true;
    png.extension = "png";
    const struct {
        const char* what;
        const Entry* folder;
        std::size_t most;
        TypeChoice choice;
        std::vector<const Entry*> expected;
    } cases[] = {
        // a.jpg and the exact-named png tie at 300: list order decides.
        {"all", f.t.root(), 100, {}, {f.c, f.a, f.exact, f.b, f.song, f.notes}},
        {"top three", f.t.root(), 3, {}, {f.c, f.a, f.exact}},
        {"none", f.t.root(), 0, {}, {}},
        {"below a folder", f.photos, 100, {}, {f.c, f.a, f.b}},
        {"a group", f.t.root(), 2, pictures, {f.c, f.a}},
        {"an extension", f.t.root(), 100, png, {f.exact}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(largestFiles(c.folder, c.most, c.choice), c.expected);
    }
}

TEST(FileTypes, SubtreeBytesSumFilesAtEveryDepthAndSaturate) {
    Fixture f;
    const std::vector<std::uint64_t> bytes = subtreeBytes(f.t.tree());
    EXPECT_EQ(bytes[f.t.root()->id()], 1857u);
    EXPECT_EQ(bytes[f.photos->id()], 1500u);
    EXPECT_EQ(bytes[f.raw->id()], 1000u);
    EXPECT_EQ(bytes[f.song->id()], 50u);

    TreeBuilder deep;
    Entry* at = deep.root();
    for (int i = 0; i < 100000; ++i) // far deeper than any recursion could go
        at = deep.folder(at, "d");
    deep.file(at, "huge", UINT64_MAX - 1);
    deep.file(deep.root(), "more", 5);
    EXPECT_EQ(subtreeBytes(deep.tree())[0], UINT64_MAX);
    EXPECT_EQ(sizesByType(deep.root()).all().bytes, UINT64_MAX);
}

double area(const TreemapRect& r) {
    return r.w * r.h;
}

// Each rectangle's share of the area is its share of the sizes within 1%; together they fill
// the area, inside it, without overlapping.
void expectProportional(const std::vector<double>& sizes, const std::vector<TreemapRect>& rects,
                        const TreemapRect& whole) {
    ASSERT_EQ(rects.size(), sizes.size());
    const double total = std::accumulate(sizes.begin(), sizes.end(), 0.0);
    double covered = 0;
    for (std::size_t i = 0; i < rects.size(); ++i) {
        SCOPED_TRACE(i);
        const TreemapRect& r = rects[i];
        const double want = area(whole) * sizes[i] / total;
        EXPECT_NEAR(area(r), want, want * 0.01);
        EXPECT_GE(r.x, whole.x - 1e-6);
        EXPECT_GE(r.y, whole.y - 1e-6);
        EXPECT_LE(r.x + r.w, whole.x + whole.w + 1e-6);
        EXPECT_LE(r.y + r.h, whole.y + whole.h + 1e-6);
        covered += area(r);
        for (std::size_t j = 0; j < i; ++j) {
            const TreemapRect& o = rects[j];
            const double overlapW = std::min(r.x + r.w, o.x + o.w) - std::max(r.x, o.x);
            const double overlapH = std::min(r.y + r.h, o.y + o.h) - std::max(r.y, o.y);
            EXPECT_FALSE(overlapW > 1e-6 && overlapH > 1e-6) << "overlaps " << j;
        }
    }
    EXPECT_NEAR(covered, area(whole), area(whole) * 1e-9);
}

TEST(Treemap, SquarifiedAreasAreProportional) {
    const struct {
        const char* what;
        std::vector<double> sizes;
        TreemapRect area;
    } cases[] = {
        {"one", {42}, {10, 20, 300, 100}},
        {"classic", {6, 6, 4, 3, 2, 2, 1}, {0, 0, 6, 4}},
        {"equal", std::vector<double>(50, 3), {0, 0, 800, 600}},
        {"tall", {9, 5, 3, 2, 1}, {5, 5, 40, 900}},
        {"skewed", {1e15, 3e12, 7e9}, {0, 0, 1000, 1000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        expectProportional(c.sizes, squarify(c.sizes, c.area), c.area);
    }
    // Squarified: the classic example keeps every rectangle within a ratio of 3.
    for (const TreemapRect& r : squarify({6, 6, 4, 3, 2, 2, 1}, {0, 0, 6, 4}))
        EXPECT_LE(std::max(r.w / r.h, r.h / r.w), 3.0);
}

TEST(Treemap, LayoutNestsChildrenInTheirFolders) {
    Fixture f;
    const std::vector<std::uint64_t> bytes = subtreeBytes(f.t.tree());
    const TreemapRect whole{0, 0, 600, 400};
    const std::vector<TreemapCell> cells = layoutTreemap(f.t.root(), bytes, whole);
    std::map<std::uint32_t, const TreemapCell*> byId;
    for (const TreemapCell& c : cells)
        byId[c.id] = &c;
    // Every Entry with bytes has a cell, the empty one none; the root's children fill the area.
    EXPECT_EQ(byId.size(), 8u);
    EXPECT_EQ(byId.count(f.empty->id()), 0u);
    std::vector<double> sizes;
    std::vector<TreemapRect> rects;
    for (const TreemapCell& c : cells)
        if (c.depth == 0) {
            sizes.push_back(double(bytes[c.id]));
            rects.push_back(c.rect);
        }
    expectProportional(sizes, rects, whole);
    // Children lie inside their folder, below its name strip, after its cell.
    for (const TreemapCell& c : cells) {
        const Entry* parent = f.t.tree().at(c.id)->parent();
        if (parent == f.t.root()) continue;
        const TreemapCell& p = *byId.at(parent->id());
        EXPECT_EQ(c.depth, p.depth + 1);
        EXPECT_LT(&p, &c);
        EXPECT_GE(c.rect.x, p.rect.x);
        EXPECT_GE(c.rect.y, p.rect.y + (p.named ? 14 : 0));
        EXPECT_LE(c.rect.x + c.rect.w, p.rect.x + p.rect.w);
        EXPECT_LE(c.rect.y + c.rect.h, p.rect.y + p.rect.h);
    }
    // The point in c.nef is in Photos and Raw too: the deepest cell answers.
    const TreemapRect& nef = byId.at(f.c->id())->rect;
    EXPECT_EQ(cells[cellAt(cells, nef.x + nef.w / 2, nef.y + nef.h / 2)].id, f.c->id());
    EXPECT_EQ(cells[cellAt(cells, nef.x + nef.w / 2, nef.y + nef.h / 2, 0)].id, f.photos->id());
    EXPECT_EQ(cellAt(cells, -1, -1), -1);

    // A folder too small to show its children shows none.
    const std::vector<TreemapCell> tiny = layoutTreemap(f.t.root(), bytes, {0, 0, 4, 4});
    for (const TreemapCell& c : tiny)
        EXPECT_EQ(c.depth, 0);
}

} // namespace
} // namespace kx
