// Folding the comment editor's line breaks.
#include "browser/commentfold.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

TEST(CommentFold, Cases) {
    const QString x254(254, u'x');
    struct Case {
        QString in, out;
    } cases[] = {
        {"one line", "one line"},
        {"two\r\nlines", "two lines"},
        {"two\nlines", "two lines"},        // what Qt editors deliver
        {"space \r\nafter", "space after"}, // no second space
        {"ends\r\n", "ends"},
        {"ends\n", "ends"},
        {"\r\nstarts", " starts"},
        {"a\r\n\r\nb", "a b"}, // empty lines collapse
        {"a\n\n\nb", "a b"},
        {"a\r\nb", "a b"}, // a break before a single character
        {"\r\n", ""},      // one empty line: removes the comment
        {"\n", ""},
        {"ends\n\n", "ends "}, // the first break still has text (the second break) after it
        {"mixed\r\n\nend", "mixed end"},
        {"cr\ronly", "cr only"},
        {QString("para") + QChar(QChar::ParagraphSeparator) + "sep", "para sep"},
        {"", ""},
        {x254, x254},
        {x254.left(120) + "\n" + x254.left(133), x254.left(120) + " " + x254.left(133)},
    };
    for (const auto& c : cases) {
        const QString got = foldLineBreaks(c.in);
        EXPECT_EQ(got, c.out) << c.in.toStdString();
        EXPECT_LE(got.size(), c.in.size());
    }
}

} // namespace
} // namespace kx
