// Saves that meet a failing disk: writes cut off at a byte, a full tmpfs, a folder that goes away
// and a folder that cannot be written. The old list must stay as it was, nothing stray is left
// and the failure is reported; a list written in place that the full disk cuts short leaves the
// whole new list beside it, named by the failure and by the next open.
#include "common/fixtures.h"
#include "faults_helpers.h"

#include "listfile/listfile.h"
#include "listfile/scan.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kxfault;

namespace {

constexpr std::size_t kEntries = 3000;
constexpr long long kInnerSize = 256 + 600 * static_cast<long long>(kEntries);

// The layout of the archive that a save of the generated list writes.
struct ArchiveLayout {
    long long size = 0, centralDirectory = 0;
};

// A folder with one list file (the generated list) and a folder that stands for "elsewhere":
// the children get it as TMP, so a temporary file that strays there is seen.
class SaveFaults : public ::testing::Test {
protected:
    void SetUp() override {
        ::mkdir(folder.c_str(), 0755);
        ::mkdir(elsewhere.c_str(), 0755);
        auto tree = generatedTree(kEntries);
        kx::writeNewListFile(*tree, list);
        oldBytes = kxtest::readFile(list);
    }

    ChildSetup setup(long long fileSizeLimit = -1) const {
        ChildSetup s;
        s.fileSizeLimit = fileSizeLimit;
        s.environment = {{"TMP", elsewhere}, {"TEMP", elsewhere}, {"TMPDIR", elsewhere}};
        return s;
    }

    // Saves a copy of the list once without faults and reads where its parts lie.
    ArchiveLayout referenceLayout() {
        const std::string refFolder = dir / "ref";
        ::mkdir(refFolder.c_str(), 0755);
        const std::string ref = refFolder + "/disk.kx";
        kxtest::writeFile(ref, oldBytes);
        EXPECT_EQ(saveInChild(ref, nullptr, setup()).exitCode, 0);
        const std::string bytes = kxtest::readFile(ref);
        ArchiveLayout layout;
        layout.size = static_cast<long long>(bytes.size());
        const auto* end = reinterpret_cast<const unsigned char*>(bytes.data() + bytes.size() - 22);
        layout.centralDirectory = end[16] | end[17] << 8 | end[18] << 16 | (long long)end[19] << 24;
        return layout;
    }

    // The old list is there byte for byte and opens; nothing else is in its folder or elsewhere.
    void expectUntouched(const std::string& what) {
        EXPECT_TRUE(kxtest::readFile(list) == oldBytes) << what << ": the old list was changed";
        EXPECT_EQ(openedEntryCount(list), static_cast<long long>(kEntries)) << what;
        EXPECT_EQ(listing(folder), std::vector<std::string>{"disk.kx"}) << what;
        EXPECT_TRUE(listing(elsewhere).empty()) << what;
    }

