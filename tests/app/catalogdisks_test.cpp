// kxtool catalog over a person's disks: labels and notes, a missing catalogue, ls from the
// catalogue alone, folders added whole, duplicates summed up and across disks, two writers.
#include "app/catalogfixture.h"
#include "common/qstringprint.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <sqlite3.h>

using namespace kxtest;

namespace {

using KxtoolDisksTest = KxtoolCatalogTest;

TEST_F(KxtoolDisksTest, LabelsAndNotesNameAList) {
    ASSERT_EQ(cat({"add", a, b}).status, 0);
    struct Step {
        QStringList args;
        int status;
    } steps[] = {
        {{"label", a, QString::fromUtf8("Фото\tдиск")}, 0},
        {{"note", QString::fromUtf8("Фото\tдиск"), "in the drawer"}, 0}, // by its label
        {{"label", b, "Backup"}, 0},
        {{"note", dir.path() + "/gone.kx", "x"}, 1}, // neither a path nor a label
        {{"note", "Backup"}, 0},                     // clears nothing there
        {{"label"}, 2},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.args.join(' ').toStdString());
        const ToolRun r = cat(s.args);
        EXPECT_EQ(r.status, s.status) << r.err.toStdString();
        EXPECT_EQ(r.out, "");
        if (s.status == 1) {
            EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        }
    }
    QStringList rows = cat({"lists"}).out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].endsWith(QString::fromUtf8("\tФото\\tдиск\tin the drawer")))
        << rows[0].toStdString();
    EXPECT_TRUE(rows[1].endsWith("\tBackup\t")) << rows[1].toStdString();

    // Two lists of one label: the label names neither. Without TEXT the label goes.
    ASSERT_EQ(cat({"label", a, "Backup"}).status, 0);
    const ToolRun twice = cat({"ls", "Backup"});
    EXPECT_EQ(twice.status, 1);
    EXPECT_TRUE(twice.err.contains("2 lists")) << twice.err.toStdString();
    ASSERT_EQ(cat({"label", a}).status, 0);
    EXPECT_EQ(cat({"ls", "Backup"}).out, kxtool({"ls", b}).out);
    EXPECT_TRUE(cat({"lists"}).out.split('\n')[0].endsWith("\tD:\\\\\t\tin the drawer"));
}

// Every command but add leaves a missing catalogue missing, its folder too.
TEST_F(KxtoolDisksTest, OnlyAddMakesACatalogue) {
    const QString none = dir.path() + "/none/cat.sqlite";
    const QStringList commands[] = {{"lists"},         {"find", "jpg"}, {"dups"}, {"remove", a},
                                    {"label", a, "x"}, {"note", a},     {"ls", a}};
    for (const QStringList& args : commands) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ToolRun r = kxtool(QStringList{"catalog", "--db", none} + args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "kxtool: There is no catalogue " + none + "; add a list to make one.\n");
        EXPECT_FALSE(QDir(dir.path() + "/none").exists());
    }
    EXPECT_EQ(kxtool({"catalog", "--db", none, "add", a}).status, 0);
    EXPECT_TRUE(QFile::exists(none));
}

// ls from the catalogue prints what ls prints on the list file, and still does once it is gone.
TEST_F(KxtoolDisksTest, LsFromTheCatalogueIsLsOfTheList) {
    ASSERT_EQ(cat({"add", a}).status, 0);
    ASSERT_EQ(cat({"label", a, "photos"}).status, 0);
    const QStringList cases[] = {
        {},
        {"--marks"},
        {QString::fromUtf8("Фото")},
        {QString::fromUtf8("Фото\\jpg album"), "--marks"},
        {QString::fromUtf8("/Фото/jpg album/")},
        {"Empty"},
    };
    std::vector<QString> expected;
    for (const QStringList& args : cases) {
        const ToolRun one = kxtool(QStringList{"ls", a} + args);
        ASSERT_EQ(one.status, 0) << one.err.toStdString();
        expected.push_back(one.out);
    }
    const ToolRun noFolder = kxtool({"ls", a, "nowhere"});
    ASSERT_TRUE(QFile::remove(a));
    for (const QString& list : {a, QString("photos")}) {
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            SCOPED_TRACE((list + ' ' + cases[i].join(' ')).toStdString());
            const ToolRun r = cat(QStringList{"ls", list} + cases[i]);
            EXPECT_EQ(r.status, 0) << r.err.toStdString();
            EXPECT_EQ(r.out, expected[i]);
        }
        const ToolRun r = cat({"ls", list, "nowhere"});
        EXPECT_EQ(r.status, noFolder.status);
        EXPECT_EQ(r.err, noFolder.err);
    }
}

