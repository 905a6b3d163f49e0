// The catalogue's store of a person's disks: the list rebuilt from the catalogue alone, labels and
// notes, the list file's state, the schema's upgrade, the list files below a folder.
#include "catalog/catalog.h"
#include "common/fixtures.h"
#include "listfile/listfile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <sqlite3.h>
#include <sys/stat.h>

using namespace kxtest;
using kx::catalog::Catalog;
using kx::catalog::ListFileState;

namespace {

void patch(kx::Entry* e, std::size_t offset, std::string_view bytes) {
    e->patchRecord(offset, bytes.data(), bytes.size());
}

void setI32(kx::Entry* e, std::size_t offset, std::int32_t v) {
    std::uint8_t b[4];
    kx::writeI32(b, 0, v);
    e->patchRecord(offset, b, 4);
}

struct CatalogStoreTest : ::testing::Test {
    QTemporaryDir dir;
    std::string db = (dir.path() + "/cat.sqlite").toStdString();
    std::string listPath = (dir.path() + "/disk.kx").toStdString();

    // Every field in the forms the catalogue keeps apart: files before folders at the root (the
    // viewer brings folders forward), three levels of folders, marks and mark counts, comments
    // with bytes after their NUL, names with their exact forms after the NUL (a folder and a file
    // in it) and bytes after a NUL that are no exact name, sizes that are and
    // are not whole numbers or exceed the integers, dates that are and are not dates, reserved
    // bytes, a depth that is not its parent's plus one.
    void writeDisk() {
        TreeBuilder t{"D:\\"};
        t.tree().headerText = "disk of photos";
        kx::Entry* root = t.root();
        t.file(root, "first.txt", 10).dates("", "");
        kx::Entry* a = t.folder(root, "a").mark(3).comment("folder note");
        setI32(a, kx::rec::markCount, 2);
        t.file(root, "second.bin", 0).dates("1.2.2003 4:05", "yesterday");
        kx::Entry* b = t.folder(a, "b");
        kx::Entry* c = t.folder(b, "c");
        t.file(c, "deep.jpg", 2048).mark(1).comment("keep").attributes(kx::damaged | kx::hidden);
        kx::Entry* odd = t.file(c, "half.bin");
        const std::uint8_t half[10] = {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F};
        odd->patchRecord(kx::rec::size, half, 10);
        t.file(c, "huge.iso", 0xF000000000000000ull).crossedOut(1);
        kx::Entry* exact = t.file(b, "na?ve.txt", 5);
        patch(exact, kx::rec::name + 10, std::string_view("\x01naïve.txt", 12));
        kx::Entry* japan = t.folder(b, "").systemName("日本");
        t.file(japan, "").systemName("café.txt");
        kx::Entry* tail = t.file(b, "tail.txt", 7).comment("shown");
        patch(tail, kx::rec::comment + 100, "hidden after the NUL");
        patch(tail, kx::rec::changed + 20, "x");
        patch(tail, kx::rec::reserved, "\x05\x06");
        setI32(tail, kx::rec::depth, 9);
        t.file(root, "last.txt", 1);
        t.folder(root, "empty");
        writeListFile(listPath, t.tree(), true);
    }
};

TEST_F(CatalogStoreTest, TheTreeFromTheCatalogueIsTheListAsOpened) {
    writeDisk();
    const auto catalog = Catalog::open(db);
    ASSERT_EQ(catalog->add(listPath).outcome, kx::catalog::AddOutcome::added);
    kx::ListContainer container;
    const auto opened = kx::openListFile(container, listPath);
    kx::regroupRootFolder(*opened);
    ASSERT_EQ(std::remove(listPath.c_str()), 0); // the catalogue alone answers

    const kx::catalog::ListRecord list = catalog->lists().at(0);
    ProgressLog log;
    const auto tree = catalog->loadTree(list.id, log.callback());
    ASSERT_TRUE(tree);
    EXPECT_EQ(log.done.back(), opened->entryCount());
    EXPECT_EQ(tree->headerText, opened->headerText);
    ASSERT_EQ(tree->entryCount(), opened->entryCount());
    // Entry by Entry in the order shown, the whole record; entryAtOrd finds each at its ord.
    std::vector<const kx::Entry*> want{opened->root()}, got{tree->root()};
    kx::walkBelow(opened->root(), [&](const kx::Entry* e) { return want.push_back(e), true; });
    kx::walkBelow(tree->root(), [&](const kx::Entry* e) { return got.push_back(e), true; });
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(std::string(want[i]->name()));
        std::uint8_t w[kx::kRecordSize], g[kx::kRecordSize];
        want[i]->copyRecord(w);
        got[i]->copyRecord(g);
        for (std::size_t at = 0; at < kx::kRecordSize; ++at)
            ASSERT_EQ(int(g[at]), int(w[at])) << "byte " << at;
        EXPECT_EQ(kx::catalog::entryAtOrd(tree->root(), std::uint32_t(i)), got[i]);
    }
    EXPECT_EQ(got[1]->name(), "a"); // the root's folders first

