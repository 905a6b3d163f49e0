// Tests of the CSV export: quoting, the rows and their cells, filters, progress, and the file.
#include "common/fixtures.h"
#include "common/qstringprint.h"
#include "common/treebuilder.h"
#include "output/csvexport.h"

#include "listfile/codepage.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using kx::ErrorCode;
using kxtest::TreeBuilder;

namespace {

std::string csvOf(const kx::Entry* root, const kx::EntryFilter& filter = {}) {
    kx::StringSink sink;
    EXPECT_TRUE(kx::out::writeCsvLines(root, filter, sink, {}));
    return sink.data();
}

const std::string kHeader = "path,kind,size,created,changed,attributes,mark,comment\r\n";

} // namespace

TEST(CsvCells, QuotedOnlyWhenTheyMustBe) {
    const struct {
        const char* text;
        const char* cell;
    } cases[] = {
        {"", ""},
        {"plain text", "plain text"},
        {" spaces kept ", " spaces kept "},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"lf\nonly", "\"lf\nonly\""},
        {"cr\ronly", "\"cr\ronly\""},
        {"tab\tand;semicolon", "tab\tand;semicolon"},
        {"back\\slash", "back\\slash"},
    };
    for (const auto& c : cases) {
        std::string line = "x,";
        kx::out::appendCsvCell(line, c.text);
        EXPECT_EQ(line, std::string("x,") + c.cell) << c.text;
    }
}

// A text a spreadsheet would run as a formula gets a "'" in front; then it is quoted as usual.
TEST(CsvCells, FormulaTextsAreGuarded) {
    const struct {
        const char* text;
        const char* cell;
    } cases[] = {
        {"=1+1", "'=1+1"},
        {"+x", "'+x"},
        {"-x", "'-x"},
        {"@x", "'@x"},
        {"\tx", "'\tx"},
        {"\rx", "\"'\rx\""},
        {"=SUM(A1,B1)", "\"'=SUM(A1,B1)\""},
        {"=\"cmd\"", "\"'=\"\"cmd\"\"\""},
        {"-", "'-"},
        {"a=b+c-d@e", "a=b+c-d@e"}, // only the first character counts
        {" =x", " =x"},
        {"'=x", "'=x"},
    };
    for (const auto& c : cases) {
        std::string line;
        kx::out::appendCsvCell(line, c.text);
        EXPECT_EQ(line, c.cell) << c.text;
    }
}

// Every text cell of a row is guarded; the numbers are ours and never are, a negative size
// included.
TEST(CsvLines, TextCellsOfARowAreGuarded) {
    TreeBuilder t;
    t.add(t.root(), "=HYPERLINK(\"http://x\")", '-').dates("+1", "@now").comment("-2+3");
    kx::Entry* negative = t.file(t.root(), "-5");
    std::uint8_t ten[kx::rec::sizeSize];
    kx::uint64ToExtended(5, ten);
    ten[9] |= 0x80; // the sign
    negative->patchRecord(kx::rec::size, ten, sizeof ten);
    t.file(t.root(), "plain.txt", 7).comment("ok");
    EXPECT_EQ(csvOf(t.root()),
              kHeader + "\"'=HYPERLINK(\"\"http://x\"\")\",'-,0,'+1,'@now,,0,'-2+3\r\n"
                        "'-5,F,-5,2003-02-01 04:05:06,2009-08-07 10:11:12,,0,\r\n"
                        "plain.txt,F,7,2003-02-01 04:05:06,2009-08-07 10:11:12,,0,ok\r\n");
}

// Every cell of a row: paths below the root, kinds, sizes in bytes, dates, attribute letters,
// stored marks, comments; texts converted from the code page to UTF-8 and quoted as needed.
TEST(CsvLines, RowsInListOrderWithEveryCell) {
    TreeBuilder t{"C:\\disk\\"}; // the root is never a row
    kx::Entry* photos = t.folder(t.root(), "\xD4\xEE\xF2\xEE").comment("trip, 2023"); // "Фото"
    t.file(photos, "b.jpg", 2048).mark(1).attributes(kx::archive | kx::readOnly);
    t.folder(photos, "Empty").dates("", "");
    t.file(t.root(), "a \"quoted\".txt", 1).mark(7).comment("line 1\r\nline 2");
    t.file(t.root(), "broken.bin", 123456789012ULL).attributes(kx::damaged).crossedOut(1);
    t.add(t.root(), "odd", '\0');
    t.add(t.root(), "comma", ',').attributes(0xFF);
    EXPECT_EQ(csvOf(t.root()),
              kHeader + "Фото,D,0,2003-02-01 04:05:06,2009-08-07 10:11:12,,0,\"trip, 2023\"\r\n"
                        "Фото\\b.jpg,F,2048,2003-02-01 04:05:06,2009-08-07 10:11:12,RA,1,\r\n"
                        "Фото\\Empty,D,0,,,,0,\r\n"
                        "\"a \"\"quoted\"\".txt\",F,1,2003-02-01 04:05:06,2009-08-07 10:11:12,,7,"
                        "\"line 1\r\nline 2\"\r\n"
                        "broken.bin,F,123456789012,2003-02-01 04:05:06,2009-08-07 10:11:12,E,0,"
                        "\r\n"
                        "odd,,0,2003-02-01 04:05:06,2009-08-07 10:11:12,,0,\r\n"
                        "comma,\",\",0,2003-02-01 04:05:06,2009-08-07 10:11:12,RHSVATCE,0,\r\n");
    // Texts are converted, not copied: the 8-bit "Фото" is two UTF-8 bytes a letter.
    EXPECT_EQ(csvOf(t.root()).find("\xD4\xEE"), std::string::npos);

    TreeBuilder empty;
    EXPECT_EQ(csvOf(empty.root()), kHeader);
    EXPECT_EQ(csvOf(nullptr), kHeader);
}