    ScratchDir dir;
    std::string folder = dir / "lists";
    std::string elsewhere = dir / "elsewhere";
    std::string list = folder + "/disk.kx";
    std::string oldBytes;
};

// A write that fails with EFBIG at byte N of the new archive, the only file a save writes (the
// inner list goes straight into the compressor). The rows at exactly the archive's size show
// that the cut lands where the row says, and that no file larger than the archive is written.
TEST_F(SaveFaults, WriteCutOffAtByteNLeavesTheOldListAndNoStrayFile) {
    const ArchiveLayout a = referenceLayout();
    ASSERT_GT(a.centralDirectory, 100);
    ASSERT_LT(a.size, kInnerSize);
    enum Via { Library, Tool };
    struct Case {
        const char* where;
        Via via;
        long long n;
        bool saves;
    };
    const Case cases[] = {
        {"local header", Library, 10, false},
        {"compressed data", Library, a.centralDirectory / 2, false},
        {"last data byte", Library, a.centralDirectory - 1, false},
        {"central directory", Library, a.centralDirectory + 20, false},
        {"end record", Library, a.size - 1, false},
        {"whole", Library, a.size, true},
        {"kxtool: first byte", Tool, 0, false},
        {"kxtool: compressed data", Tool, a.centralDirectory / 2, false},
        {"kxtool: end record", Tool, a.size - 1, false},
        {"kxtool: whole", Tool, a.size, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        const ChildResult r = c.via == Tool ? runTool({"resave", list}, setup(c.n))
                                            : saveInChild(list, nullptr, setup(), c.n);
        if (c.saves) {
            EXPECT_EQ(r.exitCode, 0) << r.message;
            EXPECT_EQ(openedEntryCount(list), static_cast<long long>(kEntries));
            EXPECT_EQ(listing(folder), std::vector<std::string>{"disk.kx"});
            oldBytes = kxtest::readFile(list);
            continue;
        }
        EXPECT_EQ(r.exitCode, 1) << r.message;
        if (c.via == Tool) {
            EXPECT_TRUE(isOneSentence(r.message)) << r.message;
            EXPECT_EQ(r.message.rfind("kxtool: ", 0), 0u) << r.message;
        } else {
            EXPECT_EQ(r.error, kx::ErrorCode::writeFailed) << r.message; // EFBIG
        }
        expectUntouched(c.where);
    }
}

// A disk that fills up: a tmpfs with room for the old list and a few pages more, and one with
// room for half the new archive.
TEST_F(SaveFaults, FullDiskLeavesTheOldListAndNoStrayFile) {
    const ArchiveLayout a = referenceLayout();
    const std::string small = dir / "small";
    ::mkdir(small.c_str(), 0755);
    auto pages = [](long long bytes) { return (bytes + 4095) / 4096 * 4096; };
    const long long old = pages(static_cast<long long>(oldBytes.size()));
    struct Case {
        const char* where;
        bool tool;
        long long size;
    };
    const Case cases[] = {
        {"a few pages", false, old + 2 * 4096},
        {"a few pages, kxtool", true, old + 2 * 4096},
        {"half the archive", false, old + pages(a.size / 2)},
        {"half the archive, kxtool", true, old + pages(a.size / 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        TmpfsMount mount(small, std::size_t(c.size));
        if (!mount.ok()) GTEST_SKIP() << mount.reason();
        const std::string smallList = small + "/disk.kx";
        kxtest::writeFile(smallList, oldBytes);
        const ChildResult r = c.tool ? runTool({"resave", smallList}, setup())
                                     : saveInChild(smallList, nullptr, setup());
        EXPECT_EQ(r.exitCode, 1) << r.message;
        if (c.tool) {
            EXPECT_TRUE(isOneSentence(r.message)) << r.message;
            EXPECT_NE(r.message.find("no space left on the device"), std::string::npos)
                << r.message;
        } else {
            EXPECT_EQ(r.error, kx::ErrorCode::noSpace) << r.message;
        }
        EXPECT_TRUE(kxtest::readFile(smallList) == oldBytes);
        EXPECT_EQ(openedEntryCount(smallList), static_cast<long long>(kEntries));
        EXPECT_EQ(listing(small), std::vector<std::string>{"disk.kx"});
        EXPECT_TRUE(listing(elsewhere).empty());
    }
}

// The disk fills up while a list of two hard links is written over in place with a larger list:
// a tmpfs with room for the old list, the whole new one beside it and one page more.
TEST_F(SaveFaults, FullDiskDuringAWriteInPlaceKeepsTheWholeNewList) {
    const std::string small = dir / "small", ref = dir / "ref.kx";
    ::mkdir(small.c_str(), 0755);
    auto larger = generatedTree(3 * kEntries, 2);
    kx::writeNewListFile(*larger, ref);
    auto pages = [](std::size_t bytes) { return (bytes + 4095) / 4096 * 4096; };
    TmpfsMount mount(small, pages(oldBytes.size()) + pages(kxtest::readFile(ref).size()) + 4096);
    if (!mount.ok()) GTEST_SKIP() << mount.reason();
    const std::string smallList = small + "/disk.kx";
    kxtest::writeFile(smallList, oldBytes);
    ASSERT_EQ(::link(smallList.c_str(), (small + "/second.kx").c_str()), 0);

    const ChildResult r = saveInChild(smallList, larger.get(), setup());
    EXPECT_EQ(r.exitCode, 1) << r.message;
    EXPECT_EQ(r.error, kx::ErrorCode::noSpace) << r.message;
    std::vector<std::string> names = listing(small);
    ASSERT_EQ(names.size(), 3u);
    const std::string kept = names[1]; // between disk.kx and second.kx
    EXPECT_EQ(kept.rfind("disk.kx.saved-", 0), 0u) << kept;
    EXPECT_NE(r.message.find("/" + kept), std::string::npos) << r.message;
    EXPECT_EQ(openedEntryCount(small + "/" + kept), static_cast<long long>(3 * kEntries));
    std::string error;
    EXPECT_EQ(openedEntryCount(smallList, &error), -1);
    EXPECT_NE(error.find("/" + kept), std::string::npos) << error;
    EXPECT_TRUE(listing(elsewhere).empty());
}

// The list's folder is renamed or removed after the open: before the save starts, or from the
// hook that runs as the new archive is about to be made. The save fails and nothing appears
// anywhere.
TEST_F(SaveFaults, FolderThatVanishesFailsTheSaveAndCreatesNothingElsewhere) {
    const std::string moved = dir / "moved";
    struct Case {
        const char* when;
        bool removeIt; // else renamed
        bool beforePack;
        kx::ErrorCode code; // the new archive cannot be made
    };
    const Case cases[] = {
        {"renamed before the save", false, false, kx::ErrorCode::createFailed},
        {"renamed before the pack", false, true, kx::ErrorCode::createFailed},
        {"removed before the save", true, false, kx::ErrorCode::createFailed},
        {"removed before the pack", true, true, kx::ErrorCode::createFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        ::mkdir(folder.c_str(), 0755);
        kxtest::writeFile(list, oldBytes);
        auto vanish = [&] {
            if (c.removeIt)
                std::system(("rm -rf '" + folder + "'").c_str());
            else
                ::rename(folder.c_str(), moved.c_str());
        };
        const ChildResult r = runInChild(
            [&](std::string&) {
                kx::ListContainer container;
                auto tree = kx::openListFile(container, list);
                if (!c.beforePack) vanish();
                kx::saveListFile(container, *tree, list, {}, [&] {
                    if (c.beforePack) vanish();
                });
                return 0;
            },
            setup());
        EXPECT_EQ(r.exitCode, 1) << r.message;
        EXPECT_EQ(r.error, c.code) << r.message;
        EXPECT_TRUE(listing(folder).empty()) << "the folder came back";
        EXPECT_TRUE(listing(elsewhere).empty());
        if (!c.removeIt) {
            EXPECT_EQ(listing(moved), std::vector<std::string>{"disk.kx"});
            EXPECT_TRUE(kxtest::readFile(moved + "/disk.kx") == oldBytes);
            std::system(("rm -rf '" + moved + "'").c_str());
        }
    }
}

// The list's folder is renamed while the new archive is being written beside the list: the
// child is stopped as soon as the archive appears, the folder is renamed, the child goes on.
// The save fails and the archive is not left in the renamed folder.
TEST_F(SaveFaults, FolderRenamedDuringThePackLeavesNothingBehind) {
    const std::string moved = dir / "moved";
    const int watch = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, folder.c_str(), IN_CREATE), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        try {
            kx::ListContainer container;
            auto tree = kx::openListFile(container, list);
            kx::saveListFile(container, *tree, list);
        } catch (const std::exception&) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    bool stopped = false;
    alignas(inotify_event) char buf[4096];
    while (!stopped) {
        const ssize_t n = ::read(watch, buf, sizeof buf);
        if (n <= 0) break;
        for (char* p = buf; p < buf + n;) {
            const auto* ev = reinterpret_cast<const inotify_event*>(p);
            if (ev->len && std::string(ev->name).rfind(".disk.kx.saving-", 0) == 0) {
                ::kill(child, SIGSTOP);
                stopped = true;
                break;
            }
            p += sizeof(inotify_event) + ev->len;
        }
    }
    ::close(watch);
    const std::vector<std::string> during = listing(folder);
    ASSERT_EQ(::rename(folder.c_str(), moved.c_str()), 0);
    ::kill(child, SIGCONT);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(stopped);
    if (during.size() != 2) GTEST_SKIP() << "the pack was over before the child could be stopped";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_EQ(listing(moved), std::vector<std::string>{"disk.kx"});
    EXPECT_TRUE(kxtest::readFile(moved + "/disk.kx") == oldBytes);
    EXPECT_TRUE(listing(folder).empty());
}

// A save cancelled early in the inner list, or at its last record when the compressor has taken
// every round but the last, returns false and leaves things as a failed save does. The list
// saved there is larger than one round of the pack on up to eight cores.
TEST_F(SaveFaults, CancelledSaveLeavesTheOldListAndNoStrayFile) {
    for (const bool inPack : {false, true}) {
        SCOPED_TRACE(inPack ? "cancelled in the pack" : "cancelled in the inner list");
        const ChildResult r = runInChild(
            [&](std::string&) {
                kx::ListContainer container;
                auto tree = inPack ? generatedTree(60000) : kx::openListFile(container, list);
                if (inPack) container.openEntry(list);
                // At the last record every round of the pack but the last has been written.
                kxtest::ProgressLog progress;
                progress.stopAt = inPack ? tree->entryCount() : 100;
                const bool saved = kx::saveListFile(container, *tree, list, progress.callback());
                return saved ? 0 : progress.done.back() == progress.stopAt ? 2 : 3;
            },
            setup());
        EXPECT_EQ(r.exitCode, 2) << r.message;
        expectUntouched(inPack ? "pack" : "inner list");
    }
}

// A list folder without write permission. Root ignores permissions, so a root run saves as the
// user nobody; the folder and the list then belong to nobody.
TEST_F(SaveFaults, ReadOnlyFolderFailsTheSaveCleanly) {
    const bool root = ::geteuid() == 0;
    constexpr int kNobody = 65534;
    if (root) {
        for (const std::string& p : {folder, list, elsewhere})
            ASSERT_EQ(::chown(p.c_str(), kNobody, kNobody), 0);
    }
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    ChildSetup s = setup();
    if (root) s.uid = kNobody;
    const int reach =
        runInChild([&](std::string&) { return ::access(list.c_str(), R_OK) == 0 ? 0 : 122; }, s)
            .exitCode;
    if (reach == 121) GTEST_SKIP() << "cannot run as the user nobody here";
    if (reach == 122) GTEST_SKIP() << "the user nobody cannot reach " << list;
    for (const bool tool : {false, true}) {
        SCOPED_TRACE(tool ? "kxtool" : "library");
        const ChildResult r = tool ? runTool({"resave", list}, s) : saveInChild(list, nullptr, s);
        EXPECT_EQ(r.exitCode, 1) << r.message;
        if (tool) {
            EXPECT_TRUE(isOneSentence(r.message)) << r.message;
            EXPECT_NE(r.message.find("permission denied"), std::string::npos) << r.message;
        } else {
            EXPECT_EQ(r.error, kx::ErrorCode::noPermission) << r.message;
        }
        expectUntouched(tool ? "kxtool" : "library");
    }
    ::chmod(folder.c_str(), 0755);
}

} // namespace
