// The inner list: reading, writing, the folder-tree nodes, progress and abort, hostile counts.
#include "common/fixtures.h"
#include "listfile/innerlist.h"
#include "listfile/listfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace kxtest;

namespace {

std::unique_ptr<kx::EntryTree> readBytes(const std::string& bytes) {
    kx::MemorySource src(bytes.data(), bytes.size());
    return kx::readInnerList(src);
}

std::string writeBytes(const kx::EntryTree& t, const kx::Progress& p = {}) {
    kx::StringSink sink;
    kx::writeInnerList(t, sink, p);
    return sink.data();
}

std::vector<std::string> names(kx::ChildList list) {
    std::vector<std::string> out;
    for (auto* e : list)
        out.emplace_back(e->name());
    return out;
}

} // namespace

TEST(InnerList, RoundTripIsByteExactExceptTheListedDifferences) {
    // Made byte by byte: a header with bytes after its NUL, a root whose name is a path, trailing
    // bytes after the root's subtree, and a folder whose children are file, file, folder.
    std::string h = header("header text");
    h[200] = 'x'; // after the first NUL: not carried through
    std::string bytes = h;
    bytes += record("C:\\Scan", 'D', 1);
    bytes += record("f1.txt", 'F', -1, 0x21, 1536, "a comment", 1, 1);
    bytes += record("Sub", 'D', 2, 0, 0, {}, 2);
    bytes += record("a", 'F', -1);
    bytes += record("b", 'F', -1);
    bytes += record("C", 'D', -1);
    bytes[256 + 600 + 570] = char(0xAB); // reserved bytes are carried unchanged
    bytes[256 + 600 + 100] = 'z';        // so are name bytes after the NUL
    const std::string withTrailer = bytes + "TRAILING";

    auto t = readBytes(withTrailer);
    EXPECT_EQ(t->headerText, "header text");
    ASSERT_EQ(t->entryCount(), 6u);
    std::string expected = bytes;
    std::memset(&expected[200], 0, 1);   // header after NUL
    std::memset(&expected[256], 0, 256); // the root's path-like name
    std::vector<std::uint32_t> cleared;
    const auto writeReporting = [&] {
        kx::StringSink sink;
        kx::writeInnerList(*t, sink, {}, kx::PathNames::clear, &cleared);
        return sink.data();
    };
    EXPECT_EQ(writeReporting(), expected); // trailer dropped
    EXPECT_EQ(cleared, std::vector<std::uint32_t>{0});
    EXPECT_EQ(t->root()->name(), "C:\\Scan"); // the write only reads the tree
    // The owner clears what the write reported; the tree then writes the same bytes.
    t->root()->clearName();
    cleared.clear();
    EXPECT_EQ(writeReporting(), expected);
    EXPECT_TRUE(cleared.empty());

    // Showing Sub regroups its children in the tree itself; the next save reflects it.
    kx::Entry* sub = t->root()->children()[1];
    kx::foldersFirst(sub->children());
    EXPECT_EQ(names(sub->children()), (std::vector<std::string>{"C", "b", "a"}));
    const std::string saved = writeBytes(*t);
    EXPECT_EQ(saved.substr(256 + 3 * 600, 1), "C");
    EXPECT_EQ(saved.substr(256 + 5 * 600, 1), "a");
}

TEST(InnerList, LastChildDecidesTheShape) {
    struct Case {
        std::vector<std::string> records;
        std::size_t rootChildren;
        std::size_t entries;
    };
    const std::vector<Case> cases = {
        {{record("r", 'D', -1)}, 0, 1},
        {{record("r", 'D', -7)}, 0, 1}, // below -1: no children either
        {{record("r", 'D', 0), record("a", 'D', -1)}, 1, 2},
        {{record("r", 'D', 2), record("a", 'F', -1), record("b", 'D', 0), record("c", 'F', -1),
          record("d", 'F', -1)},
         3,
         5},
    };
    for (const auto& c : cases) {
        std::string bytes = header("h");
        for (const auto& r : c.records)
            bytes += r;
        auto t = readBytes(bytes);
        EXPECT_EQ(t->root()->children().size(), c.rootChildren);
        EXPECT_EQ(t->entryCount(), c.entries);
        for (auto* child : t->root()->children())
            EXPECT_EQ(child->parent(), t->root());
    }
}

