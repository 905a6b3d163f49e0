// Upper-casing by the list's code page.
#include "query/upcase.h"

#include "listfile/codepage.h"

#include "values_helpers.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

// Every byte upper-cases as its character does, where the code page holds the capital; the
// rest stay as they are.
TEST(UpCase, EveryByteAsItsCharacter) {
    for (int c = 0; c < 256; ++c) {
        const char byte = char(c);
        const QString capital = fromAnsi(std::string_view(&byte, 1)).toUpper();
        bool ok = false;
        const std::string back = toAnsi(capital, &ok);
        const unsigned char expected = ok && back.size() == 1 ? static_cast<unsigned char>(back[0])
                                                              : static_cast<unsigned char>(c);
        EXPECT_EQ(ansiUpper(static_cast<unsigned char>(c)), expected) << c;
        EXPECT_EQ(ansiUpperTable()[c], expected) << c;
    }
}

TEST(UpCase, Texts) {
    EXPECT_EQ(upperCased(kxtest::ansi("Ёлка, ўлей, gift.TXT")),
              kxtest::ansi("ЁЛКА, ЎЛЕЙ, GIFT.TXT"));
    EXPECT_EQ(upperCased(""), "");
}

} // namespace
} // namespace kx
