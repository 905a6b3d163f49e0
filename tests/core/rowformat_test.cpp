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
        {UINT64_MAX, "18014398509481984"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sizeCell(c.bytes), c.text) << c.bytes;
    // Only the size cell shows "0"; the kilobyte rule itself never gives less than 1.
    EXPECT_EQ(formatSizeKb(0), "1");
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