// Below a POSIX root the paths are joined with "/", in the whole list and in shown rows alike;
// a date in the list's form goes out as ISO 8601, any other text as it is.
TEST(CsvLines, PathsInTheRootsStyleAndIsoDates) {
    TreeBuilder t{"/home/me"};
    kx::Entry* docs = t.folder(t.root(), "docs").dates("5.6.2023 9:00:00", "31.12.1999");
    kx::Entry* note = t.file(docs, "back\\slash.txt", 3).dates("yesterday", "");
    const std::string rows = "docs,D,0,2023-06-05 09:00:00,1999-12-31,,0,\r\n"
                             "docs/back\\slash.txt,F,3,yesterday,,,0,\r\n";
    EXPECT_EQ(csvOf(t.root()), kHeader + rows);
    kx::StringSink shown;
    EXPECT_TRUE(kx::out::writeCsvRows({docs, note}, shown, {}));
    EXPECT_EQ(shown.data(), kHeader + rows);
}

// Filters pick rows without changing their order or their paths; an empty mask puts no
// condition on names.
TEST(CsvLines, FiltersPickTheRows) {
    TreeBuilder t;
    kx::Entry* sub = t.folder(t.root(), "Sub").mark(1);
    t.file(sub, "keep.txt", 10).mark(1);
    t.file(sub, "other.txt", 2000).comment("Keep me");
    t.file(t.root(), "top.txt", 500).attributes(kx::damaged);
    auto paths = [&t](const kx::EntryFilter& f) {
        std::string names;
        const std::string csv = csvOf(t.root(), f).substr(kHeader.size());
        for (std::size_t at = 0; at < csv.size(); at = csv.find("\r\n", at) + 2)
            names += csv.substr(at, csv.find(',', at) - at) + ";";
        return names;
    };
    kx::EntryFilter f;
    EXPECT_EQ(paths(f), "Sub;Sub\\keep.txt;Sub\\other.txt;top.txt;");
    f.mark = 1;
    EXPECT_EQ(paths(f), "Sub;Sub\\keep.txt;");
    f = {};
    f.mask = "KEEP";
    EXPECT_EQ(paths(f), "Sub\\keep.txt;");
    f.inComments = true;
    EXPECT_EQ(paths(f), "Sub\\keep.txt;Sub\\other.txt;");
    f = {};
    f.minSize = 100;
    EXPECT_EQ(paths(f), "Sub\\other.txt;top.txt;");
    f.damagedOnly = true;
    EXPECT_EQ(paths(f), "top.txt;");
}

TEST(CsvLines, ReportsEachEntryAndStopsWhenTold) {
    TreeBuilder t;
    t.file(t.root(), "a.txt");
    t.file(t.folder(t.root(), "Sub"), "x.txt");
    kxtest::ProgressLog log;
    kx::EntryFilter nothing;
    nothing.mark = 9; // no row passes, every Entry is still reported
    kx::StringSink all;
    EXPECT_TRUE(kx::out::writeCsvLines(t.root(), nothing, all, log.callback()));
    EXPECT_EQ(log.done, (std::vector<std::uint64_t>{1, 2, 3}));
    EXPECT_EQ(log.total, 3u);

    kxtest::ProgressLog stop{{}, 0, 2}; // told before Sub
    kx::StringSink part;
    EXPECT_FALSE(kx::out::writeCsvLines(t.root(), {}, part, stop.callback()));
    EXPECT_EQ(part.data(), kHeader + "a.txt,F,0,2003-02-01 04:05:06,2009-08-07 10:11:12,,0,\r\n");
}

// The file is written with the text export's refusals: the same code decides for both.
TEST(CsvFile, WritesTheLinesAndRefusesTheListItself) {
    TreeBuilder t;
    t.file(t.root(), "a,b.txt", 3);
    QTemporaryDir dir;
    const QString out = dir.filePath("out.csv");
    EXPECT_TRUE(kx::out::exportCsvToFile(t.root(), {}, out, {}));
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toStdString(), csvOf(t.root()));
    f.close();

    const QString link = dir.filePath("link.csv");
    ASSERT_TRUE(QFile::link(out, link));
    EXPECT_EQ(kxtest::errorOf([&] { kx::out::exportCsvToFile(t.root(), {}, link, {}, out); }),
              ErrorCode::exportOverList);
    EXPECT_EQ(kxtest::errorOf([&] { kx::out::exportCsvToFile(t.root(), {}, dir.path(), {}); }),
              ErrorCode::exportNotRegularFile);
}
