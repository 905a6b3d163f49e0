// Saves killed part way: kxtool resave of a large list is killed at moments spread over the open
// and the write of the new archive. After every kill the list must be its old bytes or a
// complete new list; the temporary files a killed save leaves must never replace or change
// anything, and the next save must still work. A save killed at the last flush leaves a file only
// its owner reads; one killed while it writes a hard-linked list in place leaves the whole new
// list in a visible file that the next open names.
#include "faults_helpers.h"

#include "common/fixtures.h"
#include "listfile/scan.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <iostream>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

using namespace kxfault;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kEntries = 50000;

enum class Moment { Delay, ArchiveAppears, ArchiveHasData };

struct FileId {
    ino_t inode = 0;
    off_t size = 0;
    timespec changed{};
    bool operator==(const FileId& o) const {
        return inode == o.inode && size == o.size && changed.tv_sec == o.changed.tv_sec &&
               changed.tv_nsec == o.changed.tv_nsec;
    }
};

class KilledSave : public ::testing::Test {
protected:
    void SetUp() override {
        ::mkdir(folder.c_str(), 0755);
        ::mkdir(elsewhere.c_str(), 0755);
        kx::writeNewListFile(*generatedTree(kEntries), list);
    }

    void TearDown() override {
        for (const auto& [path, id] : strays())
            if (path.rfind("/tmp/", 0) == 0) std::remove(path.c_str());
    }

    // Every file besides the list that a save may have left: in the list's folder, in TMP and
    // in the system's temporary folder (only names made from this list's base name).
    std::map<std::string, FileId> strays() const {
        std::map<std::string, FileId> found;
        auto add = [&](const std::string& path) {
            struct stat st {};
            if (::lstat(path.c_str(), &st) == 0) found[path] = {st.st_ino, st.st_size, st.st_mtim};
        };
        for (const auto& name : listing(folder))
            if (name != fileName) add(folder + "/" + name);
        for (const auto& name : listing(elsewhere))
            add(elsewhere + "/" + name);
        add("/tmp/~tmp~" + base);
        return found;
    }

    // Starts kxtool resave and kills it at the moment; true when the save ran to its end.
    bool resaveKilledAt(Moment moment, Clock::duration delay) {
        const auto before = strays();
        auto appeared = [&](const char* part, off_t minSize) {
            for (const auto& [path, id] : strays())
                if (!before.count(path) && path.find(part) != std::string::npos &&
                    id.size >= minSize)
                    return true;
            return false;
        };
        const auto start = Clock::now();
        const pid_t pid = startTool({"resave", list}, setup);
        int status = 0;
        for (;;) {
            const pid_t done = ::waitpid(pid, &status, WNOHANG);
            if (done == pid) break;
            const bool now = moment == Moment::Delay            ? Clock::now() - start >= delay
                             : moment == Moment::ArchiveAppears ? appeared(".saving-", 0)
                                                                : appeared(".saving-", 64 << 10);
            if (now) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
        if (WIFSIGNALED(status)) {
            EXPECT_EQ(WTERMSIG(status), SIGKILL);
            return false;
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        return true;
    }

    ScratchDir dir;
    std::string folder = dir / "lists";
    std::string elsewhere = dir / "elsewhere";
    std::string base = "killed-" + std::to_string(::getpid());
    std::string fileName = base + ".kx";
    std::string list = folder + "/" + fileName;
    ChildSetup setup{-1, -1, {{"TMP", elsewhere}, {"TEMP", elsewhere}, {"TMPDIR", elsewhere}}};
};

TEST_F(KilledSave, ListIsOldOrCompleteAndLeftoversHarmNothing) {
    // One whole save sets the scale of the delays.
    const auto start = Clock::now();
    ASSERT_TRUE(resaveKilledAt(Moment::Delay, std::chrono::hours(1)));
    const Clock::duration whole = Clock::now() - start;
    ASSERT_EQ(openedEntryCount(list), static_cast<long long>(kEntries));
    ASSERT_TRUE(strays().empty());

    struct Run {
        Moment moment;
        double share; // of a whole save's time, for Moment::Delay
    };
    std::vector<Run> runs{{Moment::ArchiveAppears, 0},
                          {Moment::ArchiveHasData, 0},
                          {Moment::ArchiveAppears, 0},
                          {Moment::ArchiveHasData, 0}};
    for (double share : {0.02, 0.1, 0.25, 0.4, 0.55, 0.7, 0.8, 0.9, 1.0, 1.2, 1.5, 2.0, 3.0, 5.0})
        runs.push_back({Moment::Delay, share});

    std::string bytes = kxtest::readFile(list);
    std::map<std::string, FileId> left;
    int killed = 0, keptOld = 0, completed = 0;
    for (const Run& run : runs) {
        static const char* const moments[] = {"after a delay", "as the archive appears",
                                              "once the archive holds data"};
        SCOPED_TRACE(std::string(moments[int(run.moment)]) + " (" + std::to_string(run.share) +
                     " of a save)");
        const bool finished = resaveKilledAt(
            run.moment, std::chrono::duration_cast<Clock::duration>(whole * run.share));
        const std::string now = kxtest::readFile(list);
        if (now == bytes) {
            ++keptOld;
        } else {
            std::string error;
            ASSERT_EQ(openedEntryCount(list, &error), static_cast<long long>(kEntries)) << error;
            ++completed;
            bytes = now;
        }
        // What an earlier kill left is still there, unchanged.
        const auto nowLeft = strays();
        for (const auto& [path, id] : left) {
            ASSERT_TRUE(nowLeft.count(path)) << path << " went away";
            EXPECT_TRUE(nowLeft.at(path) == id) << path << " was changed";
        }
        left = nowLeft;
        if (finished && run.moment == Moment::Delay) break;
        killed += finished ? 0 : 1;
    }
    EXPECT_GE(killed, 5);

    // What the kills left are new archives beside the list, readable by their owner only; the
    // list is never on disk uncompressed. The next save still works.
    for (const auto& [path, id] : left) {
        EXPECT_NE(path.find("/." + fileName + ".saving-"), std::string::npos) << path;
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 077, 0u) << path;
        EXPECT_EQ(kxtest::readFile(path).find("generated list"), std::string::npos) << path;
    }
    ASSERT_TRUE(resaveKilledAt(Moment::Delay, std::chrono::hours(1)));
    EXPECT_EQ(openedEntryCount(list), static_cast<long long>(kEntries));
    EXPECT_EQ(strays().size(), left.size());

    std::cout << "killed saves: " << killed << ", list kept its old bytes " << keptOld
              << " times, was a complete new list " << completed << " times; " << left.size()
              << " temporary archives left\n";
}
// The names in `folder` that begin with `prefix`.
std::vector<std::string> namesBeginning(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& name : listing(folder))
        if (name.rfind(prefix, 0) == 0) found.push_back(name);
    return found;
}

