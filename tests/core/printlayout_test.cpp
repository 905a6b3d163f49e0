// Tests of the print lines and of the page layout on a recording surface with fixed-width text.
#include "common/fixtures.h"
#include "common/qstringprint.h"
#include "common/treebuilder.h"
#include "output/printing.h"

#include <gtest/gtest.h>

using kxtest::TreeBuilder;

namespace {

// Every character is 10 units wide and every text 20 high; a page is 300 x 400, so the width
// limit is 100 (ten characters) and a new page follows once y passes 200.
class RecordingSurface : public kx::out::PrintSurface {
public:
    QStringList log;
    bool canBegin = true;

    bool begin() override {
        log << "begin";
        return canBegin;
    }
    void setFontFace(const QString& face) override { log << "font " + face; }
    int textWidth(const QString& s) override { return 10 * static_cast<int>(s.size()); }
    int textHeight(const QString&) override { return 20; }
    void drawText(int x, int y, const QString& s) override {
        log << QString("%1,%2 %3").arg(x).arg(y).arg(s);
    }
    void newPage() override { log << "page"; }
    void end() override { log << "end"; }
    int pageWidth() const override { return 300; }
    int pageHeight() const override { return 400; }
    void abort() override { log << "abort"; }
    bool accepted() const override { return accepts; }
    bool accepts = true;
};

QStringList printed(const QStringList& lines) {
    RecordingSurface s;
    EXPECT_TRUE(kx::out::printLines(lines, s));
    return s.log;
}

} // namespace

TEST(PrintLines, RelativePathsAndDamagedFlag) {
    TreeBuilder t;
    t.file(t.root(), "a").attributes(kx::damaged);
    kx::Entry* sub = t.folder(t.root(), "Sub");
    t.file(t.folder(sub, "Deep"), "x").crossedOut(1); // crossed out: no star in print
    t.folder(sub, "Empty");
    t.file(sub, "\xF4\xE0\xE9\xEB").attributes(kx::damaged); // cp1251 "файл"
    t.file(t.root(), "b");

    EXPECT_EQ(kx::out::collectPrintLines(t.root()->children()),
              QStringList({"*a", "Sub\\Deep\\x", "*Sub\\файл", "b"}));
    EXPECT_EQ(kx::out::collectPrintLines(sub->children()), QStringList({"Deep\\x", "*файл"}));
    EXPECT_TRUE(kx::out::collectPrintLines({}).isEmpty());
}

TEST(PrintLayout, ExactLimitPrintsWholeAndLongerLinesAreCutOnce) {
    EXPECT_EQ(
        printed({"0123456789", "abcdefghijklmno", "a", "b", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "Zz"}),
        QStringList({"begin", "font Times New Roman",
                     "100,100 0123456789",                  // exactly the limit
                     "100,120 abcdefghi", "100,140 jklmno", // 15: head 9, rest 6
                     "100,160 a", "100,180 b",
                     // 26: head 10 and the rest of 16, still wider but not cut again; no
                     // page break between the parts although y passed 200 after the head
                     "100,200 ABCDEFGHIJ", "100,220 KLMNOPQRSTUVWXYZ", "page", "100,100 Zz",
                     "end"}));
}

TEST(PrintLayout, NewPageWhenYPassesTheThresholdButNotAfterTheLastLine) {
    QStringList lines;
    for (int i = 0; i < 12; ++i)
        lines << QString("line %1").arg(i);
    const QStringList log = printed(lines);
    // y after line 5 is 200 (not past), after line 6 it is 220: lines 0-5 on the first page.
    EXPECT_EQ(log.mid(2, 7),
              QStringList({"100,100 line 0", "100,120 line 1", "100,140 line 2", "100,160 line 3",
                           "100,180 line 4", "100,200 line 5", "page"}));
    EXPECT_EQ(log.count("page"), 1);
    EXPECT_EQ(log.last(), "end");
}

TEST(PrintLayout, EmptyJobStillBeginsAndEndsAndAFailedBeginDrawsNothing) {
    EXPECT_EQ(printed({}), QStringList({"begin", "font Times New Roman", "end"}));

    RecordingSurface s;
    s.canBegin = false;
    EXPECT_EQ(kxtest::errorOf([&] { kx::out::printLines({"a"}, s); }), kx::ErrorCode::printRefused);
    EXPECT_EQ(s.log, QStringList({"begin"}));
}

TEST(PrintLayout, PagesAreCountedByTheSameLayoutWithoutAJob) {
    const QString wide(26, 'w'); // two printed lines
    const struct {
        int lines, wideEvery, pages;
    } cases[] = {
        {0, 0, 0}, {1, 0, 1}, {6, 0, 1}, {7, 0, 2}, {12, 0, 2}, {13, 0, 3}, {6, 3, 2}, {300, 7, 58},
    };
    for (const auto& c : cases) {
        QStringList lines;
        for (int i = 0; i < c.lines; ++i)
            lines << (c.wideEvery && i % c.wideEvery == 0 ? wide : QString("line %1").arg(i));
        RecordingSurface measures;
        EXPECT_EQ(kx::out::countPages(lines, measures), c.pages) << c.lines;
        EXPECT_EQ(measures.log.filter("font").size(), measures.log.size()); // no job, no drawing
        if (c.lines > 0) {
            EXPECT_EQ(printed(lines).count("page") + 1, c.pages) << c.lines;
        }
    }
}

TEST(PrintLayout, ProgressHearsEachLineAStopCancelsTheJobAndARefusalIsReported) {
    const QStringList lines = {"a", "b", "c", "d", "e", "f", "g", "h"};
    RecordingSurface s;
    kxtest::ProgressLog log;
    EXPECT_TRUE(kx::out::printLines(lines, s, log.callback()));
    EXPECT_EQ(log.done.size(), 8u);
    EXPECT_EQ(log.done.back(), 8u);
    EXPECT_EQ(log.total, 8u);

    RecordingSurface cancelled;
    kxtest::ProgressLog stop{{}, 0, 7};
    EXPECT_FALSE(kx::out::printLines(lines, cancelled, stop.callback()));
    EXPECT_EQ(cancelled.log.mid(cancelled.log.size() - 3),
              QStringList({"page", "100,100 g", "abort"}));
    EXPECT_EQ(cancelled.log.count("end"), 0);

    RecordingSurface refusing;
    refusing.accepts = false;
    EXPECT_EQ(kxtest::errorOf([&] { kx::out::printLines(lines, refusing); }),
              kx::ErrorCode::printRefused);
    EXPECT_EQ(refusing.log.last(), "end");
}