TEST_F(KxtoolDisksTest, AddTakesEveryListBelowAFolder) {
    const QString sub = dir.path() + "/sub";
    ASSERT_TRUE(QDir().mkpath(sub + "/deeper"));
    ASSERT_TRUE(QFile::copy(a, sub + "/deeper/z.KX"));
    ASSERT_TRUE(QFile::copy(b, sub + "/y.kx"));
    writeFile((sub + "/notes.txt").toStdString(), "not a list");
    const ToolRun r = cat({"add", sub, a});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "added\t" + sub + "/deeper/z.KX\t9\nadded\t" + sub + "/y.kx\t6\nadded\t" + a +
                         "\t9\n");
}

TEST_F(KxtoolDisksTest, DupsSkipEmptyFilesSumUpAndCrossDisks) {
    // c is another snapshot of a's disk (the same root); d is a third disk.
    TreeBuilder tc{"D:\\"};
    tc.file(tc.root(), "readme.txt", 100);
    tc.file(tc.root(), "b.jpg", 2048);
    tc.file(tc.root(), "empty.txt", 0);
    const QString c = dir.path() + "/c.kx", d = dir.path() + "/d.kx";
    writeListFile(c.toStdString(), tc.tree(), true);
    TreeBuilder td{"F:\\"};
    td.file(td.root(), "empty.txt", 0);
    writeListFile(d.toStdString(), td.tree(), true);
    ASSERT_EQ(cat({"add", a, b, c, d}).status, 0);

    const QString jpgs = "2048\tb.jpg\t" + a + QString::fromUtf8("\tФото\\\\b.jpg\n") +
                         "2048\tb.jpg\t" + b + "\tbackup\\\\b.jpg\n" + "2048\tb.jpg\t" + c +
                         "\tb.jpg\n";
    const QString readmes =
        "100\treadme.txt\t" + a + "\treadme.txt\n" + "100\treadme.txt\t" + c + "\treadme.txt\n";
    const QString empties =
        "0\tempty.txt\t" + c + "\tempty.txt\n" + "0\tempty.txt\t" + d + "\tempty.txt\n";
    struct Case {
        QStringList args;
        QString out;
    } cases[] = {
        {{}, jpgs + readmes},
        {{"--min-size", "0"}, jpgs + readmes + empties},
        {{"--summary"}, "2048\tb.jpg\t3\t4096\n100\treadme.txt\t2\t100\n"},
        {{"--summary", "--min-size=0"},
         "2048\tb.jpg\t3\t4096\n100\treadme.txt\t2\t100\n0\tempty.txt\t2\t0\n"},
        {{"--across-lists"}, jpgs},
        {{"--across-lists", "--min-size", "0"}, jpgs + empties},
        {{"--across-lists", "--summary", "--min-size", "101"}, "2048\tb.jpg\t3\t4096\n"},
    };
    for (const Case& s : cases) {
        SCOPED_TRACE(s.args.join(' ').toStdString());
        const ToolRun r = cat(QStringList{"dups"} + s.args);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, s.out);
    }
}

// Two first adds at once both succeed, round after round, whichever makes the catalogue.
TEST_F(KxtoolDisksTest, TwoFirstAddsAtOnceBothSucceed) {
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        const QString fresh = dir.path() + QString("/round%1/cat.sqlite").arg(round);
        QProcess one, two;
        one.start(KXTOOL_PATH, {"catalog", "--db", fresh, "add", a});
        two.start(KXTOOL_PATH, {"catalog", "--db", fresh, "add", b});
        ASSERT_TRUE(one.waitForFinished(60000) && two.waitForFinished(60000));
        EXPECT_EQ(one.exitCode(), 0) << one.readAllStandardError().toStdString();
        EXPECT_EQ(two.exitCode(), 0) << two.readAllStandardError().toStdString();
        EXPECT_EQ(kxtool({"catalog", "--db", fresh, "lists"}).out.count('\n'), 2);
    }
}

// An add waits for another program's write, longer than SQLite's usual few seconds, and then
// adds; a search meanwhile answers from the catalogue as it was.
TEST_F(KxtoolDisksTest, AnAddWaitsForTheWriterBeforeIt) {
    ASSERT_EQ(cat({"add", a}).status, 0);
    const QString before = cat({"find", "jpg"}).out;
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(db.toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(other, "BEGIN IMMEDIATE; DELETE FROM entries;", nullptr, nullptr, nullptr),
        SQLITE_OK);
    QProcess adding;
    adding.start(KXTOOL_PATH, {"catalog", "--db", db, "add", b});
    EXPECT_EQ(cat({"find", "jpg"}).out, before);
    EXPECT_FALSE(adding.waitForFinished(6500)); // still waiting after the old limit of 5 s
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    ASSERT_TRUE(adding.waitForFinished(60000));
    EXPECT_EQ(adding.exitCode(), 0) << adding.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(adding.readAllStandardOutput()), "added\t" + b + "\t6\n");
}

} // namespace
