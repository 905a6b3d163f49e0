// kxtool as people and scripts use it: its output rows, its files, and its errors.
#include "common/fixtures.h"
#include "listfile/listfile.h"
#include "output/textexport.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

using namespace kxtest;

namespace {

struct ToolRun {
    int status;
    QString out, err;
};

ToolRun kxtool(const QStringList& args) {
    QProcess p;
    p.start(KXTOOL_PATH, args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

struct KxtoolTest : ::testing::Test {
    QTemporaryDir dir;
    QString list = dir.path() + "/disk.kx";
    void SetUp() override {
        TreeBuilder b{"D:\\"};
        b.tree().headerText = "hdr";
        b.file(b.root(), "a.txt", 512);
        kx::Entry* photos = b.folder(b.root(), "\xD4\xEE\xF2\xEE"); // "Фото"
        b.file(photos, "b.jpg", 2048).mark(1).comment("keep");
        b.folder(photos, "Empty");
        b.file(b.root(), "broken.bin").attributes(kx::damaged | kx::archive).crossedOut(1);
        writeListFile(list.toStdString(), b.tree(), true);
    }
    QString p(const QString& name) const { return dir.path() + "/" + name; }
};

} // namespace

TEST_F(KxtoolTest, ListsTheRowsTheViewerShows) {
    const ToolRun root = kxtool({"ls", list});
    ASSERT_EQ(root.status, 0) << root.err.toStdString();
    EXPECT_EQ(root.out, QString::fromUtf8(
                            "Фото\t0\t01.02.2003 04:05:06\t07.08.2009 10:11:12\t----\t----\n"
                            "a.txt\t1\t01.02.2003 04:05:06\t07.08.2009 10:11:12\t----\t----\n"
                            "broken.bin\t0\t01.02.2003 04:05:06\t07.08.2009 10:11:12\tAE\t----\n"));
    const ToolRun sub = kxtool({"ls", list, QString::fromUtf8("Фото"), "--marks"});
    ASSERT_EQ(sub.status, 0) << sub.err.toStdString();
    EXPECT_EQ(sub.out, QString::fromUtf8(
                           "..\n"
                           "Empty\t0\t01.02.2003 04:05:06\t07.08.2009 10:11:12\t----\t----\t0\n"
                           "b.jpg\t2\t01.02.2003 04:05:06\t07.08.2009 10:11:12\t----\tkeep\t1\n"));
    const ToolRun info = kxtool({"info", list});
    EXPECT_EQ(info.out, "header\thdr\nroot\tD:\\\nentries\t6\nfolders\t3\nfiles\t3\n");
    const ToolRun find = kxtool({"find", list, "JPG"});
    EXPECT_EQ(find.out.split('\t').first(), QString::fromUtf8("Фото\\b.jpg"));
}

TEST_F(KxtoolTest, ExportAndResaveWriteWhatTheLibraryWrites) {
    ASSERT_EQ(kxtool({"export", list, p("out.txt")}).status, 0);
    kx::ListContainer c;
    auto t = kx::openListFile(c, list.toStdString());
    kx::regroupRootFolder(*t);
    ASSERT_EQ(kx::out::exportToFile(t->root(), p("lib.txt"), {}), kx::out::ExportResult::Done);
    EXPECT_EQ(readFile(p("out.txt").toStdString()), readFile(p("lib.txt").toStdString()));
    EXPECT_EQ(readFile(p("out.txt").toStdString()),
              "\r\n\xD4\xEE\xF2\xEE\\b.jpg\r\n\r\na.txt\r\n**broken.bin\r\n");

    ASSERT_EQ(kxtool({"resave", list, p("copy.kx")}).status, 0);
    EXPECT_EQ(kxtool({"ls", p("copy.kx")}).out, kxtool({"ls", list}).out);
    EXPECT_EQ(kxtool({"info", p("copy.kx")}).out,
              "header\thdr\nroot\t\nentries\t6\nfolders\t3\nfiles\t3\n");
}

TEST_F(KxtoolTest, ScanMakesAListOfAFolder) {
    QDir(dir.path()).mkpath("tree/sub/deeper");
    writeFile(p("tree/sub/x.txt").toStdString(), "12345");
    writeFile(p("tree/.hidden").toStdString(), "");
    ASSERT_EQ(kxtool({"scan", p("tree"), p("tree.kx")}).status, 0);
    const ToolRun ls = kxtool({"ls", p("tree.kx"), "sub"});
    EXPECT_TRUE(ls.out.startsWith("..\ndeeper\t0\t")) << ls.out.toStdString();
    EXPECT_TRUE(ls.out.contains("\nx.txt\t1\t")) << ls.out.toStdString();
    EXPECT_TRUE(kxtool({"ls", p("tree.kx")}).out.contains(".hidden\t0\t")); // hidden attribute H
    EXPECT_EQ(kxtool({"scan", p("tree"), p("tree.kx")}).status, 1);         // never overwrites
}

TEST_F(KxtoolTest, ErrorsAreOneSentenceAndStatusOne) {
    writeFile(p("text.kx").toStdString(), "not an archive");
    const std::vector<QStringList> cases = {
        {"info", p("missing.kx")},
        {"info", p("text.kx")},
        {"ls", list, "NoSuchFolder"},
        {"frobnicate"},
        {"resave"},
        {"export", list, p("no/such/dir/x.txt")},
    };
    for (const auto& args : cases) {
        const ToolRun r = kxtool(args);
        EXPECT_EQ(r.status, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.startsWith("kxtool: ") && r.err.endsWith(".\n") && r.err.count('\n') == 1)
            << r.err.toStdString();
    }
    const ToolRun help = kxtool({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"info", "ls", "find", "export", "resave", "scan"})
        EXPECT_TRUE(help.out.contains(command));
}