    // A stopped load gives nothing; an unknown list is a catalogue error.
    ProgressLog stop{{}, 0, 1};
    EXPECT_EQ(catalog->loadTree(list.id, stop.callback()), nullptr);
    EXPECT_EQ(errorOf([&] { catalog->loadTree(list.id + 100); }), kx::ErrorCode::catalogueFailed);
}

TEST_F(CatalogStoreTest, LabelsNotesAndTheFileStateOutliveARefresh) {
    writeDisk();
    const auto catalog = Catalog::open(db);
    catalog->add(listPath);
    const std::string other = (dir.path() + "/other.kx").toStdString();
    TreeBuilder t{"E:\\"};
    t.file(t.root(), "max.bin", UINT64_MAX);
    t.file(t.root(), "more.bin", 5);
    writeListFile(other, t.tree(), true);
    catalog->add(other);

    std::vector<kx::catalog::ListRecord> lists = catalog->lists();
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_EQ(lists[0].fileBytes, 10u + 2048 + 1 + 0xF000000000000000ull + 5 + 7 + 1);
    EXPECT_EQ(lists[1].fileBytes, UINT64_MAX); // saturated
    EXPECT_EQ(catalog->fileState(lists[0]), ListFileState::present);

    catalog->setLabel(lists[0].id, "Фото 2019");
    catalog->setNote(lists[0].id, "in the drawer");
    catalog->setLabel(lists[1].id, "Backup");
    writeDisk(); // the same list written again: a new stamp
    EXPECT_EQ(catalog->fileState(catalog->lists()[0]), ListFileState::changed);
    ASSERT_EQ(catalog->add(listPath).outcome, kx::catalog::AddOutcome::updated);
    lists = catalog->lists();
    EXPECT_EQ(lists[0].label, "Фото 2019");
    EXPECT_EQ(lists[0].note, "in the drawer");
    EXPECT_EQ(catalog->fileState(lists[0]), ListFileState::present);

    struct Case {
        std::string given;
        std::int64_t id; // 0: none
    } cases[] = {
        {listPath, lists[0].id},
        {(dir.path() + "/./other.kx").toStdString(), lists[1].id},
        {"Фото 2019", lists[0].id},
        {"Backup", lists[1].id},
        {"backup", 0},
        {"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        const auto found = catalog->listByPathOrLabel(c.given);
        EXPECT_EQ(found ? found->id : 0, c.id);
    }
    catalog->setLabel(lists[0].id, "Backup"); // two lists of one label: neither is meant
    EXPECT_FALSE(catalog->listByPathOrLabel("Backup"));
    EXPECT_EQ(catalog->listsLabelled("Backup").size(), 2u);
    catalog->setNote(lists[0].id, "");
    EXPECT_EQ(catalog->lists()[0].note, "");
    EXPECT_EQ(errorOf([&] { catalog->setLabel(999, "x"); }), kx::ErrorCode::catalogueFailed);

    ASSERT_EQ(std::remove(listPath.c_str()), 0);
    EXPECT_EQ(catalog->fileState(lists[0]), ListFileState::missing);
}

TEST_F(CatalogStoreTest, AnExistingCatalogueIsNeverMade) {
    const std::string inFolder = (dir.path() + "/new/cat.sqlite").toStdString();
    EXPECT_EQ(errorOf([&] { Catalog::open(inFolder, kx::catalog::OpenMode::existing); }),
              kx::ErrorCode::catalogueMissing);
    EXPECT_FALSE(QDir(dir.path() + "/new").exists());
    Catalog::open(inFolder);
    EXPECT_TRUE(Catalog::open(inFolder, kx::catalog::OpenMode::existing));
}

// A catalogue of the first schema is brought up to date in place, its lists kept; the trigram
// table of the older schemas goes (the name index holds the postings now).
TEST_F(CatalogStoreTest, AFirstSchemaCatalogueIsUpgraded) {
    writeDisk();
    Catalog::open(db)->add(listPath);
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw,
                           "DROP TABLE recordRest; ALTER TABLE entries DROP COLUMN exact; "
                           "ALTER TABLE lists DROP COLUMN label; "
                           "ALTER TABLE lists DROP COLUMN note; ALTER TABLE lists DROP COLUMN "
                           "fileBytes; CREATE TABLE grams(list INTEGER, gram INTEGER, ords BLOB, "
                           "PRIMARY KEY(list, gram)) WITHOUT ROWID; PRAGMA user_version = 1;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);

    const auto catalog = Catalog::open(db, kx::catalog::OpenMode::existing);
    const auto lists = catalog->lists();
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0].fileBytes, 10u + 2048 + 1 + 0xF000000000000000ull + 5 + 7 + 1);
    catalog->setLabel(lists[0].id, "old disk");
    const auto tree = catalog->loadTree(lists[0].id);
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->entryCount(), lists[0].entries);
    EXPECT_EQ(catalog->listByPathOrLabel("old disk")->id, lists[0].id);
    ASSERT_EQ(sqlite3_open(db.c_str(), &raw), SQLITE_OK);
    sqlite3_stmt* grams = nullptr;
    sqlite3_prepare_v2(raw, "SELECT count(*) FROM sqlite_master WHERE name = 'grams'", -1, &grams,
                       nullptr);
    EXPECT_EQ(sqlite3_step(grams), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(grams, 0), 0);
    sqlite3_finalize(grams);
    sqlite3_close(raw);
}

