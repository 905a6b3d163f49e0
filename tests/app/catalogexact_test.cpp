// kxtool catalog over lists of exact names (names the code page cannot hold, bytes that are no
// UTF-8): found, listed and grouped by the names as the lists themselves show them.
#include "app/catalogfixture.h"
#include "common/qstringprint.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace kxtest;

namespace {

// The fixture's catalogue and list paths, with lists of exact names of their own.
struct KxtoolExactCatalogTest : KxtoolCatalogTest {
    // Two disks whose names have one code-page form each ("??.mp3", "caf?.txt", "bad?.bin")
    // for names that differ, and are equal where the names are.
    void SetUp() override {
        TreeBuilder ta;
        EntryEdit(ta.root()).systemName("/media/音楽");
        kx::Entry* music = ta.folder(ta.root(), "").systemName("音楽");
        ta.file(music, "").systemName("日本.mp3").size(1000);
        ta.file(music, "").systemName("café.txt").size(10);
        ta.file(ta.root(), "").systemName("bad\xFF.bin").size(7);
        ta.file(ta.root(), "plain.txt", 3);
        writeListFile(a.toStdString(), ta.tree(), true);

        TreeBuilder tb{"B:\\"};
        kx::Entry* music2 = tb.folder(tb.root(), "music");
        tb.file(music2, "").systemName("中文.mp3").size(1000);
        tb.file(music2, "").systemName("CAFÉ.txt").size(10);
        tb.file(music2, "").systemName("café.txt").size(10);
        tb.file(tb.root(), "").systemName("bad\xFF.bin").size(7);
        tb.file(tb.root(), "").systemName("bad\xFE.bin").size(7);
        tb.file(tb.root(), "plain.txt", 3);
        writeListFile(b.toStdString(), tb.tree(), true);
        ASSERT_EQ(cat({"add", a, b}).status, 0);
    }
};

// catalog find gives, list by list, the rows find gives on each list: masks the code page cannot
// hold, upper and lower case by Unicode, globs, masks shorter than a trigram and longer.
TEST_F(KxtoolExactCatalogTest, FindGivesTheRowsOfFindOnEachList) {
    const QStringList masks[] = {
        {"café"}, {"CAFÉ.TXT"}, {"日本*", "--glob"},    {"*.MP3", "--glob"}, {"日"}, {"音楽"},
        {"mp3"},  {"bad"},      {"bad?.bin", "--glob"}, {"caf?.txt"},
    };
    for (const QStringList& mask : masks) {
        SCOPED_TRACE(mask.join(' ').toStdString());
        QString want;
        for (const QString& list : {a, b})
            for (const QString& row : kxtool(QStringList{"find", list} + mask).out.split('\n'))
                if (!row.isEmpty()) want += list + "\t" + row + "\n";
        const ToolRun got = cat(QStringList{"find"} + mask);
        EXPECT_EQ(got.status, 0) << got.err.toStdString();
        EXPECT_EQ(got.out, want);
    }
    // Not empty by accident.
    const std::pair<QStringList, int> counts[] = {
        {{"café"}, 3}, {{"日本*", "--glob"}, 1}, {{"bad?.bin", "--glob"}, 3}, {{"日"}, 1}};
    for (const auto& [mask, rows] : counts)
        EXPECT_EQ(cat(QStringList{"find"} + mask).out.count('\n'), rows)
            << mask.join(' ').toStdString();
}

// Duplicates are the same exact names: 日本.mp3 and 中文.mp3 are two names (both "??.mp3" in
// the code page), and so are bad\377.bin and bad\376.bin.
TEST_F(KxtoolExactCatalogTest, DuplicatesAreKeyedByTheExactName) {
    const ToolRun r = cat({"dups"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QString::fromUtf8("10\tcafé.txt\t") + a +
                         QString::fromUtf8("\t音楽\\\\café.txt\n"
                                           "10\tcafé.txt\t") +
                         b +
                         QString::fromUtf8("\tmusic\\\\café.txt\n"
                                           "7\tbad\\377.bin\t") +
                         a +
                         "\tbad\\377.bin\n"
                         "7\tbad\\377.bin\t" +
                         b +
                         "\tbad\\377.bin\n"
                         "3\tplain.txt\t" +
                         a +
                         "\tplain.txt\n"
                         "3\tplain.txt\t" +
                         b + "\tplain.txt\n");
    EXPECT_EQ(cat({"dups", "--summary"}).out, QString::fromUtf8("10\tcafé.txt\t2\t10\n") +
                                                  "7\tbad\\377.bin\t2\t7\n3\tplain.txt\t2\t3\n");
}

// ls from the catalogue alone shows the exact names as the list file did; lists shows the root's.
TEST_F(KxtoolExactCatalogTest, LsAndListsFromTheCatalogueShowTheExactNames) {
    EXPECT_EQ(cat({"lists"}).out.section('\t', 4, 4), QString::fromUtf8("/media/音楽"));
    const QString folder = QString::fromUtf8("音楽");
    const QString root = kxtool({"ls", a}).out, inFolder = kxtool({"ls", a, folder}).out;
    ASSERT_TRUE(inFolder.contains(QString::fromUtf8("日本.mp3\t"))) << inFolder.toStdString();
    ASSERT_TRUE(QFile::remove(a));
    EXPECT_EQ(cat({"ls", a}).out, root);
    EXPECT_EQ(cat({"ls", a, folder}).out, inFolder);
}

} // namespace