TEST(InnerList, BrokenInputIsAReadError) {
    const std::string root2 = header("h") + record("r", 'D', 1) + record("a", 'F', -1);
    std::string huge = header("h") + record("r", 'D', 0x7FFFFFFE);
    struct Case {
        const char* what;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"empty", ""},
        {"short header", std::string(255, 'h')},
        {"header and part of a record", header("h") + std::string(44, 'r')},
        {"promises more records than it holds", root2},
        {"lastChild near 2^31", huge},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            readBytes(c.bytes);
            ADD_FAILURE() << "read";
        } catch (const kx::Error& e) {
            EXPECT_EQ(e.code(), kx::ErrorCode::brokenList) << e.what();
        }
    }
}

TEST(InnerList, DeepNestingNeedsNoRecursion) {
    // The deepest list that can be read: empty names, each level adds one "\\" to the path.
    const auto chain = [](int depth) {
        std::string bytes = header("deep");
        bytes.reserve(256 + std::size_t(depth + 1) * 600);
        bytes += record("r", 'D', 0);
        const std::string folderRec = record("", 'D', 0);
        for (int i = 0; i < depth - 1; ++i)
            bytes += folderRec;
        return bytes + record("", 'F', -1);
    };
    const std::string deepest = chain(int(kx::kMaxPathLength) + 1);
    auto t = readBytes(deepest);
    EXPECT_EQ(kx::countBelow(t->root()), kx::kMaxPathLength + 1);
    EXPECT_EQ(writeBytes(*t), deepest);
    kx::freeEntry(t);
    EXPECT_EQ(t, nullptr);
    // A million levels are refused as the reader reaches the limit.
    try {
        readBytes(chain(1000000));
        ADD_FAILURE() << "read";
    } catch (const kx::Error& e) {
        EXPECT_EQ(e.code(), kx::ErrorCode::pathTooLong) << e.what();
    }
}

TEST(InnerList, PathsBelowTheRootLongerThanAnyDiskAreRefused) {
    // `levels` nested folders of names of `length` characters under the root, the last one's name
    // `lastExtra` characters longer, then a sibling of the chain's top at the root.
    struct Case {
        int levels;
        std::size_t length, lastExtra;
        bool read;
    };
    const Case cases[] = {
        {16384, 1, 0, true},                     // 16384 names and 16383 "\": 32767 exactly
        {16384, 1, 1, false},                    // 32768
        {128, 255, 0, true},                     // 128 * 255 + 127 = 32767
        {129, 255, 0, false}, {1, 255, 0, true}, // names alone never reach it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.levels) + " levels of " + std::to_string(c.length));
        TreeBuilder b{"C:\\a root name that does not count\\"};
        kx::Entry* at = b.root();
        for (int i = 0; i < c.levels; ++i)
            at = b.folder(at, std::string(c.length + (i + 1 == c.levels ? c.lastExtra : 0),
                                          char('a' + i % 26)));
        b.file(b.root(), "after the chain");
        b.file(b.folder(b.root(), "sibling"), "file");
        try {
            const auto t = readBack(b.tree());
            EXPECT_TRUE(c.read);
            EXPECT_EQ(t->entryCount(), b.tree().entryCount());
        } catch (const kx::Error& e) {
            EXPECT_FALSE(c.read) << e.what();
            EXPECT_EQ(e.code(), kx::ErrorCode::pathTooLong);
        }
    }
}

