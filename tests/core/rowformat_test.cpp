// Row cells of the detail list and folder-path resolution.
#include "browser/rowformat.h"

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

// A stored size of (negative ? -1 : 1) * whole * 2^power as its ten bytes, read back as the
// list reader reads them.
ExtendedFloat stored(bool negative, std::uint64_t whole, int power) {
    std::uint8_t b[10];
    uint64ToExtended(whole, b);
    if (whole != 0) {
        const unsigned biased = unsigned((b[8] | b[9] << 8) + power);
        b[8] = std::uint8_t(biased);
        b[9] = std::uint8_t(biased >> 8);
    }
    if (negative) b[9] |= 0x80;
    return decodeExtended(b);
}

ExtendedFloat storedBits(std::uint64_t significand, unsigned signExp) {
    std::uint8_t b[10];
    for (int i = 0; i < 8; ++i)
        b[i] = std::uint8_t(significand >> (8 * i));
    b[8] = std::uint8_t(signExp);
    b[9] = std::uint8_t(signExp >> 8);
    return decodeExtended(b);
}

TEST(RowFormat, SizeCellsOfFractionsNegativesAndHugeValues) {
    const std::uint64_t top = std::uint64_t(1) << 63;
    struct Case {
        const char* what;
        ExtendedFloat size;
        const char* text;
    } cases[] = {
        {"1536.5", stored(false, 3073, -1), "2"},
        {"2560.5: just above a half", stored(false, 5121, -1), "3"},
        {"2559.75", stored(false, 10239, -2), "2"},
        {"1535.5: just below a half", stored(false, 3071, -1), "1"},
        {"0.5", stored(false, 1, -1), "1"},
        {"smallest denormal", storedBits(1, 0), "1"},
        {"-0", stored(true, 0, 0), "0"},
        {"-2048", stored(true, 2048, 0), "-2"},
        {"-1536", stored(true, 1536, 0), "-2"},
        {"-2560", stored(true, 2560, 0), "-2"},
        {"-3584", stored(true, 3584, 0), "-4"},
        {"-100", stored(true, 100, 0), "-1"},
        {"-2560.5", stored(true, 5121, -1), "-3"},
        {"2^70", stored(false, 1, 70), "1152921504606846976"},
        {"2^100", stored(false, 1, 100), "1237940039285380274899124224"},
        {"+infinity", storedBits(top, 0x7FFF), "----"},
        {"-infinity", storedBits(top, 0xFFFF), "----"},
        {"NaN", storedBits(top | 1, 0x7FFF), "----"},
        {"NaN without the integer bit", storedBits(1, 0x7FFF), "----"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sizeCell(c.size), c.text) << c.what;
    // The largest finite value, all 4930 digits of it.
    const std::string largest = sizeCell(storedBits(~std::uint64_t(0), 0x7FFE));
    EXPECT_EQ(largest.size(), 4930u);
    EXPECT_EQ(largest.substr(0, 20), "11618471634347966455");
    EXPECT_EQ(largest.substr(largest.size() - 20), "84003468834777333760");
    // Whole values read from their bytes give what the byte count gives.
    for (std::uint64_t bytes : {std::uint64_t(0), std::uint64_t(513), std::uint64_t(2560),
                                std::uint64_t(1) << 53 | 1, UINT64_MAX})
        EXPECT_EQ(sizeCell(stored(false, bytes, 0)), sizeCell(bytes)) << bytes;
}

TEST(RowFormat, AttributeLettersAndDashes) {
    struct Case {
        std::uint8_t bits;
        const char* text;
    } cases[] = {{0x11, "RA"}, {0x80, "E"}, {0xFF, "RHSVATCE"}, {0, "----"}, {0x24, "ST"}};
    for (const auto& c : cases)
        EXPECT_EQ(attributeLetters(c.bits), c.text) << int(c.bits);
    EXPECT_EQ(textOrDashes(""), "----");
    EXPECT_EQ(textOrDashes("01.02.2003 04:05"), "01.02.2003 04:05");
}

TEST(RowFormat, DiskPaths) {
    struct Case {
        const char* folderPath;
        const char* disk;
    } cases[] = {
        {"D:\\*Photos*", "D:\\Photos\\"},
        {"D:\\*", "D:\\"},
        {"D:\\Data*a*b*", "D:\\Data\\a\\b\\"},
        {"*Photos*", "\\Photos\\"},                     // a root name emptied by a save
        {"\\\\srv\\share\\*x*", "\\srv\\share\\\\x\\"}, // only the first "\\" is reduced
    };
    for (const auto& c : cases)
        EXPECT_EQ(diskPath(c.folderPath), c.disk) << c.folderPath;
}

} // namespace
} // namespace kx
