// kxtool as people and scripts use it: its output rows, its files, and its errors.
#include "browser/filter.h"
#include "browser/summary.h"
#include "common/fixtures.h"
#include "listfile/codepage.h"
#include "listfile/listfile.h"
#include "output/csvexport.h"
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
    ASSERT_TRUE(kx::out::exportToFile(t->root(), p("lib.txt"), {}));
    EXPECT_EQ(readFile(p("out.txt").toStdString()), readFile(p("lib.txt").toStdString()));
    EXPECT_EQ(readFile(p("out.txt").toStdString()),
              "\r\n\xD4\xEE\xF2\xEE\\b.jpg\r\n\r\na.txt\r\n**broken.bin\r\n");

    ASSERT_EQ(kxtool({"resave", list, p("copy.kx")}).status, 0);
    EXPECT_EQ(kxtool({"ls", p("copy.kx")}).out, kxtool({"ls", list}).out);
    EXPECT_EQ(kxtool({"info", p("copy.kx")}).out,
              "header\thdr\nroot\t\nentries\t6\nfolders\t3\nfiles\t3\n");
}

// The tree of a list as kxtool sees it after its open.
std::unique_ptr<kx::EntryTree> openedAsTheToolDoes(const QString& list) {
    kx::ListContainer c;
    auto t = kx::openListFile(c, list.toStdString());
    kx::regroupRootFolder(*t);
    return t;
}

TEST_F(KxtoolTest, SummaryRowsAreTheLibrarysFigures) {
    const ToolRun r = kxtool({"summary", list});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "all\t5\t2560\n"
                     "folders\t2\t0\n"
                     "files\t3\t2560\n"
                     "required\t1\t2048\n"
                     "useless\t0\t0\n"
                     "unmarked\t4\t512\n"
                     "commented\t1\t2048\n"
                     "damaged\t1\t0\n"
                     "crossed-out\t1\t0\n");

    // The sample list has every kind of entry; its rows are the library's totals.
    const QString sample = FENTARO_SOURCE_DIR "/examples/sample.kx";
    const kx::Summary s = kx::summarizeBelow(openedAsTheToolDoes(sample)->root());
    QString expected;
    for (const auto& [what, t] : {std::pair{"all", s.all},
                                  {"folders", s.folders},
                                  {"files", s.files},
                                  {"required", s.required},
                                  {"useless", s.useless},
                                  {"unmarked", s.unmarked},
                                  {"commented", s.commented},
                                  {"damaged", s.damaged},
                                  {"crossed-out", s.crossedOut}})
        expected += QString("%1\t%2\t%3\n").arg(what).arg(t.entries).arg(t.bytes);
    EXPECT_EQ(kxtool({"summary", sample}).out, expected);
    EXPECT_GT(s.damaged.entries * s.commented.entries * s.crossedOut.entries * s.useless.entries,
              0u);
}

TEST_F(KxtoolTest, FindFiltersPickTheRows) {
    const QString photo = QString::fromUtf8("Фото\\\\b.jpg");
    struct Case {
        QStringList args;
        QStringList firstCells;
    } cases[] = {
        {{"", "--mark", "1"}, {photo}},
        {{"--mark=1"}, {photo}}, // the mask left out
        {{"--damaged"}, {"broken.bin"}},
        {{"KEEP"}, {}},
        {{"KEEP", "--comments"}, {photo}},
        {{"", "--commented"}, {photo}},
        {{"--min-size", "1"}, {photo, "a.txt"}},
        {{"--max-size", "512", "--", "A"}, {"a.txt"}},
        {{"--mark", "0", "--commented"}, {}},
        {{"--mark", "0", "--min-size", "0"}, {"a.txt", "broken.bin"}},
        {{"--min-size", "3000"}, {}},
        {{""}, {}},             // an empty mask without a filter finds nothing, as before
        {{"--", "--mark"}, {}}, // after "--" a mask, found in no name
    };
    for (const auto& c : cases) {
        const ToolRun r = kxtool(QStringList{"find", list} + c.args);
        SCOPED_TRACE(c.args.join(' ').toStdString());
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        QStringList cells;
        for (const QString& row : r.out.split('\n', Qt::SkipEmptyParts))
            cells << row.section('\t', 0, 0);
        EXPECT_EQ(cells, c.firstCells);
    }
    // A filtered row is the plain search's row.
    EXPECT_EQ(kxtool({"find", list, "--mark", "1"}).out, kxtool({"find", list, "jpg"}).out);
}

