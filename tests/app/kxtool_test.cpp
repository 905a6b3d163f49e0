// kxtool as people and scripts use it: its output rows, its files, and its errors.
#include "common/fixtures.h"
#include "listfile/listfile.h"
#include "output/textexport.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdlib>
#include <sys/stat.h>

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
    EXPECT_EQ(info.out, "header\thdr\nroot\tD:\\\\\nentries\t6\nfolders\t3\nfiles\t3\n");
    const ToolRun find = kxtool({"find", list, "JPG"});
    EXPECT_EQ(find.out.split('\t').first(), QString::fromUtf8("Фото\\\\b.jpg"));
}

// Whatever a stored text holds, a row stays one line and a control character never reaches the
// terminal: every command writes the same escapes, and reading them back gives the stored text.
TEST_F(KxtoolTest, CellsAreEscapedSoEveryRowIsOneLine) {
    struct Case {
        const char* stored; // cp1251
        const char* shown;  // UTF-8
    } cases[] = {
        {"tab\tcell", "tab\\tcell"},
        {"two\r\nlines", "two\\r\\nlines"},
        {"lf\nonly", "lf\\nonly"},
        {"\x1b[31mred", "\\x1b[31mred"},
        {"bell\x07\x01", "bell\\x07\\x01"},
        {"del\x7f", "del\\x7f"},
        {"c1\x98", "c1\\x98"}, // the byte with no letter: U+0098, a control character
        {"back\\slash\\", "back\\\\slash\\\\"},
        {"\\x41", "\\\\x41"}, // an escape's look-alike stays readable as text
        {"\xD4\xEE\xF2\xEE \xA0nbsp", "Фото \u00A0nbsp"},
    };
    TreeBuilder b{"C:\\\t"};
    b.tree().headerText = "head\r\ner\x1b";
    kx::Entry* folder = b.folder(b.root(), "dir\nname");
    for (const auto& c : cases)
        b.file(folder, std::string("f") + c.stored).comment(c.stored);
    writeListFile(p("odd.kx").toStdString(), b.tree(), true);

    EXPECT_EQ(kxtool({"info", p("odd.kx")}).out,
              "header\thead\\r\\ner\\x1b\nroot\tC:\\\\\\t\nentries\t12\nfolders\t2\nfiles\t10\n");
    EXPECT_TRUE(kxtool({"ls", p("odd.kx")}).out.startsWith("dir\\nname\t0\t"));
    const QStringList ls = kxtool({"ls", p("odd.kx"), "dir\nname"}).out.split('\n');
    const QStringList found = kxtool({"find", p("odd.kx"), "F"}).out.split('\n');
    ASSERT_EQ(ls.size(), std::size(cases) + 2) << ls.join('\n').toStdString(); // "..", last '\n'
    ASSERT_EQ(found.size(), std::size(cases) + 1);
    for (const auto& c : cases) {
        const QString shown = QString::fromUtf8(c.shown);
        const QString name = "f" + shown;
        // ls and find sort the same way as the viewer; look each row up by its first cell.
        EXPECT_EQ(ls.filter(QRegularExpression("^" + QRegularExpression::escape(name) + "\t"))
                      .value(0)
                      .split('\t')
                      .value(5),
                  shown);
        EXPECT_EQ(found.filter("dir\\nname\\\\" + name + "\t").size(), 1) << c.shown;
    }
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

TEST_F(KxtoolTest, ListsPackedByOtherZipToolsReadTheSame) {
    // The inner list packed again by bsdtar (data descriptor, zero bytes up to a whole block) and
    // by Info-ZIP from a pipe to a pipe (local ZIP64 sizes, data descriptor).
    const std::string make = "cd '" + dir.path().toStdString() +
                             "' && unzip -p disk.kx > disk && "
                             "bsdtar --format zip -cf - disk | cat > bsdtar.kx && "
                             "cat disk | zip -q | cat > infozip.kx";
    ASSERT_EQ(std::system(make.c_str()), 0);
    for (const char* name : {"bsdtar.kx", "infozip.kx"}) {
        SCOPED_TRACE(name);
        const ToolRun info = kxtool({"info", p(name)});
        EXPECT_EQ(info.err, "");
        EXPECT_EQ(info.out, kxtool({"info", list}).out);
        EXPECT_EQ(kxtool({"ls", p(name), QString::fromUtf8("Фото")}).out,
                  kxtool({"ls", list, QString::fromUtf8("Фото")}).out);
    }
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
    ASSERT_EQ(::mkfifo(p("fifo.kx").toLocal8Bit().constData(), 0644), 0);
    const std::vector<QStringList> cases = {
        {"info", p("missing.kx")},
        {"info", p("text.kx")},
        {"info", p("fifo.kx")}, // refused at once, never waiting for a writer
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
