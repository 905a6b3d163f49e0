// kxtool as people and scripts use it: its output rows, its files, and its errors.
#include "common/fixtures.h"
#include "listfile/codepage.h"
#include "listfile/listfile.h"
#include "output/csvexport.h"
#include "output/textexport.h"
#include "query/filter.h"
#include "query/summary.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

using namespace kxtest;

namespace {

struct ToolRun {
    int status;
    QString out, err;
    QByteArray rawOut; // the bytes as written (a file name need not be UTF-8)
};

ToolRun kxtool(const QStringList& args) {
    QProcess p;
    p.start(KXTOOL_PATH, args);
    p.waitForFinished(60000);
    const QByteArray out = p.readAllStandardOutput();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(out),
            QString::fromUtf8(p.readAllStandardError()), out};
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
              "Фото,D,0,2003-02-01 04:05:06,2009-08-07 10:11:12,,0,\r\n"
              "Фото\\b.jpg,F,2048,2003-02-01 04:05:06,2009-08-07 10:11:12,,1,keep\r\n"
              "Фото\\Empty,D,0,2003-02-01 04:05:06,2009-08-07 10:11:12,,0,\r\n"
              "a.txt,F,512,2003-02-01 04:05:06,2009-08-07 10:11:12,,0,\r\n"
              "broken.bin,F,0,2003-02-01 04:05:06,2009-08-07 10:11:12,AE,0,\r\n");

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
    // Never overwrites: nothing is written, status 2.
    EXPECT_EQ(kxtool({"scan", p("tree"), p("tree.kx")}).status, 2);
}

// Names the code page cannot hold keep their exact form through a scan and a save: shown, found
// and told apart, where their code-page forms ("caf?.txt", "??.mp3", "bad??") would not be.
TEST_F(KxtoolTest, ScannedNamesKeepTheirExactForm) {
    QDir(dir.path()).mkpath("names/a");
    QDir(dir.path()).mkpath("names/b");
    const std::string top = p("names").toStdString();
    for (const char* name :
         {"/a/caf\xC3\xA9.txt", "/a/\xE6\x97\xA5\xE6\x9C\xAC.mp3",
          "/b/\xE4\xB8\xAD\xE6\x96\x87.mp3", "/a/x\\y", "/a/bad\xFF\xFE", "/b/bad\xFE\xFF"})
        writeFile(top + name, "12");
    ASSERT_EQ(kxtool({"scan", p("names"), p("names.kx")}).status, 0);

    // Bytes that are no UTF-8 print as octal escapes.
    const QByteArray ls = kxtool({"ls", p("names.kx"), "a"}).rawOut;
    for (const char* cell : {"\ncaf\xC3\xA9.txt\t", "\n\xE6\x97\xA5\xE6\x9C\xAC.mp3\t",
                             "\nx\\\\y\t", "\nbad\\377\\376\t"})
        EXPECT_TRUE(ls.contains(cell)) << cell << " in " << ls.toStdString();
    const struct {
        const char* mask;
        QByteArray paths; // the first cell of each row
    } finds[] = {
        {"caf\xC3\xA9", "a\\\\caf\xC3\xA9.txt\n"},
        {"CAF\xC3\x89.TXT", "a\\\\caf\xC3\xA9.txt\n"},
        {"\xE4\xB8\xAD\xE6\x96\x87", "b\\\\\xE4\xB8\xAD\xE6\x96\x87.mp3\n"},
        {".mp3", "a\\\\\xE6\x97\xA5\xE6\x9C\xAC.mp3\nb\\\\\xE4\xB8\xAD\xE6\x96\x87.mp3\n"},
        {"bad", "a\\\\bad\\377\\376\nb\\\\bad\\376\\377\n"},
        {"?", ""}, // the code-page forms are not what is matched
    };
    for (const auto& f : finds) {
        QByteArray firstCells;
        for (const QByteArray& row :
             kxtool({"find", p("names.kx"), QString::fromUtf8(f.mask)}).rawOut.split('\n'))
            if (!row.isEmpty()) firstCells += row.left(row.indexOf('\t')) + '\n';
        EXPECT_EQ(firstCells, f.paths) << f.mask;
    }

    // A save keeps every byte; the two lists differ in one of the names told apart.
    ASSERT_EQ(kxtool({"resave", p("names.kx"), p("saved.kx")}).status, 0);
    EXPECT_EQ(innerList(*openedAsTheToolDoes(p("saved.kx"))),
              innerList(*openedAsTheToolDoes(p("names.kx"))));
    ASSERT_EQ(std::remove((top + "/b/bad\xFE\xFF").c_str()), 0);
    ASSERT_EQ(kxtool({"scan", p("names"), p("later.kx")}).status, 0);
    const QByteArray diff = kxtool({"diff", p("names.kx"), p("later.kx")}).rawOut;
    EXPECT_TRUE(diff.contains("-\tb\\\\bad\\376\\377\tF\n")) << diff.toStdString();
    EXPECT_FALSE(diff.contains("a\\\\bad")) << diff.toStdString();
}