TEST(KilledAtTheFlush, LeavesAFileOnlyItsOwnerReads) {
    ScratchDir dir;
    const std::string folder = dir / "lists", list = folder + "/disk.kx";
    ::mkdir(folder.c_str(), 0755);
    kx::writeNewListFile(*generatedTree(500), list);
    const std::string bytes = kxtest::readFile(list);
    ASSERT_EQ(::chmod(list.c_str(), 0664), 0);
    ASSERT_EQ(std::system(("setfacl -m u:daemon:rw '" + list + "'").c_str()), 0);
    ASSERT_EQ(::setxattr(list.c_str(), "user.origin", "desk", 4, 0), 0);
    const ChildResult r =
        saveInChild(list, nullptr, {}, -1, [](const std::string&) { ::raise(SIGKILL); });
    EXPECT_EQ(r.signal, SIGKILL) << r.message;
    EXPECT_TRUE(kxtest::readFile(list) == bytes);
    const std::vector<std::string> left = namesBeginning(folder, ".disk.kx.saving-");
    ASSERT_EQ(left.size(), 1u) << "what the kill left";
    const std::string leftover = folder + "/" + left[0];
    struct stat st {};
    ASSERT_EQ(::stat(leftover.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    char value[64];
    for (const char* name : {"system.posix_acl_access", "user.origin"})
        EXPECT_LT(::getxattr(leftover.c_str(), name, value, sizeof value), 0) << name;
}

// The size limit of the saving process, reached with SIGXFSZ's own action, kills it at that byte.
long long killAtByte = 0;
void killWhenTheListReaches(const std::string&) {
    const rlimit noCore{0, 0}, limit{rlim_t(killAtByte), rlim_t(killAtByte)};
    ::setrlimit(RLIMIT_CORE, &noCore);
    ::signal(SIGXFSZ, SIG_DFL);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

TEST(KilledWriteInPlace, LeavesTheWholeNewListThatTheNextOpenNames) {
    ScratchDir dir;
    const std::string folder = dir / "lists", list = folder + "/disk.kx";
    ::mkdir(folder.c_str(), 0755);
    kx::writeNewListFile(*generatedTree(2000), list);
    ASSERT_EQ(::link(list.c_str(), (folder + "/second.kx").c_str()), 0);
    killAtByte = static_cast<long long>(kxtest::readFile(list).size()) + 4096;
    auto larger = generatedTree(8000, 2);
    const ChildResult r = saveInChild(list, larger.get(), {}, -1, killWhenTheListReaches);
    ASSERT_EQ(r.signal, SIGXFSZ) << r.message;
    EXPECT_EQ(static_cast<long long>(kxtest::readFile(list).size()), killAtByte);

    const std::vector<std::string> kept = namesBeginning(folder, "disk.kx.saved-");
    ASSERT_EQ(kept.size(), 1u);
    const std::string keptPath = folder + "/" + kept[0];
    struct stat st {};
    ASSERT_EQ(::stat(keptPath.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(openedEntryCount(keptPath), 8000);
    std::string error;
    EXPECT_EQ(openedEntryCount(list, &error), -1);
    EXPECT_NE(error.find("/" + kept[0]), std::string::npos) << error;
    const ChildResult tool = runTool({"info", list});
    EXPECT_EQ(tool.exitCode, 1);
    EXPECT_TRUE(isOneSentence(tool.message)) << tool.message;
    EXPECT_NE(tool.message.find("/" + kept[0]), std::string::npos) << tool.message;
}

} // namespace
