// The window's words for every error code: a row of the message table, in both languages.
#include "browser/gui/errorrows.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using kx::ErrorCode;
using kx::ui::Msg;

TEST(ErrorRows, EveryCodeHasARowInBothLanguages) {
    kx::ui::StringTables t;
    kx::ui::buildStringTables(t);
    std::set<QString> catalogueTexts;
    for (int c = 0; c <= int(ErrorCode::other); ++c) {
        const auto code = ErrorCode(c);
        SCOPED_TRACE(kx::errorCodeText(code));
        const Msg row = kx::messageRowOf(code);
        EXPECT_FALSE(t.messages.text(int(row), "rus").isEmpty());
        EXPECT_FALSE(t.messages.text(int(row), "eng").isEmpty());
        // Only what nobody foresaw is an unexpected error.
        EXPECT_EQ(row == Msg::unexpectedError, code == ErrorCode::other);
        // Each failure of the catalogue says its own thing.
        if (kx::isCatalogueError(code)) {
            EXPECT_TRUE(catalogueTexts.insert(t.messages.text(int(row), "rus")).second);
        }
    }
}

} // namespace