// A catalogue of the third schema, from before exact names: they are found in the records kept,
// and the folders' paths are made again of the names as shown; the name index is made anew.
TEST_F(CatalogStoreTest, AThirdSchemaCatalogueTakesItsExactNamesFromTheRecords) {
    writeDisk();
    const auto added = Catalog::open(db);
    added->add(listPath);
    added->prepareSearch();
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw,
                           "ALTER TABLE entries DROP COLUMN exact; UPDATE entries SET path = "
                           "'stale' WHERE path IS NOT NULL; PRAGMA user_version = 3;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);

    for (int open = 0; open < 2; ++open) { // upgraded, then opened as it is
        SCOPED_TRACE(open);
        const auto catalog = Catalog::open(db, kx::catalog::OpenMode::existing);
        struct Case {
            const char* mask;
            std::string caption, codePage;
        } cases[] = {
            {"CAFÉ", "a\\b\\日本\\café.txt", "caf?.txt"},
            {"日本", "a\\b\\日本", "??"},
            {"deep", "a\\b\\c\\deep.jpg", "deep.jpg"},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.mask);
            kx::EntryFilter filter;
            filter.setMaskText(c.mask);
            std::vector<std::string> found;
            catalog->findStored(filter, [&](const auto&, const kx::catalog::StoredRow& r) {
                found.push_back(std::string(r.caption) + "|" + std::string(r.codePageName));
                return true;
            });
            EXPECT_EQ(found, std::vector<std::string>{c.caption + "|" + c.codePage});
        }
    }
}

// What this program makes is private under the usual umask: the file, SQLite's files beside it,
// the name index and every folder made for it. A catalogue that others can read is told on each
// open (the callers tell it once).
TEST_F(CatalogStoreTest, TheCatalogueIsPrivateAndOneOthersCanReadIsTold) {
    writeDisk();
    const mode_t oldMask = ::umask(022);
    const QString top = dir.path() + "/data";
    const std::string inFolder = (top + "/fentaro/cat.sqlite").toStdString();
    std::vector<std::string> told;
    kx::catalog::setReadableNotice([&](const std::string& path) { told.push_back(path); });
    {
        const auto catalog = Catalog::open(inFolder);
        catalog->add(listPath);
        catalog->prepareSearch();
        const auto modeOf = [](const std::string& path) {
            struct stat st {};
            return ::stat(path.c_str(), &st) == 0 ? int(st.st_mode & 07777) : -1;
        };
        for (const char* suffix : {"", "-wal", "-shm", ".names"})
            EXPECT_EQ(modeOf(inFolder + suffix), 0600) << suffix;
        for (const QString& folder : {top, top + "/fentaro"})
            EXPECT_EQ(modeOf(folder.toStdString()), 0700) << folder.toStdString();
    }
    ::umask(oldMask);
    Catalog::open(inFolder, kx::catalog::OpenMode::existing);
    EXPECT_TRUE(told.empty());
    ASSERT_EQ(::chmod(inFolder.c_str(), 0640), 0);
    Catalog::open(inFolder, kx::catalog::OpenMode::existing);
    ASSERT_EQ(::chmod(inFolder.c_str(), 0600), 0);
    ASSERT_EQ(::chmod((top + "/fentaro").toUtf8().constData(), 0755), 0);
    Catalog::open(inFolder, kx::catalog::OpenMode::existing);
    kx::catalog::setReadableNotice({});
    EXPECT_EQ(told, std::vector<std::string>(2, inFolder));
}