TEST_F(KxtoolTest, CsvExportWritesWhatTheLibraryWrites) {
    ASSERT_EQ(kxtool({"export", list, p("out.csv"), "--csv"}).status, 0);
    EXPECT_EQ(readFile(p("out.csv").toStdString()),
              "path,kind,size,created,changed,attributes,mark,comment\r\n"
              "Фото,D,0,01.02.2003 04:05:06,07.08.2009 10:11:12,,0,\r\n"
              "Фото\\b.jpg,F,2048,01.02.2003 04:05:06,07.08.2009 10:11:12,,1,keep\r\n"
              "Фото\\Empty,D,0,01.02.2003 04:05:06,07.08.2009 10:11:12,,0,\r\n"
              "a.txt,F,512,01.02.2003 04:05:06,07.08.2009 10:11:12,,0,\r\n"
              "broken.bin,F,0,01.02.2003 04:05:06,07.08.2009 10:11:12,AE,0,\r\n");

    const auto tree = openedAsTheToolDoes(list);
    struct Case {
        QStringList options;
        kx::EntryFilter filter;
    } cases[] = {
        {{}, {}},
        {{"--mark", "1"},
         [] {
             kx::EntryFilter f;
             f.mark = 1;
             return f;
         }()},
        {{"--mask", "jpg"},
         [] {
             kx::EntryFilter f;
             f.mask = "jpg";
             return f;
         }()},
        {{"--mask=E", "--comments", "--max-size", "4096"},
         [] {
             kx::EntryFilter f;
             f.mask = "E";
             f.inComments = true;
             f.maxSize = 4096;
             return f;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        ASSERT_EQ(kxtool(QStringList{"export", list, p("tool.csv"), "--csv"} + c.options).status,
                  0);
        ASSERT_TRUE(kx::out::exportCsvToFile(tree->root(), c.filter, p("lib.csv"), {}));
        EXPECT_EQ(readFile(p("tool.csv").toStdString()), readFile(p("lib.csv").toStdString()));
    }
    // A mask that the list's code page cannot hold matches nothing: the header alone.
    ASSERT_EQ(kxtool({"export", list, p("none.csv"), "--csv", "--mask", "☃"}).status, 0);
    EXPECT_EQ(readFile(p("none.csv").toStdString()),
              "path,kind,size,created,changed,attributes,mark,comment\r\n");
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
        {"export", list, p("no/such/dir/x.csv"), "--csv"},
        {"export", list, list, "--csv"},           // never onto the list itself
        {"export", list, p("x.txt"), "--damaged"}, // filters only with --csv
        {"export", list, p("x.csv"), "--csv", "--mask"},
        {"summary"},
        {"summary", list, "extra"},
        {"summary", list, "--marks"},
        {"find", list},
        {"find", list, "a", "b"},
        {"find", list, "a", "--mark", "x"},
        {"find", list, "a", "--mark", "256"},
        {"find", list, "a", "--mark", "-1"},
        {"find", list, "a", "--mark", ""},
        {"find", list, "a", "--min-size", "-3"},
        {"find", list, "a", "--max-size", "1.5"},
        {"find", list, "a", "--max-size", "18446744073709551616"}, // 2^64
        {"find", list, "a", "--min-size"},
        {"find", list, "a", "--damaged=yes"},
        {"find", list, "a", "--csv"},
        {"find", list, "a", "--frobnicate"},
    };
    for (const auto& args : cases) {
        const ToolRun r = kxtool(args);
        EXPECT_EQ(r.status, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.startsWith("kxtool: ") && r.err.endsWith(".\n") && r.err.count('\n') == 1)
            << r.err.toStdString();
    }
    EXPECT_EQ(kxtool({"info", list}).out.count('\n'), 5); // the list refused as a target is whole
    EXPECT_EQ(kxtool({"find", list, "a", "--min-size", "-3"}).err,
              "kxtool: --min-size takes a whole number of bytes (0 or more), not \"-3\".\n");
    const ToolRun help = kxtool({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* command :
         {"info", "ls", "find", "export", "resave", "scan", "summary", "--csv", "--mark",
          "--comments", "--commented", "--damaged", "--min-size", "--max-size"})
        EXPECT_TRUE(help.out.contains(command)) << command;
}