TEST(InnerList, ProgressStepsOncePerRecordAndAbortStopsTheWrite) {
    TreeBuilder b{"r"};
    b.file(b.root(), "a");
    kx::Entry* folderB = b.folder(b.root(), "B");
    for (const char* name : {"x", "y", "z"})
        b.file(folderB, name);
    auto t = b.take();
    EXPECT_EQ(kx::countBelow(t->root()), 5u);
    // The progress hears each record: the records written of the records in all.
    ProgressLog all;
    EXPECT_EQ(writeBytes(*t, all.callback()).size(), 256u + 6 * 600);
    EXPECT_EQ(all.done, (std::vector<std::uint64_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(all.total, 6u);

    // Told to stop at the third record: nothing after it is written.
    ProgressLog three{{}, 0, 3};
    kx::StringSink sink;
    EXPECT_FALSE(kx::writeInnerList(*t, sink, three.callback()));
    EXPECT_EQ(sink.data().size(), 256u + 3 * 600);
}

TEST(InnerList, ExtendedSizeConvertsExactly) {
    auto ext = [](std::uint64_t significand, unsigned signExp) {
        std::uint8_t b[10];
        for (int i = 0; i < 8; ++i)
            b[i] = std::uint8_t(significand >> (8 * i));
        b[8] = std::uint8_t(signExp);
        b[9] = std::uint8_t(signExp >> 8);
        return kx::extendedToUint64(b);
    };
    const std::uint64_t top = std::uint64_t(1) << 63;
    EXPECT_EQ(ext(0, 0), 0u);                                      // zero
    EXPECT_EQ(ext(top, 16383), 1u);                                // 1.0
    EXPECT_EQ(ext(top | (top >> 1), 16383), 1u);                   // 1.5 truncates
    EXPECT_EQ(ext(top, 16383 + 10), 1024u);                        // 1024
    EXPECT_EQ(ext(0x123, 0), 0u);                                  // denormal
    EXPECT_EQ(ext(top, 0x8000 | 16383), 0u);                       // -1
    EXPECT_EQ(ext(top, 0x7FFF), UINT64_MAX);                       // +infinity
    EXPECT_EQ(ext(top, 0xFFFF), 0u);                               // -infinity
    EXPECT_EQ(ext(top | 1, 0x7FFF), 0u);                           // NaN
    EXPECT_EQ(ext(~std::uint64_t(0), 16383 + 63), UINT64_MAX - 0); // 2^64 - 1 exactly
    EXPECT_EQ(ext(top, 16383 + 64), UINT64_MAX);                   // 2^64 saturates
    EXPECT_EQ(ext(top, 16383 + 200), UINT64_MAX);                  // far beyond, no wild shift
    for (std::uint64_t v :
         {std::uint64_t(1), std::uint64_t(3), std::uint64_t(1) << 53 | 1, UINT64_MAX - 1}) {
        std::uint8_t b[10];
        kx::uint64ToExtended(v, b);
        EXPECT_EQ(kx::extendedToUint64(b), v);
    }
}

TEST(InnerList, CommentKeepsTwoTerminatingZeros) {
    TreeBuilder b{"r"};
    kx::Entry* a = b.file(b.root(), "a");
    a->setComment(std::string(300, 'c'));
    EXPECT_EQ(a->comment().size(), 254u);
    std::uint8_t r[kx::kRecordSize];
    a->copyRecord(r);
    EXPECT_EQ(r[kx::rec::comment + 254], 0);
    EXPECT_EQ(r[kx::rec::comment + 255], 0);
    a->setComment("short");
    EXPECT_EQ(a->comment(), "short");
    a->copyRecord(r);
    EXPECT_EQ(r[kx::rec::comment + 6], 0); // old bytes zeroed
}

TEST(InnerList, FoldersFirstExchangesEachFileWithTheNextFolder) {
    struct Case {
        std::string kinds, expected;
    };
    // Names are kind + index, so the result shows both order and stability.
    const std::vector<Case> cases = {
        {"FFFDD", "D3 D4 F2 F0 F1"},
        {"FFD", "D2 F1 F0"},
        {"DDFF", "D0 D1 F2 F3"},
        {"", ""},
        {"F", "F0"},
    };
    for (const auto& c : cases) {
        TreeBuilder b;
        std::vector<kx::Entry*> list;
        for (std::size_t i = 0; i < c.kinds.size(); ++i)
            list.push_back(b.add(b.root(), c.kinds[i] + std::to_string(i), c.kinds[i]));
        kx::foldersFirst(list);
        std::string got;
        for (auto* e : list)
            got += (got.empty() ? "" : " ") + std::string(e->name());
        EXPECT_EQ(got, c.expected) << c.kinds;
    }
}

TEST(InnerList, ASaveClearsEveryNameThatHoldsABackslash) {
    // Well-formed lists have one such name, the root's path; a hostile one may have more, and
    // each comes back as 256 NUL bytes while every other byte of its record is kept.
    std::string bytes =
        header("h") + record("C:\\root", 'D', 0) + record("odd\\name", 'F', -1, 0x10, 7);
    auto t = readBytes(bytes);
    const std::string written = writeBytes(*t);
    std::string expected = bytes;
    std::memset(&expected[256], 0, 256);
    std::memset(&expected[256 + 600], 0, 256);
    EXPECT_EQ(written, expected);
}
