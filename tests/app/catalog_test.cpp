// kxtool catalog and kxtool diff: the rows across many lists must be the rows of each list.
#include "app/catalogfixture.h"
#include "catalog/catalog.h"
#include "common/qstringprint.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sqlite3.h>
#include <sys/stat.h>

using namespace kxtest;

namespace {

TEST_F(KxtoolCatalogTest, AddRefreshAndRemoveKeepTheListsInOrder) {
    const QString gone = dir.path() + "/gone.kx";
    struct Step {
        QStringList args;
        QString out;
        int status;
    } steps[] = {
        {{"add", a, b}, "added\t" + a + "\t9\nadded\t" + b + "\t6\n", 0},
        {{"add", a}, "unchanged\t" + a + "\t9\n", 0},
        // A list that cannot be read is skipped; the others are still added.
        {{"add", gone, b}, "unchanged\t" + b + "\t6\n", 1},
        {{"remove", a}, "", 0},
        {{"remove", a}, "", 1},
        {{"add", a}, "added\t" + a + "\t9\n", 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.args.join(' ').toStdString());
        const ToolRun r = cat(s.args);
        EXPECT_EQ(r.out, s.out);
        EXPECT_EQ(r.status, s.status) << r.err.toStdString();
        EXPECT_EQ(r.err.count('\n'), s.status) << r.err.toStdString();
    }
    // b came first now: the order is the order of first adding.
    QStringList rows = cat({"lists"}).out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].startsWith(b + "\t6\t")) << rows[0].toStdString();
    EXPECT_TRUE(rows[0].endsWith("\tdisk B\tE:\\\\\t\t")) << rows[0].toStdString();
    EXPECT_TRUE(rows[1].startsWith(a + "\t9\t")) << rows[1].toStdString();

    // A list written again is indexed again, with its new entries.
    TreeBuilder small{"D:\\"};
    small.file(small.root(), "only.txt", 1);
    writeListFile(a.toStdString(), small.tree(), true);
    EXPECT_EQ(cat({"add", dir.path() + "/./a.kx"}).out, "updated\t" + a + "\t2\n");
    EXPECT_EQ(cat({"find", "jpg"}).out.count('\n'), 1); // only b's b.jpg is left
    EXPECT_EQ(cat({"find", "only"}).out.section('\t', 0, 1), a + "\tonly.txt");
}

// An add that its progress stops keeps what the catalogue had of the list, new or indexed before.
TEST_F(KxtoolCatalogTest, ACancelledAddKeepsWhatTheCatalogueHad) {
    const auto catalog = kx::catalog::Catalog::open(db.toStdString());
    ProgressLog stop{{}, 0, 1};
    EXPECT_EQ(catalog->add(a.toStdString(), stop.callback()).outcome,
              kx::catalog::AddOutcome::cancelled);
    EXPECT_EQ(stop.done, std::vector<std::uint64_t>{9}); // told once, at the end
    EXPECT_TRUE(catalog->lists().empty());

    ASSERT_EQ(catalog->add(a.toStdString()).outcome, kx::catalog::AddOutcome::added);
    const QString before = cat({"find", "jpg"}).out;
    TreeBuilder small{"D:\\"};
    small.file(small.root(), "only.txt", 1);
    writeListFile(a.toStdString(), small.tree(), true);
    EXPECT_EQ(catalog->add(a.toStdString(), stop.callback()).outcome,
              kx::catalog::AddOutcome::cancelled);
    EXPECT_EQ(cat({"find", "jpg"}).out, before);
    EXPECT_TRUE(cat({"lists"}).out.startsWith(a + "\t9\t"));
}

// A list that turned unreadable is reported, and what the catalogue knew of it is kept.
TEST_F(KxtoolCatalogTest, AFailedRefreshKeepsTheIndexedList) {
    ASSERT_EQ(cat({"add", a, b}).status, 0);
    const QString before = cat({"find", "jpg"}).out;
    writeFile(a.toStdString(), "not a list at all");
    const ToolRun r = cat({"add", a, b});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "unchanged\t" + b + "\t6\n");
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(a)) << r.err.toStdString();
    EXPECT_EQ(cat({"find", "jpg"}).out, before);
    EXPECT_TRUE(cat({"lists"}).out.startsWith(a + "\t9\t"));
}

