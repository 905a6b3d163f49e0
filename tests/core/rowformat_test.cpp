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

TEST(RowFormat, DiskAndBasePaths) {
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
    EXPECT_EQ(basePath("C:\\"), "C:\\");
    EXPECT_EQ(basePath("C:\\Work"), "C:\\Work\\");
    EXPECT_EQ(basePath(""), "");
}

TEST(RowFormat, ResolveFolderPath) {
    EntryTree tree;
    auto add = [&tree](Entry* parent, const char* name, char kind) {
        Entry* e = tree.newEntry();
        std::memcpy(e->record + rec::name, name, std::strlen(name));
        e->record[rec::kind] = static_cast<std::uint8_t>(kind);
        if (parent) {
            e->parent = parent;
            parent->children.push_back(e);
        }
        return e;
    };
    Entry* root = add(nullptr, "C:\\", kFolder);
    Entry* docs = add(root, "Docs", kFolder);
    Entry* deep = add(docs, "Deep", kFolder);
    Entry* docs2 = add(root, "Docs", kFolder); // a later namesake is never reached

    struct Case {
        const char* path;
        Entry* expected;
    } cases[] = {
        {"C:\\*", root},
        {"anything*", root}, // the first part is not compared
        {"C:\\*Docs*", docs},
        {"C:\\*Docs*Deep*", deep},
        {"C:\\*docs*", nullptr}, // case matters
        {"C:\\*Docs*Missing*", nullptr},
        {"C:\\*Deep*", nullptr},
    };
    for (const auto& c : cases)
        EXPECT_EQ(resolveFolderPath(root, c.path), c.expected) << c.path;
    EXPECT_NE(docs2, docs);
    EXPECT_EQ(resolveFolderPath(nullptr, "C:\\*"), nullptr);
}

} // namespace
} // namespace kx
