// Row cells of the detail list.
#include "query/rowformat.h"

#include "values_helpers.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kx {
namespace {

TEST(RowFormat, SizeCells) {
    struct Case {
        std::uint64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0"},
        {1, "1"},
        {512, "1"},
        {513, "1"},
        {1536, "2"},
        {2560, "2"},
        {3584, "4"},
        {1048576, "1024"},
        {1023ull << 40, "1098437885952"},
        {(1ull << 63) + 3583, "9007199254740995"}, // 2^53 + 3.499...: exact, never via a double
        {UINT64_MAX, "18014398509481984"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sizeCell(c.bytes), c.text) << c.bytes;
    // Only the size cell shows "0"; the kilobyte rule itself never gives less than 1.
    EXPECT_EQ(formatSizeKb(0), "1");
}

ExtendedFloat decoded(const std::string& tenBytes) {
    return decodeExtended(reinterpret_cast<const std::uint8_t*>(tenBytes.data()));
}

// A stored size of (negative ? -1 : 1) * whole * 2^power, read back as the list reader reads it.
ExtendedFloat stored(bool negative, std::uint64_t whole, int power) {
    return decoded(kxtest::extendedBytes(negative, whole, power));
}

ExtendedFloat storedBits(std::uint64_t significand, unsigned signExp) {
    return decoded(kxtest::extendedBits(significand, signExp));
}

TEST(RowFormat, SizeCellsOfFractionsNegativesAndHugeValues) {
    const std::uint64_t top = std::uint64_t(1) << 63;
    struct Case {
        const char* what;
        ExtendedFloat size;
        const char* text;
        const char* bytes; // the CSV's size in bytes: the same arithmetic without the division
    } cases[] = {
        {"1536.5", stored(false, 3073, -1), "2", "1536"},
        {"2560.5: just above a half", stored(false, 5121, -1), "3", "2560"},
        {"2559.75", stored(false, 10239, -2), "2", "2560"},
        {"1535.5: just below a half", stored(false, 3071, -1), "1", "1536"},
        {"0.5", stored(false, 1, -1), "1", "1"},
        {"smallest denormal", storedBits(1, 0), "1", "1"},
        {"-0", stored(true, 0, 0), "0", "0"},
        {"-2048", stored(true, 2048, 0), "-2", "-2048"},
        {"-1536", stored(true, 1536, 0), "-2", "-1536"},
        {"-2560", stored(true, 2560, 0), "-2", "-2560"},
        {"-3584", stored(true, 3584, 0), "-4", "-3584"},
        {"-100", stored(true, 100, 0), "-1", "-100"},
        {"-2560.5", stored(true, 5121, -1), "-3", "-2560"},
        {"2^70", stored(false, 1, 70), "1152921504606846976", "1180591620717411303424"},
        {"2^100", stored(false, 1, 100), "1237940039285380274899124224",
         "1267650600228229401496703205376"},
        {"+infinity", storedBits(top, 0x7FFF), "----", ""},
        {"-infinity", storedBits(top, 0xFFFF), "----", ""},
        {"NaN", storedBits(top | 1, 0x7FFF), "----", ""},
        {"NaN without the integer bit", storedBits(1, 0x7FFF), "----", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sizeCell(c.size), c.text) << c.what;
        EXPECT_EQ(sizeBytes(c.size), c.bytes) << c.what;
    }
    // The largest finite value, all 4930 digits of it.
    const std::string largest = sizeCell(storedBits(~std::uint64_t(0), 0x7FFE));
    EXPECT_EQ(largest.size(), 4930u);
    EXPECT_EQ(largest.substr(0, 20), "11618471634347966455");
    EXPECT_EQ(largest.substr(largest.size() - 20), "84003468834777333760");
    // Whole values read from their bytes give what the byte count gives.
    for (std::uint64_t bytes : {std::uint64_t(0), std::uint64_t(513), std::uint64_t(2560),
                                std::uint64_t(1) << 53 | 1, UINT64_MAX}) {
        EXPECT_EQ(sizeCell(stored(false, bytes, 0)), sizeCell(bytes)) << bytes;
        EXPECT_EQ(sizeBytes(stored(false, bytes, 0)), std::to_string(bytes));
    }
}

TEST(RowFormat, AttributeLettersAndDashes) {
    struct Case {
        std::uint8_t bits;
        const char* text;
    } cases[] = {{0x11, "RA"}, {0x80, "E"}, {0xFF, "RHSVATCE"}, {0, "----"}, {0x24, "ST"}};
    for (const auto& c : cases) {
        EXPECT_EQ(attributeLetters(c.bits), c.text) << int(c.bits);
        EXPECT_EQ(attributeFlags(c.bits), c.bits ? c.text : "") << int(c.bits);
    }
    EXPECT_EQ(textOrDashes(""), "----");
    EXPECT_EQ(textOrDashes("01.02.2003 04:05"), "01.02.2003 04:05");
}

} // namespace
} // namespace kx