// The catalogue's rows are the rows of find on each list, led by the list, whatever the mask
// (indexed or too short for the index) and the filters.
TEST_F(KxtoolCatalogTest, FindGivesTheRowsOfFindOnEachList) {
    ASSERT_EQ(cat({"add", a, b}).status, 0);
    const QStringList cases[] = {
        {"jpg"},
        {"*.JPG"},
        {QString::fromUtf8("ФОТ")},
        {QString::fromUtf8("фото")},
        {"b."},
        {"e"},
        {"*"},
        {"x*y"},
        {"half"},
        {"g album"},
        {"keep", "--comments"},
        {"--mark", "1"},
        {"--mark=2"},
        {"", "--commented"},
        {"--damaged"},
        {"--min-size", "2"},
        {"--max-size", "100", "--", "E"},
        {"jpg", "--min-size", "2049"},
        {QString::fromUtf8("ё")},
        {"*.jpg", "--glob"},
        {"?.JPG", "--glob"},
        {"*alb?m*", "--glob"},
        {QString::fromUtf8("ФОТО*"), "--glob"},
        {"keep*", "--glob", "--comments"},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        QString expected;
        for (const QString& list : {a, b}) {
            const ToolRun one = kxtool(QStringList{"find", list} + args);
            ASSERT_EQ(one.status, 0) << one.err.toStdString();
            for (const QString& row : one.out.split('\n', Qt::SkipEmptyParts))
                expected += list + '\t' + row + '\n';
        }
        const ToolRun all = cat(QStringList{"find"} + args);
        ASSERT_EQ(all.status, 0) << all.err.toStdString();
        EXPECT_EQ(all.out, expected);
    }
    // A name that fills its whole field, without a closing NUL.
    TreeBuilder full{"F:\\"};
    kx::Entry* longest = full.file(full.root(), std::string(255, 'n'), 7);
    longest->patchRecord(kx::rec::name + 255, "Z", 1);
    const QString c = dir.path() + "/c.kx";
    writeListFile(c.toStdString(), full.tree(), true);
    ASSERT_EQ(cat({"add", c}).status, 0);
    const QString row = kxtool({"find", c, "nnz"}).out;
    EXPECT_EQ(row.section('\t', 0, 0).size(), 256);
    EXPECT_EQ(cat({"find", "nnz"}).out, c + '\t' + row);
    ASSERT_EQ(cat({"remove", c}).status, 0);

    // The answer comes from the catalogue alone: the list files may be elsewhere.
    const QString before = cat({"find", "jpg"}).out;
    ASSERT_TRUE(QFile::rename(a, dir.path() + "/moved.kx"));
    EXPECT_EQ(cat({"find", "jpg"}).out, before);
    EXPECT_TRUE(before.contains("jpg album\t0\t")) << before.toStdString();
}

// Files found before folders take the long way of the folders-to-front exchange; the catalogue
// streams them without holding the rows, so its order is checked here on a list made for it, for
// masks that scan every name and masks narrowed by the trigrams. --limit gives the first rows.
TEST_F(KxtoolCatalogTest, FindKeepsTheSearchOrderWhenFilesComeFirst) {
    TreeBuilder t{"G:\\"};
    kx::Entry* mix = t.folder(t.root(), "mix");
    for (const char* name : {"x-f1", "x-f2", "x-d1", "x-f3", "x-d2", "x-d3", "x-f4", "x-d4"}) {
        if (name[2] == 'd')
            t.file(t.folder(mix, name), std::string(name) + "-in", 1);
        else
            t.file(mix, name, 1);
    }
    t.file(t.root(), "x-f5", 1);
    const QString c = dir.path() + "/c.kx";
    writeListFile(c.toStdString(), t.tree(), true);
    ASSERT_EQ(cat({"add", c}).status, 0);
    for (const char* mask : {"x", "x-", "x-d", "f", "in"}) {
        SCOPED_TRACE(mask);
        QString expected;
        for (const QString& row : kxtool({"find", c, mask}).out.split('\n', Qt::SkipEmptyParts))
            expected += c + '\t' + row + '\n';
        EXPECT_EQ(cat({"find", mask}).out, expected);
        const QString three = expected.section('\n', 0, 2) + '\n';
        EXPECT_EQ(cat({"find", mask, "--limit", "3"}).out, three);
        EXPECT_EQ(kxtool({"find", c, mask, "--limit", "3"}).out,
                  kxtool({"find", c, mask}).out.section('\n', 0, 2) + '\n');
    }
    EXPECT_EQ(cat({"find", "x", "--limit", "0"}).out, "");
    EXPECT_EQ(cat({"find", "x", "--limit", "-1"}).status, 2);
}

