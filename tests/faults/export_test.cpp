// Exports that meet a failing disk: writes cut off at byte N and a full tmpfs, each reported as a
// write failure, never as a finished export; and a device that is always full, refused.
#include "common/fixtures.h"
#include "faults_helpers.h"

#include "listfile/listfile.h"
#include "listfile/scan.h"
#include "output/textexport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace kxfault;
using kx::ErrorCode;
using kxtest::errorOf;

namespace {

class ExportFaults : public ::testing::Test {
protected:
    void SetUp() override {
        kx::writeNewListFile(*generatedTree(3000), list);
        // The tree as kxtool sees it after its open, so that both exports are the same bytes.
        kx::ListContainer container;
        tree = kx::openListFile(container, list);
        kx::regroupRootFolder(*tree);
        ASSERT_EQ(exportIn(reference, -1).exitCode, 0);
        expected = kxtest::readFile(reference);
        ASSERT_GT(expected.size(), 100u * 1024); // more than the export's buffer
    }

    // exportToFile in a child whose files may not grow beyond `limit` bytes: exit code 0 when
    // the export was written in full, else the error that ended it.
    ChildResult exportIn(const std::string& out, long long limit) {
        ChildSetup setup;
        setup.fileSizeLimit = limit;
        const kx::Entry* from = tree->root();
        return runInChild(
            [&](std::string&) {
                return kx::out::exportToFile(from, QString::fromStdString(out), {}) ? 0 : 2;
            },
            setup);
    }
    static std::optional<ErrorCode> exportTo(const kx::Entry* root, const std::string& out) {
        return errorOf([&] { kx::out::exportToFile(root, QString::fromStdString(out), {}); });
    }

    ScratchDir dir;
    std::string list = dir / "disk.kx";
    std::string reference = dir / "reference.txt";
    std::unique_ptr<kx::EntryTree> tree;
    std::string expected;
};

// A device, always full, is not a file to export into: it is refused before anything is written
// (a full disk is the tmpfs below).
TEST_F(ExportFaults, DeviceIsRefused) {
    kxtest::TreeBuilder tiny{"C:\\"};
    tiny.file(tiny.root(), "a.txt");
    EXPECT_EQ(exportTo(tiny.root(), "/dev/full"), ErrorCode::exportNotRegularFile);
    EXPECT_EQ(exportTo(tree->root(), "/dev/full"), ErrorCode::exportNotRegularFile);

    const ChildResult r = runTool({"export", list, "/dev/full"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(isOneSentence(r.message)) << r.message;
    EXPECT_EQ(r.message.rfind("kxtool: ", 0), 0u) << r.message;
}

// A write that fails with EFBIG at byte N. N at the export's size is the control: it finishes.
TEST_F(ExportFaults, WriteCutOffAtByteNIsAWriteFailure) {
    const long long size = static_cast<long long>(expected.size());
    struct Case {
        const char* where;
        long long n;
        bool tool;
    };
    const Case cases[] = {
        {"first byte", 0, false},
        {"inside the first buffer", 1000, false},
        {"at the end of a buffer", 64 * 1024, false},
        {"last byte", size - 1, false},
        {"whole", size, false},
        {"kxtool, first byte", 0, true},
        {"kxtool, last byte", size - 1, true},
        {"kxtool, whole", size, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        const std::string out = dir / "out.txt";
        std::remove(out.c_str());
        const bool whole = c.n == size;
        if (c.tool) {
            ChildSetup setup;
            setup.fileSizeLimit = c.n;
            const ChildResult r = runTool({"export", list, out}, setup);
            EXPECT_EQ(r.exitCode, whole ? 0 : 1) << r.message;
            if (!whole) {
                EXPECT_TRUE(isOneSentence(r.message)) << r.message;
            }
        } else {
            const ChildResult r = exportIn(out, c.n);
            EXPECT_EQ(r.exitCode, whole ? 0 : 1) << r.message;
            EXPECT_EQ(r.error, whole ? std::nullopt : std::optional(ErrorCode::exportWriteFailed));
        }
        if (whole) {
            EXPECT_TRUE(kxtest::readFile(out) == expected);
        }
    }
}

TEST_F(ExportFaults, FullTmpfsIsAWriteFailure) {
    const std::string small = dir / "small";
    ::mkdir(small.c_str(), 0755);
    TmpfsMount mount(small, 64 * 1024);
    if (!mount.ok()) GTEST_SKIP() << mount.reason();
    EXPECT_EQ(exportTo(tree->root(), small + "/out.txt"), ErrorCode::exportWriteFailed);
    // The failed export filled the device: a tiny one, held in the buffer to its end, fails at
    // its last flush.
    kxtest::TreeBuilder tiny{"C:\\"};
    tiny.file(tiny.root(), "a.txt");
    EXPECT_EQ(exportTo(tiny.root(), small + "/tiny.txt"), ErrorCode::exportWriteFailed);
    const ChildResult r = runTool({"export", list, small + "/tool.txt"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(isOneSentence(r.message)) << r.message;
}

} // namespace
