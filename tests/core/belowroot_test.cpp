// Paths below the root: the two joins, the walk that keeps its folder's path, disk paths.
#include "query/belowroot.h"

#include "common/treebuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kx {
namespace {

using kxtest::TreeBuilder;

// The joins differ only where the names that open a path are empty (names cleared on reading).
TEST(BelowRoot, CaptionAndExportJoins) {
    TreeBuilder t{"C:\\"};
    Entry* a = t.folder(t.root(), "a");
    Entry* emptyTop = t.folder(t.root(), "");
    Entry* emptyTwice = t.folder(emptyTop, "");
    Entry* emptyInside = t.folder(a, "");
    const struct {
        const Entry* e;
        const char* caption;
        const char* exportPath;
    } cases[] = {
        {t.root(), "", ""},
        {nullptr, "", ""},
        {t.file(a, "x"), "a\\x", "a\\x"},
        {t.file(emptyTop, "b"), "\\b", "b"},
        {t.file(emptyTwice, "c"), "\\\\c", "c"},
        {t.file(emptyInside, "d"), "a\\\\d", "a\\\\d"},
        {emptyTop, "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(captionBelowRoot(c.e), c.caption) << c.caption;
        EXPECT_EQ(pathBelowRoot(c.e), c.exportPath) << c.caption;
    }
    EXPECT_EQ(childPath("", true, "n", PathJoin::caption), "n");
    EXPECT_EQ(childPath("", false, "n", PathJoin::caption), "\\n");
    EXPECT_EQ(childPath("", false, "n", PathJoin::exportPath), "n");
    EXPECT_EQ(childPath("p", false, "", PathJoin::exportPath), "p\\");
}

// The walk names every Entry as the joins name it from its parents, in pre-order, and goes down,
// passes over and stops as asked.
TEST(BelowRoot, WalkKeepsTheFolderPath) {
    TreeBuilder t{"C:\\"};
    Entry* top = t.folder(t.root(), "");
    Entry* a = t.folder(top, "a");
    t.file(a, "f1");
    Entry* skipped = t.folder(a, "skip");
    t.file(skipped, "hidden");
    t.file(top, "f2");
    t.file(t.root(), "f3");
    for (PathJoin join : {PathJoin::caption, PathJoin::exportPath}) {
        std::vector<std::string> seen;
        const bool done = walkWithPaths(
            t.root()->children(), join, [&](const Entry* e, const FolderPath& folder) {
                const std::string path = folder.child(e->name());
                EXPECT_EQ(path, join == PathJoin::caption ? captionBelowRoot(e) : pathBelowRoot(e));
                seen.push_back(path);
                return e == skipped ? WalkOn::over : WalkOn::into;
            });
        EXPECT_TRUE(done);
        const std::vector<std::string> expected =
            join == PathJoin::caption
                ? std::vector<std::string>{"", "\\a", "\\a\\f1", "\\a\\skip", "\\f2", "f3"}
                : std::vector<std::string>{"", "a", "a\\f1", "a\\skip", "f2", "f3"};
        EXPECT_EQ(seen, expected);
    }

    // From a window's rows: paths start at the folder that holds them; a stop ends the walk.
    std::vector<std::string> seen;
    const bool done = walkWithPaths(top->children(), PathJoin::exportPath,
                                    [&](const Entry* e, const FolderPath& folder) {
                                        seen.push_back(folder.child(e->name()));
                                        return e->name() == "f1" ? WalkOn::stop : WalkOn::into;
                                    });
    EXPECT_FALSE(done);
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "a\\f1"}));
}

TEST(BelowRoot, DiskPaths) {
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

// A path handed to the outside is written in its root's style: "/" below a POSIX root, "\\"
// below any other, one separator between two names whatever the root's name ends in.
TEST(BelowRoot, WholePathsInTheRootsStyle) {
    const struct {
        const char* root;
        const char* file;  // the whole path of folder "a b" > file "c.txt"
        const char* below; // its export path in the same style
    } cases[] = {
        {"/", "/a b/c.txt", "a b/c.txt"},
        {"/usr", "/usr/a b/c.txt", "a b/c.txt"},
        {"/home/me/disks/usbA/", "/home/me/disks/usbA/a b/c.txt", "a b/c.txt"},
        {"C:\\", "C:\\a b\\c.txt", "a b\\c.txt"},
        {"D:\\Data", "D:\\Data\\a b\\c.txt", "a b\\c.txt"},
        {"", "\\a b\\c.txt", "a b\\c.txt"}, // a root name emptied by a save
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.root);
        TreeBuilder t{c.root};
        Entry* folder = t.folder(t.root(), "a b");
        Entry* file = t.file(folder, "c.txt");
        EXPECT_EQ(wholePath(file), c.file);
        EXPECT_EQ(wholePath(t.root()), c.root);
        EXPECT_EQ(pathBelowRoot(file, NameForm::shown, separatorOf(file)), c.below);
        std::string walked;
        walkWithPaths(
            t.root()->children(), PathJoin::exportPath,
            [&](const Entry* e, const FolderPath& path) {
                if (e == file) walked = path.child(e->name());
                return WalkOn::into;
            },
            NameForm::shown, separatorOf(t.root()));
        EXPECT_EQ(walked, c.below);
    }
    EXPECT_EQ(wholePath(nullptr), "");
    // Names as shown: a scanned name the code page cannot hold is copied exactly.
    TreeBuilder t{"/srv"};
    EXPECT_EQ(wholePath(t.file(t.root(), "x").systemName("☃.txt")), "/srv/☃.txt");
}

} // namespace
} // namespace kx