// The name index beside the catalogue is derived: whatever is found in its place (garbage, a cut
// file, an index of other lists, damage inside its sections) is made again, and the answers are
// the catalogue's.
TEST_F(KxtoolCatalogTest, TheNameIndexIsRebuiltWhenStaleOrDamaged) {
    ASSERT_EQ(cat({"add", a}).status, 0);
    const QString index = db + ".names";
    const std::string onlyA = readFile(index.toStdString());
    namespace fs = std::filesystem;
    ASSERT_EQ(fs::status(index.toStdString()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(cat({"add", b}).status, 0);
    const QString expected = cat({"find", "jpg"}).out;
    const QString all = cat({"find", "e"}).out;
    ASSERT_TRUE(expected.contains(b)) << expected.toStdString();
    const std::string good = readFile(index.toStdString());

    std::string noNames = good;      // the header holds, the names lose their ends
    std::string badParents = good;   // every row of the second list names a parent after it
    std::string badPostings = good;  // the second list's postings run past their ends
    std::string formerLayout = good; // the index as it was before it held the postings
    const std::size_t listBytes = 128, rowBytes = 39; // the index's table and rows
    const std::size_t sections = 64 + listBytes * 2;
    std::replace(noNames.begin() + sections, noNames.begin() + sections + 200, '\0', 'x');
    // The second list's sections, little-endian here.
    const auto field = [&good](int i) {
        std::uint64_t v = 0;
        std::memcpy(&v, good.data() + 64 + listBytes + 16 + 8 * i, sizeof v);
        return v;
    };
    for (std::size_t i = 0; i < 6; ++i)
        badParents.replace(field(3) + rowBytes * i, 4, "\xf0\xff\xff\xff");
    badPostings.replace(field(10), field(11), std::string(field(11), '\xff'));
    formerLayout[8] = 1;
    const std::pair<const char*, std::string> cases[] = {
        {"garbage", std::string(5000, 'x')},
        {"cut", good.substr(0, good.size() / 2)},
        {"empty", ""},
        {"an older generation", onlyA},
        {"names without ends", noNames},
        {"rows out of order", badParents},
        {"postings past their ends", badPostings},
        {"the former layout", formerLayout},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        writeFile(index.toStdString(), bytes);
        // Damage met after rows were printed ends that search with a sentence; the next one
        // finds the index made again.
        const ToolRun first = cat({"find", "jpg"});
        if (first.status != 0)
            EXPECT_TRUE(first.err.contains("damaged (the name index")) << first.err.toStdString();
        else
            EXPECT_EQ(first.out, expected);
        EXPECT_EQ(cat({"find", "jpg"}).out, expected);
        EXPECT_EQ(cat({"find", "e"}).out, all);
    }
    // Removing a list is a change too.
    ASSERT_EQ(cat({"remove", b}).status, 0);
    EXPECT_FALSE(cat({"find", "e"}).out.contains(b));
}

TEST_F(KxtoolCatalogTest, DupsAreFilesOfEqualNameAndSizeAnywhere) {
    ASSERT_EQ(cat({"add", a, b}).status, 0);
    // b.jpg 2048 in a and b; c.jpg has the size but not the name, readme.txt the name but not
    // the size; the folders "Фото" and "фото" are folders.
    const QString twins = "2048\tb.jpg\t" + a + QString::fromUtf8("\tФото\\\\b.jpg\n") +
                          "2048\tb.jpg\t" + b + "\tbackup\\\\b.jpg\n";
    EXPECT_EQ(cat({"dups"}).out, twins);
    EXPECT_EQ(cat({"dups", "--min-size", "2048"}).out, twins);
    EXPECT_EQ(cat({"dups", "--min-size=2049"}).out, "");

    // A second copy in one list, larger: it comes first.
    TreeBuilder tc{"F:\\"};
    tc.file(tc.folder(tc.root(), "x"), "big.iso", 5000000);
    const QString c = dir.path() + "/c.kx";
    writeListFile(c.toStdString(), tc.tree(), true);
    ASSERT_EQ(cat({"add", c}).status, 0);
    EXPECT_EQ(cat({"dups"}).out, "5000000\tbig.iso\t" + b + "\tbig.iso\n" + "5000000\tbig.iso\t" +
                                     c + "\tx\\\\big.iso\n" + twins);
    EXPECT_EQ(cat({"dups", "--min-size", "x"}).status, 2); // a usage error
}

TEST_F(KxtoolCatalogTest, AListDeeperThanAnyDiskIsRefusedAtOpen) {
    TreeBuilder deep{"D:\\"};
    kx::Entry* at = deep.root();
    for (int i = 0; i < 129; ++i) // 129 * 255 + 128 characters
        at = deep.folder(at, std::string(255, 'd'));
    const QString list = dir.path() + "/deep.kx";
    // Written as it stands: the library itself would not read it back.
    writeFile(list.toStdString(), zipOf("deep.tmp", innerList(deep.tree())));
    const QString said = list + ": a path below the root is longer than the 32767 characters any "
                                "disk names (33023 characters).\n";
    const ToolRun diff = kxtool({"diff", a, list});
    EXPECT_EQ(diff.status, 2); // trouble, as diff(1) says it
    EXPECT_EQ(diff.err, "kxtool: " + said);
    const ToolRun add = cat({"add", list});
    EXPECT_EQ(add.status, 1);
    EXPECT_TRUE(add.err.contains("(33023 characters). It was skipped.")) << add.err.toStdString();
}

TEST_F(KxtoolCatalogTest, DiffComparesByPathAndKind) {
    TreeBuilder old{"D:\\"};
    kx::Entry* docs = old.folder(old.root(), "docs");
    old.file(docs, "same.txt", 10);
    old.file(docs, "grown.txt", 10);
    old.file(docs, "touched.txt", 10);
    old.file(docs, "gone.txt", 10);
    old.file(old.root(), "thing", 1); // a file that becomes a folder
    const QString before = dir.path() + "/old.kx";
    writeListFile(before.toStdString(), old.tree(), true);

    TreeBuilder now{"D:\\"};
    kx::Entry* docs2 = now.folder(now.root(), "docs");
    now.file(docs2, "touched.txt", 10).dates(kCreated, "01.01.2030 00:00:00");
    now.file(docs2, "same.txt", 10);
    now.file(docs2, "grown.txt", 11);
    now.file(now.folder(docs2, "new"), "n.txt", 1);
    now.folder(now.root(), "thing");
    const QString after = dir.path() + "/new.kx";
    writeListFile(after.toStdString(), now.tree(), true);

    // The lists differ: status 1, as diff(1) gives it; a "~" row tells the old and the new size
    // and change time.
    const ToolRun r = kxtool({"diff", before, after});
    ASSERT_EQ(r.status, 1) << r.err.toStdString();
    EXPECT_EQ(r.out, "-\tdocs\\\\gone.txt\tF\n"
                     "~\tdocs\\\\grown.txt\tF\t10\t11\t07.08.2009 10:11:12\t07.08.2009 10:11:12\n"
                     "+\tdocs\\\\new\tD\n"
                     "+\tdocs\\\\new\\\\n.txt\tF\n"
                     "~\tdocs\\\\touched.txt\tF\t10\t10\t07.08.2009 10:11:12\t01.01.2030 00:00:00\n"
                     "+\tthing\tD\n"
                     "-\tthing\tF\n");
    const ToolRun same = kxtool({"diff", before, before});
    EXPECT_EQ(same.out, "");
    EXPECT_EQ(same.status, 0);
    EXPECT_EQ(kxtool({"diff", before}).status, 2); // a usage error
}

// A damaged or foreign database, or a catalogue with a table, index, trigger or view of another
// program, is reported in one sentence and left exactly as it was: nothing of it ran.
TEST_F(KxtoolCatalogTest, ADamagedCatalogueIsReportedNeverReplaced) {
    ASSERT_EQ(cat({"add", a, b}).status, 0);
    const std::string whole = readFile(db.toStdString());
    // Another program's database, or ours with a piece that is not ours: `sql` run on a new
    // file, or on a copy of the catalogue.
    const auto made = [&](const char* name, const std::string& from, const char* sql) {
        const QString path = dir.path() + "/" + name;
        if (!from.empty()) writeFile(path.toStdString(), from);
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &raw), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(raw, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
        sqlite3_close(raw);
    };
    made("other.sqlite", {}, "CREATE TABLE t(x)");
    made("blank.sqlite", {}, "PRAGMA user_version = 7"); // no table, application id 0
    made("foreign.sqlite", {}, "PRAGMA application_id = 1234");
    made("trigger.sqlite", whole,
         "CREATE TRIGGER w AFTER INSERT ON entries BEGIN UPDATE lists SET note = 'seen'; END");
    made("view.sqlite", whole,
         "CREATE VIEW v AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) "
         "SELECT x FROM c");
    made("index.sqlite", whole, "CREATE INDEX byName ON entries(name)");

    struct Case {
        const char* name;
        std::string bytes; // empty: the file as made above
        const char* says;
    } cases[] = {
        {"garbage.sqlite", std::string(3000, 'x'), "is damaged"},
        {"cut.sqlite", whole.substr(0, whole.size() / 2), "is damaged"},
        {"other.sqlite", {}, "is not a catalogue"},
        {"blank.sqlite", {}, "is not a catalogue"},
        {"foreign.sqlite", {}, "is not a catalogue"},
        {"trigger.sqlite", {}, "is not a catalogue"},
        {"view.sqlite", {}, "is not a catalogue"},
        {"index.sqlite", {}, "is not a catalogue"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.path() + "/" + c.name;
        if (!c.bytes.empty()) writeFile(path.toStdString(), c.bytes);
        const std::string kept = readFile(path.toStdString());
        for (const QStringList& args :
             {QStringList{"lists"}, QStringList{"find", "jpg"}, QStringList{"add", a}}) {
            const ToolRun r = kxtool(QStringList{"catalog", "--db", path} + args);
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.out, "");
            EXPECT_TRUE(r.err.startsWith("kxtool: ")) << r.err.toStdString();
            EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
            EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
        }
        EXPECT_EQ(readFile(path.toStdString()), kept);
    }
}

// A catalogue that other users can read is told once, on standard error, and the command runs.
TEST_F(KxtoolCatalogTest, ACatalogueOthersCanReadIsToldOnce) {
    ASSERT_EQ(cat({"add", a}).status, 0);
    EXPECT_EQ(cat({"lists"}).err, "");
    const QByteArray file = QFile::encodeName(db), folder = QFile::encodeName(dir.path());
    for (const auto& [path, mode] : {std::pair{file, 0644}, std::pair{folder, 0755}}) {
        SCOPED_TRACE(path.toStdString());
        ASSERT_EQ(::chmod(path.constData(), mode_t(mode)), 0);
        const ToolRun r = cat({"find", "jpg"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(db + " can be read by other users")) << r.err.toStdString();
        ASSERT_EQ(::chmod(path.constData(), path == file ? 0600 : 0700), 0);
    }
}

// The name stored is the file that the path opens: the kernel resolves "link/.." to the link's
// target's parent, which is not the folder the text names.
TEST_F(KxtoolCatalogTest, AListIsCataloguedAsTheFileThePathOpens) {
    const QString d = dir.path();
    ASSERT_TRUE(QDir().mkpath(d + "/real/sub") && QDir().mkpath(d + "/x"));
    ASSERT_TRUE(QFile::copy(a, d + "/real/l.kx") && QFile::copy(b, d + "/x/l.kx"));
    ASSERT_TRUE(QFile::link(d + "/real/sub", d + "/x/link"));
    EXPECT_EQ(cat({"add", d + "/x/link/../l.kx"}).out, "added\t" + d + "/real/l.kx\t9\n");
    EXPECT_EQ(cat({"add", d + "/real/l.kx"}).out, "unchanged\t" + d + "/real/l.kx\t9\n");
}

// Several first adds at once: one makes the catalogue, the others wait for it and for each
// other; every list is added.
TEST_F(KxtoolCatalogTest, FirstAddsAtOnceAllSucceed) {
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int i = 0; i < 4; ++i) {
        const QString list = dir.path() + "/" + QString::number(i) + ".kx";
        ASSERT_TRUE(QFile::copy(i % 2 ? a : b, list));
        runs.push_back(std::make_unique<QProcess>());
        runs.back()->start(KXTOOL_PATH, {"catalog", "--db", db, "add", list});
    }
    for (auto& p : runs) {
        ASSERT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    EXPECT_EQ(cat({"lists"}).out.count('\n'), 4);
}

TEST_F(KxtoolCatalogTest, TheDefaultCatalogueLivesInTheDataFolder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", dir.path() + "/data");
    const ToolRun r = kxtool({"catalog", "add", a}, env);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(dir.path() + "/data/fentaro-light/catalog.sqlite"));
    EXPECT_EQ(kxtool({"catalog", "lists"}, env).out.section('\t', 0, 0), a);
    EXPECT_EQ(kxtool({"catalog", "--db"}).status, 2); // usage errors
    EXPECT_EQ(kxtool({"catalog", "--db", db, "frob"}).status, 2);
}

} // namespace
