// Date texts packed as numbers and back, byte for byte.
#include "query/storeddate.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

TEST(StoredDate, PackedOnlyInTheExactShape) {
    const struct {
        const char* text;
        std::optional<std::int64_t> packed;
    } cases[] = {
        {"12.03.2024 09:15:42", 20240312091542},
        {"00.00.0000 00:00:00", 0},
        {"99.99.9999 99:99:99", 99999999999999}, // no check of the ranges: kept, not judged
        {"1.2.2003 4:05:06", std::nullopt},
        {"12.03.2024 09:15", std::nullopt},
        {" 12.03.2024 09:15:42", std::nullopt},
        {"12.03.2024 09:15:42 ", std::nullopt},
        {"12-03-2024 09:15:42", std::nullopt},
        {"12.03.2024 09:15:4x", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(packedDate(c.text), c.packed) << c.text;
        if (c.packed) {
            EXPECT_EQ(packedDateText(*c.packed), c.text);
        }
    }
}

// A date in the shape a scan writes has one number whether it is packed or ordered.
TEST(StoredDate, PackedAndOrderedValuesAgree) {
    for (const char* text : {"12.03.2024 09:15:42", "01.01.1980 00:00:00", "31.12.2107 23:59:59"})
        EXPECT_EQ(std::optional<std::uint64_t>(std::uint64_t(*packedDate(text))), dateValue(text))
            << text;
}

// Dates go out as ISO 8601, whatever form of the list's date they are in; other texts as they are.
TEST(StoredDate, IsoTextsForReadersOutside) {
    const struct {
        const char* text;
        const char* iso;
    } cases[] = {
        {"10.12.2026 20:52:30", "2026-12-10 20:52:30"},
        {"5.6.2023 9:00:00", "2023-06-05 09:00:00"},
        {" 01.02.2024 04:05 ", "2024-02-01 04:05:00"},
        {"31.12.1999", "1999-12-31"},
        {"", ""},
        {"yesterday", "yesterday"},
        {"32.01.2024 00:00:00", "32.01.2024 00:00:00"},
        {"2024-02-01 04:05:06", "2024-02-01 04:05:06"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isoDateText(c.text), c.iso) << c.text;
}

} // namespace
} // namespace kx