TEST_F(KxtoolTest, ErrorsAreOneSentenceAndStatusOne) {
    writeFile(p("text.kx").toStdString(), "not an archive");
    ASSERT_EQ(::mkfifo(p("fifo.kx").toLocal8Bit().constData(), 0644), 0);
    const std::vector<QStringList> cases = {
        {"info", p("missing.kx")},
        {"info", p("text.kx")},
        {"info", p("fifo.kx")}, // refused at once, never waiting for a writer
        {"ls", list, "NoSuchFolder"},
        {"export", list, p("no/such/dir/x.txt")},
        {"export", list, p("no/such/dir/x.csv"), "--csv"},
        {"export", list, list, "--csv"}, // never onto the list itself
    };
    for (const auto& args : cases) {
        const ToolRun r = kxtool(args);
        EXPECT_EQ(r.status, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.startsWith("kxtool: ") && r.err.endsWith(".\n") && r.err.count('\n') == 1)
            << r.err.toStdString();
    }
    EXPECT_EQ(kxtool({"info", list}).out.count('\n'), 5); // the list refused as a target is whole
    // A message is escaped as a cell is, so it stays one line.
    EXPECT_EQ(kxtool({"ls", list, "a\\b\nc"}).err,
              "kxtool: There is no folder \"a\\\\b\\nc\" in the list.\n");
}

