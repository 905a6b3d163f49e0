// The keys of a sorted detail list: dates and sizes by value.
#include "query/rowsort.h"

#include <gtest/gtest.h>

#include <vector>

namespace kx {
namespace {

TEST(RowSort, DatesReadAsValues) {
    const struct {
        const char* text;
        std::optional<std::uint64_t> value;
    } cases[] = {
        {"12.03.2024 09:15:42", 20240312091542u},
        {"1.2.2003 4:05:06", 20030201040506u},
        {"12.03.2024 09:15", 20240312091500u},
        {"  12.03.2024  ", 20240312000000u},
        {"31.12.1999 23:59:59", 19991231235959u},
        {"", std::nullopt},
        {"----", std::nullopt},
        {"32.01.2024", std::nullopt},
        {"12.13.2024", std::nullopt},
        {"00.03.2024", std::nullopt},
        {"12.03.24", std::nullopt},
        {"12/03/2024", std::nullopt},
        {"12.03.2024 24:00:00", std::nullopt},
        {"12.03.2024 09:60", std::nullopt},
        {"12.03.2024 09:15:42x", std::nullopt},
        {"12.03.2024x", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dateValue(c.text), c.value) << c.text;
}

TEST(RowSort, SizesCompareByValueWithNaNFirst) {
    using K = ExtendedFloat::Kind;
    const auto v = [](std::uint64_t significand, int exponent, bool negative = false,
                      K kind = K::Finite) {
        ExtendedFloat f;
        f.kind = kind;
        f.negative = negative;
        f.significand = significand;
        f.exponent = exponent;
        return f;
    };
    // Ascending; each group holds equal values.
    const std::vector<std::vector<ExtendedFloat>> ascending = {
        {v(0, 0, false, K::NaN), v(3, 0, true, K::NaN)},
        {v(1ull << 63, 0, true, K::Infinity)},
        {v(5, 0, true)},
        {v(1, -1, true)},
        {v(0, 0), v(0, 0, true)},
        {v(1, -1), v(1ull << 62, -63)},
        {v(1, 0), v(1ull << 63, -63)},
        {v(1536, 0), v(3, 9)},
        {v(1, 64)},
        {v(1ull << 63, 0, false, K::Infinity)},
    };
    for (std::size_t i = 0; i < ascending.size(); ++i)
        for (std::size_t j = 0; j < ascending.size(); ++j)
            for (const ExtendedFloat& a : ascending[i])
                for (const ExtendedFloat& b : ascending[j])
                    EXPECT_EQ(compareSizes(a, b), i < j ? -1 : i > j ? 1 : 0) << i << " " << j;
}

} // namespace
} // namespace kx