// A stop ends a statement that runs long inside SQLite; what it was writing is rolled back.
TEST_F(CatalogStoreTest, AStopEndsARunningQueryAndKeepsTheCatalogue) {
    TreeBuilder t{"D:\\"};
    for (int i = 0; i < 3000; ++i)
        t.file(t.root(), "file" + std::to_string(i), 7);
    writeListFile(listPath, t.tree(), true);
    const auto catalog = Catalog::open(db);
    catalog->add(listPath);
    const std::int64_t id = catalog->lists().at(0).id;
    bool stop = true;
    catalog->stopWhen([&stop] { return stop; });
    EXPECT_EQ(errorOf([&] { catalog->duplicates(0); }), kx::ErrorCode::catalogueFailed);
    EXPECT_EQ(errorOf([&] { catalog->loadTree(id); }), kx::ErrorCode::catalogueFailed);
    EXPECT_EQ(errorOf([&] { catalog->remove(listPath); }), kx::ErrorCode::catalogueFailed);
    writeListFile(listPath, t.tree(), true); // a new stamp: indexed again, stopped
    EXPECT_EQ(catalog->add(listPath).outcome, kx::catalog::AddOutcome::cancelled);
    stop = false;
    ASSERT_EQ(catalog->lists().size(), 1u);
    EXPECT_EQ(catalog->loadTree(id)->entryCount(), 3001u);
    EXPECT_EQ(catalog->duplicates(0).size(), 0u);
}

// Each run of equal size and name is one group; the waste saturates; ties go by name, then size.
TEST(DuplicateGroups, OneRowPerGroupMostWastedFirst) {
    using kx::catalog::Duplicate;
    const std::uint64_t big = UINT64_MAX / 2 + 1;
    const std::vector<Duplicate> rows = {
        {big, "huge", "/a", "huge"}, {big, "huge", "/b", "huge"}, {big, "huge", "/c", "huge"},
        {10, "b", "/a", "b"},        {10, "b", "/b", "b"},        {5, "a", "/a", "a"},
        {5, "a", "/b", "a"},         {5, "a", "/c", "a"},         {0, "z", "/a", "z"},
        {0, "z", "/b", "z"},
    };
    const auto groups = kx::catalog::duplicateGroups(rows);
    ASSERT_EQ(groups.size(), 4u);
    const std::pair<std::string, std::uint64_t> want[] = {
        {"huge", UINT64_MAX}, {"a", 10}, {"b", 10}, {"z", 0}};
    for (std::size_t i = 0; i < groups.size(); ++i) {
        EXPECT_EQ(groups[i].name, want[i].first);
        EXPECT_EQ(groups[i].wasted, want[i].second);
    }
    EXPECT_EQ(groups[0].copies, 3u);
}

TEST(ListFilesAt, ListsBelowAFolderSortedWithoutFollowingFolderLinks) {
    QTemporaryDir dir;
    const QString d = dir.path();
    for (const char* folder : {"/sub", "/sub/deeper", "/elsewhere"})
        ASSERT_TRUE(QDir().mkpath(d + folder));
    for (const char* file : {"/b.kx", "/A.KX", "/notes.txt", "/sub/c.Kx", "/sub/deeper/d.kx",
                             "/elsewhere/e.kx", "/kx"})
        writeFile((d + file).toStdString(), "x");
    ASSERT_TRUE(QFile::link(d + "/elsewhere", d + "/sub/link"));
    ASSERT_TRUE(QFile::link(d + "/b.kx", d + "/sub/linked.kx"));
    const std::string top = (d + "/sub").toStdString();
    EXPECT_EQ(kx::catalog::listFilesAt(top),
              (std::vector<std::string>{top + "/c.Kx", top + "/deeper/d.kx", top + "/linked.kx"}));
    const std::string notes = (d + "/notes.txt").toStdString(),
                      gone = (d + "/gone.kx").toStdString();
    EXPECT_EQ(kx::catalog::listFilesAt(notes), std::vector<std::string>{notes});
    EXPECT_EQ(kx::catalog::listFilesAt(gone), std::vector<std::string>{gone});
    EXPECT_EQ(kx::catalog::listFilesAt(d.toStdString()).size(), 6u); // A, b, c, d, e, linked
}

} // namespace