// A command line that cannot be run is refused before anything is opened or written: status 2,
// one line that names the wrong word, then the command's usage.
TEST_F(KxtoolTest, UsageErrorsNameTheWrongWordThenTheUsage) {
    QDir(dir.path()).mkpath("tree");
    const struct Case {
        QStringList args;
        QString named;   // in the first line
        QString command; // whose usage follows
    } cases[] = {
        // Unknown options: never taken for a file, a folder or a mask.
        {{"info", "--bogus"}, "\"--bogus\"", "info"},
        {{"ls", list, "--x"}, "\"--x\"", "ls"},
        {{"summary", list, "--marks"}, "\"--marks\"", "summary"},
        {{"find", list, "a", "--csv"}, "\"--csv\"", "find"},
        {{"find", list, "-x"}, "\"-x\"", "find"},
        {{"export", list, p("x.txt"), "--frobnicate"}, "\"--frobnicate\"", "export"},
        {{"diff", list, list, "--brief"}, "\"--brief\"", "diff"},
        {{"catalog", "add", "--db", p("c.db"), list}, "\"--db\"", "catalog add"},
        {{"--verbose", "info", list}, "\"--verbose\"", ""},
        // Missing arguments.
        {{}, "COMMAND", ""},
        {{"resave"}, "LIST", "resave"},
        {{"find", list}, "MASK", "find"}, // left out only with a filter
        {{"export", list}, "OUT", "export"},
        {{"scan", p("tree")}, "OUT", "scan"},
        {{"diff", list}, "NEW", "diff"},
        {{"catalog", "--db", p("c.db")}, "COMMAND", "catalog"},
        {{"catalog", "--db", p("c.db"), "remove"}, "LIST", "catalog remove"},
        // Surplus arguments.
        {{"info", list, "extra"}, "\"extra\"", "info"},
        {{"find", list, "a", "b"}, "\"b\"", "find"},
        {{"ls", list, "folder", "--", "--marks"}, "\"--marks\"", "ls"},
        {{"catalog", "--db", p("c.db"), "lists", "x"}, "\"x\"", "catalog lists"},
        // Unknown commands.
        {{"frobnicate"}, "\"frobnicate\"", ""},
        {{"catalog", "--db", p("c.db"), "frob"}, "\"frob\"", "catalog"},
        // Options without their value, with a value they do not take, or a bad value.
        {{"find", list, "a", "--min-size"}, "--min-size", "find"},
        {{"export", list, p("x.csv"), "--csv", "--mask"}, "--mask", "export"},
        {{"find", list, "a", "--damaged=yes"}, "--damaged", "find"},
        {{"find", list, "a", "--mark", "x"}, "--mark", "find"},
        {{"find", list, "a", "--mark", "256"}, "--mark", "find"},
        {{"find", list, "a", "--mark", "-1"}, "--mark", "find"},
        {{"find", list, "a", "--mark", ""}, "--mark", "find"},
        {{"find", list, "a", "--max-size", "1.5"}, "--max-size", "find"},
        {{"find", list, "a", "--max-size", "18446744073709551616"}, "--max-size", "find"}, // 2^64
        {{"export", list, p("x.txt"), "--damaged"}, "--csv", "export"}, // filters need --csv
        {{"catalog", "--db", p("c.db"), "dups", "--min-size", "x"}, "--min-size", "catalog dups"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ToolRun r = kxtool(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        const QString line = r.err.section('\n', 0, 0);
        EXPECT_TRUE(line.startsWith("kxtool: ") && line.endsWith('.')) << line.toStdString();
        EXPECT_TRUE(line.contains(c.named)) << line.toStdString();
        // The usage is the help's first line and its lists of commands, arguments and options.
        const QString usage = r.err.section('\n', 1);
        const QString help =
            kxtool(QStringList{c.command.split(' ', Qt::SkipEmptyParts)} << "--help").out;
        EXPECT_EQ(usage.section('\n', 0, 0), help.section('\n', 0, 0));
        EXPECT_TRUE(help.contains(usage.section('\n', 2))) << usage.toStdString();
    }
    EXPECT_FALSE(QFile::exists(p("x.txt")) || QFile::exists(p("x.csv")) ||
                 QFile::exists(p("c.db")));
    EXPECT_EQ(kxtool({"find", list, "a", "--min-size", "-3"}).err.section('\n', 0, 0),
              "kxtool: --min-size takes a whole number of bytes (0 or more), not \"-3\".");
}

// The names in the "Commands:" part of a help.
QStringList commandsIn(const QString& help) {
    QStringList names;
    const QString part = help.section("\nCommands:\n", 1).section("\n\n", 0, 0);
    for (const QString& row : part.split('\n', Qt::SkipEmptyParts))
        names << row.section(' ', 2, 2);
    return names;
}

TEST_F(KxtoolTest, EveryCommandHasItsHelp) {
    const ToolRun top = kxtool({"--help"});
    ASSERT_EQ(top.status, 0);
    EXPECT_EQ(kxtool({"help"}).out, top.out);
    EXPECT_EQ(kxtool({"-h"}).out, top.out);
    const QStringList commands = commandsIn(top.out);
    ASSERT_TRUE(commands.contains("info") && commands.contains("catalog")) << top.out.toStdString();
    std::vector<QStringList> all;
    for (const QString& c : commands)
        all.push_back({c});
    const QStringList inCatalog = commandsIn(kxtool({"catalog", "--help"}).out);
    ASSERT_TRUE(inCatalog.contains("add") && inCatalog.contains("dups"));
    for (const QString& c : inCatalog)
        all.push_back({"catalog", c});
    for (const QStringList& words : all) {
        SCOPED_TRACE(words.join(' ').toStdString());
        // Asked for, the help is the whole answer: no other argument is needed or looked at.
        const ToolRun r = kxtool(words + QStringList{"--help"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_TRUE(r.out.startsWith("Usage: kxtool " + words.join(' '))) << r.out.toStdString();
        EXPECT_TRUE(r.out.contains("-h, --help"));
        EXPECT_EQ(kxtool(words + QStringList{"-h", list, "--bogus"}).out, r.out);
        if (words.size() == 1) {
            EXPECT_EQ(kxtool({"help", words[0]}).out, r.out);
        }
    }
    // Each command's options are in its own help.
    const std::pair<QStringList, QStringList> options[] = {
        {{"ls"}, {"--marks"}},
        {{"find"},
         {"--comments", "--mark N", "--commented", "--damaged", "--min-size BYTES",
          "--max-size BYTES"}},
        {{"export"}, {"--csv", "--mask MASK", "--mark N", "--max-size BYTES"}},
        {{"catalog"}, {"--db FILE"}},
        {{"catalog", "find"}, {"--comments", "--mark N", "--min-size BYTES"}},
        {{"catalog", "dups"}, {"--min-size BYTES"}},
    };
    for (const auto& [words, named] : options) {
        const QString help = kxtool(words + QStringList{"--help"}).out;
        for (const QString& option : named)
            EXPECT_TRUE(help.contains("  " + option + "  ")) << help.toStdString();
    }
}
