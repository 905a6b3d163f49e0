// Saves over a user's file as desktops have them: links, other owners, ACLs and extended
// attributes, read-only and private lists, new lists under a umask, long names, saves that meet,
// a list changed since it was read, outputs that are no regular file, and a shared folder where
// someone swaps the list's name while the save flushes. Each row ends with the list saved as
// wanted, or refused by code with nothing written and nothing left beside it.
#include "common/fixtures.h"
#include "faults_helpers.h"

#include "browser/document.h"
#include "listfile/listfile.h"
#include "listfile/scan.h"
#include "output/textexport.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

using namespace kxfault;

namespace {

constexpr std::size_t kOld = 200, kNew = 300;
constexpr int kNobody = 65534, kDaemon = 1;

struct stat statOf(const std::string& path, bool follow = true) {
    struct stat st {};
    (follow ? ::stat : ::lstat)(path.c_str(), &st);
    return st;
}

// The output of a command, "" when it fails.
std::string output(const std::string& command) {
    std::string text;
    if (FILE* p = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        char buf[512];
        while (const std::size_t n = std::fread(buf, 1, sizeof buf, p))
            text.append(buf, n);
        if (::pclose(p) != 0) text.clear();
    }
    return text;
}

class ReplaceFile : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::string& f : {folder, other, elsewhere})
            ::mkdir(f.c_str(), 0755);
        kx::writeNewListFile(*generatedTree(kOld), list);
        oldBytes = kxtest::readFile(list);
    }

    ChildSetup setup() const {
        ChildSetup s;
        s.environment = {{"TMP", elsewhere}, {"TEMP", elsewhere}, {"TMPDIR", elsewhere}};
        return s;
    }
    // Saves a list of kNew Entries into `path` as the viewer does after an open of it.
    ChildResult save(const std::string& path, int uid = -1) {
        ChildSetup s = setup();
        s.uid = uid;
        return saveInChild(path, newTree.get(), s);
    }
    ChildResult tool(const std::vector<std::string>& args) { return runTool(args, setup()); }

    ScratchDir dir;
    std::string folder = dir / "lists", other = dir / "other", elsewhere = dir / "elsewhere";
    std::string list = folder + "/disk.kx";
    std::string oldBytes;
    std::unique_ptr<kx::EntryTree> newTree = generatedTree(kNew, 2);
};

// What the save leaves in the folders: the names given, nothing else (no temporary file, no
// uncompressed list), and nothing in TMP.
void expectOnly(const std::string& folder, const std::vector<std::string>& names,
                const std::string& elsewhere) {
    EXPECT_EQ(listing(folder), names);
    EXPECT_TRUE(listing(elsewhere).empty());
}

// A save in a child that looks, each time 8192 more records have gone to the compressor, at every
// file that has appeared beside the list and in TMP: none may be more readable than the private
// list, none may hold the list's bytes uncompressed. Exit code 0: saved and looked at least once.
ChildResult savePrivateListAndWatch(const std::string& list, const std::string& elsewhere,
                                    const ChildSetup& setup) {
    return runInChild(
        [&](std::string& message) {
            auto doc = kx::Document::open(list);
            const std::string header = doc->headerText();
            // What other programs keep in TMP is none of the save's doing.
            const std::vector<std::string> tmpBefore = listing("/tmp");
            int looks = 0;
            const auto progress = [&](std::uint64_t done, std::uint64_t) {
                if (done % 8192 != 0) return true;
                ++looks;
                const std::string folder = list.substr(0, list.rfind('/'));
                for (const std::string& f : {folder, elsewhere, std::string("/tmp")})
                    for (const std::string& name : listing(f)) {
                        const std::string path = f + "/" + name;
                        if (path == list ||
                            (f == "/tmp" && (name.find("disk") == std::string::npos ||
                                             std::find(tmpBefore.begin(), tmpBefore.end(), name) !=
                                                 tmpBefore.end())))
                            continue;
                        struct stat st {};
                        ::stat(path.c_str(), &st);
                        if (st.st_mode & 077) message += path + " is readable by others; ";
                        if (kxtest::readFile(path).find(header) != std::string::npos)
                            message += path + " holds the list uncompressed; ";
                    }
                return true;
            };
            if (!doc->save(progress)) return 2;
            return looks == 0 ? 4 : message.empty() ? 0 : 5;
        },
        setup);
}

// Two saves of one list at once, on two threads of a child: each one saves or says the list is
// busy, and one of them saves. Exit code 0 when so.
ChildResult twoSavesAtOnce(const std::string& list) {
    return runInChild([&](std::string& message) {
        auto first = kx::Document::open(list), second = kx::Document::open(list);
        std::optional<kx::ErrorCode> errors[2];
        std::string messages[2];
        std::atomic<int> saved{0};
        auto run = [&](kx::Document* doc, int i) {
            try {
                saved += doc->save({}) ? 1 : 0;
            } catch (const kx::Error& e) {
                errors[i] = e.code();
                messages[i] = e.what();
            }
        };
        std::thread a(run, first.get(), 0);
        run(second.get(), 1);
        a.join();
        message = messages[0] + messages[1];
        for (const auto& e : errors)
            // The later one may also find the list replaced by the earlier one.
            if (e && e != kx::ErrorCode::listBusy && e != kx::ErrorCode::changedOnDisk) return 6;
        return saved >= 1 ? 0 : 7;
    });
}

TEST_F(ReplaceFile, EachSituationEndsAsTheUserExpects) {
    struct Case {
        const char* situation;
        std::function<void()> arrange;
        std::function<ChildResult()> act;
        // For a refusal: the code (library rows) and words of the sentence.
        std::optional<kx::ErrorCode> error;
        const char* words;
        std::function<void()> check;
    };
    const std::string link = other + "/link.kx", second = folder + "/second.kx";
    const std::string out = folder + "/out", longName = std::string(247, 'n') + ".kx";
    ino_t inode = 0;
    int heldFd = -1;
    std::string acl;
    struct stat before {};
    const bool root = ::geteuid() == 0;
    auto withUmask = [&](mode_t mask, const std::vector<std::string>& args) {
        const mode_t old = ::umask(mask);
        const ChildResult r = tool(args);
        ::umask(old);
        return r;
    };
    const Case cases[] = {
        {"a symbolic link: the target is saved, the link stays a link",
         [&] { ASSERT_EQ(::symlink("../lists/disk.kx", link.c_str()), 0); },
         [&] { return save(link); }, std::nullopt, "",
         [&] {
             EXPECT_TRUE(S_ISLNK(statOf(link, false).st_mode));
             EXPECT_EQ(output("readlink '" + link + "'"), "../lists/disk.kx\n");
             EXPECT_EQ(openedEntryCount(list), kNew);
             expectOnly(other, {"link.kx"}, elsewhere);
             expectOnly(folder, {"disk.kx"}, elsewhere);
         }},
        {"several hard links: every name sees the new list",
         [&] {
             ASSERT_EQ(::link(list.c_str(), second.c_str()), 0);
             inode = statOf(list).st_ino;
         },
         [&] { return save(second); }, std::nullopt, "",
         [&] {
             EXPECT_EQ(openedEntryCount(list), kNew);
             EXPECT_EQ(statOf(list).st_ino, inode);
             EXPECT_EQ(statOf(list).st_nlink, 2u);
             EXPECT_TRUE(kxtest::readFile(list) == kxtest::readFile(second));
             expectOnly(folder, {"disk.kx", "second.kx"}, elsewhere);
         }},
        {"someone else's list, shared through its group, with an ACL and an xattr",
         [&] {
             ASSERT_EQ(::chown(list.c_str(), kNobody, kNobody), 0);
             ASSERT_EQ(::chmod(list.c_str(), 0660), 0);
             ASSERT_EQ(std::system(("setfacl -m u:daemon:rw '" + list + "'").c_str()), 0);
             ASSERT_EQ(::setxattr(list.c_str(), "user.origin", "desk", 4, 0), 0);
             acl = output("getfacl -n '" + list + "'");
             ASSERT_NE(acl.find("user:1:rw-"), std::string::npos) << acl;
         },
         [&] { return save(list); }, std::nullopt, "",
         [&] {
             const struct stat st = statOf(list);
             if (root) {
                 EXPECT_EQ(st.st_uid, uid_t(kNobody));
             }
             EXPECT_EQ(st.st_gid, gid_t(kNobody));
             EXPECT_EQ(st.st_mode & 07777, 0660u);
             EXPECT_EQ(output("getfacl -n '" + list + "'"), acl);
             char value[16] = {};
             EXPECT_EQ(::getxattr(list.c_str(), "user.origin", value, sizeof value), 4);
             EXPECT_STREQ(value, "desk");
             EXPECT_EQ(openedEntryCount(list), kNew);
             expectOnly(folder, {"disk.kx"}, elsewhere);
         }},
        {"another user's list, written through an ACL by a second user: the owner's all stays",
         [&] {
             ASSERT_EQ(::chown(list.c_str(), kNobody, kNobody), 0);
             ASSERT_EQ(::chmod(list.c_str(), 0640), 0);
             ASSERT_EQ(std::system(("setfacl -m u:daemon:rw '" + list + "'").c_str()), 0);
             ASSERT_EQ(std::system(("setfacl -m u:daemon:rwx '" + folder + "'").c_str()), 0);
             before = statOf(list);
             acl = output("getfacl -n '" + list + "'");
         },
         [&] { return save(list, root ? kDaemon : -1); }, std::nullopt, "",
         [&] {
             const struct stat st = statOf(list);
             EXPECT_EQ(st.st_uid, before.st_uid);
             EXPECT_EQ(st.st_gid, before.st_gid);
             EXPECT_EQ(st.st_mode, before.st_mode);
             EXPECT_EQ(output("getfacl -n '" + list + "'"), acl);
             EXPECT_EQ(openedEntryCount(list), kNew);
             expectOnly(folder, {"disk.kx"}, elsewhere);
             std::system(("setfacl -b '" + folder + "'").c_str());
         }},
        {"root's list in a shared folder, saved by a user who may not give it away",
         [&] {
             ASSERT_EQ(::chown(list.c_str(), 0, kNobody), 0);
             ASSERT_EQ(::chmod(list.c_str(), 0664), 0);
             for (const std::string& f : {folder, elsewhere})
                 ASSERT_EQ(::chown(f.c_str(), kNobody, kNobody), 0);
         },
         [&] { return save(list, root ? kNobody : -1); }, std::nullopt, "",
         [&] {
             const struct stat st = statOf(list);
             if (root) {
                 EXPECT_EQ(st.st_uid, 0u);
             }
             EXPECT_EQ(st.st_gid, gid_t(kNobody));
             EXPECT_EQ(st.st_mode & 07777, 0664u);
             EXPECT_EQ(openedEntryCount(list), kNew);
             expectOnly(folder, {"disk.kx"}, elsewhere);
         }},
        {"a private list: no copy readable by others, no uncompressed copy, during the save",
         [&] {
             kx::writeNewListFile(*generatedTree(60000), list + ".big"); // several rounds
             ::rename((list + ".big").c_str(), list.c_str());
             ASSERT_EQ(::chmod(list.c_str(), 0600), 0);
         },
         [&] { return savePrivateListAndWatch(list, elsewhere, setup()); }, std::nullopt, "",
         [&] {
             EXPECT_EQ(statOf(list).st_mode & 07777, 0600u);
             EXPECT_EQ(openedEntryCount(list), 60000);
             expectOnly(folder, {"disk.kx"}, elsewhere);
         }},
        {"new lists take the mode the umask gives", [] {},
         [&] {
             const ChildResult r = withUmask(027, {"resave", list, out});
             return r.exitCode != 0 ? r : withUmask(077, {"scan", other, out + ".scan"});
         },
         std::nullopt, "",
         [&] {
             EXPECT_EQ(statOf(out).st_mode & 07777, 0640u);
             EXPECT_EQ(statOf(out + ".scan").st_mode & 07777, 0600u);
             ::unlink((out + ".scan").c_str());
         }},
        {"a list name of 250 bytes saves",
         [&] { ::rename(list.c_str(), (folder + "/" + longName).c_str()); },
         [&] { return save(folder + "/" + longName); }, std::nullopt, "",
         [&] {
             EXPECT_EQ(openedEntryCount(folder + "/" + longName), kNew);
             expectOnly(folder, {longName}, elsewhere);
             ::rename((folder + "/" + longName).c_str(), list.c_str());
         }},
        {"two saves at once: one after the other, or busy", [] {},
         [&] { return twoSavesAtOnce(list); }, std::nullopt, "",
         [&] {
             EXPECT_EQ(openedEntryCount(list), kOld);
             expectOnly(folder, {"disk.kx"}, elsewhere);
         }},
        {"a read-only list is refused", [&] { ASSERT_EQ(::chmod(list.c_str(), 0444), 0); },
         [&] { return save(list); }, kx::ErrorCode::readOnlyList, "read-only", [] {}},
        {"kxtool: a read-only list is refused", [&] { ASSERT_EQ(::chmod(list.c_str(), 0444), 0); },
         [&] {
             return tool({"resave", list});
         },
         std::nullopt, "read-only", [] {}},
        {"another save holds the list: busy",
         [&] {
             heldFd = ::open(list.c_str(), O_RDONLY | O_CLOEXEC);
             ASSERT_EQ(::flock(heldFd, LOCK_EX), 0);
         },
         [&] { return save(list); }, kx::ErrorCode::listBusy, "another program",
         [&] { ::close(heldFd); }},
        {"the list changed on disk after the open: refused", [] {},
         [&] {
             return runInChild([&](std::string&) {
                 auto doc = kx::Document::open(list);
                 if (!doc->save({})) return 2; // a save of its own changes nothing for the next
                 kxtest::writeFile(list, oldBytes);
                 doc->save({});
                 return 0;
             });
         },
         kx::ErrorCode::changedOnDisk, "changed on disk", [] {}},
        {"the list changed on disk after the open: overwritten when the caller says so", [] {},
         [&] {
             return runInChild([&](std::string&) {
                 auto doc = kx::Document::open(list);
                 kx::writeNewListFile(*generatedTree(kNew), list + ".new");
                 ::rename((list + ".new").c_str(), list.c_str());
                 return doc->save({}, {}, true) ? 0 : 2;
             });
         },
         std::nullopt, "", [&] { EXPECT_EQ(openedEntryCount(list), kOld); }},
        {"kxtool resave to a link to nothing: refused, nothing made where it points",
         [&] { ASSERT_EQ(::symlink((other + "/made.kx").c_str(), out.c_str()), 0); },
         [&] {
             return tool({"resave", list, out});
         },
         std::nullopt, "exists already",
         [&] {
             EXPECT_TRUE(S_ISLNK(statOf(out, false).st_mode));
             EXPECT_TRUE(listing(other).empty());
         }},
        {"kxtool resave into a FIFO is refused", [&] { ASSERT_EQ(::mkfifo(out.c_str(), 0644), 0); },
         [&] {
             return tool({"resave", list, out});
         },
         std::nullopt, "not a regular file", [&] { EXPECT_TRUE(S_ISFIFO(statOf(out).st_mode)); }},
        {"kxtool resave into a device is refused",
         [&] {
             if (::mknod(out.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
                 ASSERT_EQ(::mkfifo(out.c_str(), 0644), 0); // no devices may be made here
             }
         },
         [&] {
             return tool({"resave", list, out});
         },
         std::nullopt, "not a regular file", [&] { EXPECT_FALSE(S_ISREG(statOf(out).st_mode)); }},
        {"kxtool export into a FIFO is refused without waiting for a reader",
         [&] { ASSERT_EQ(::mkfifo(out.c_str(), 0644), 0); },
         [&] {
             return tool({"export", list, out});
         },
         std::nullopt, "not a regular file", [&] { EXPECT_TRUE(S_ISFIFO(statOf(out).st_mode)); }},
        {"the export onto the list itself, through a link, is refused",
         [&] { ASSERT_EQ(::symlink(list.c_str(), out.c_str()), 0); },
         [&] {
             return tool({"export", list, out});
         },
         std::nullopt, "list file itself",
         [&] {
             EXPECT_TRUE(S_ISLNK(statOf(out, false).st_mode));
             EXPECT_EQ(kxtest::errorOf([&] {
                           kx::out::exportToFile(newTree->root(), QString::fromStdString(out), {},
                                                 QString::fromStdString(list));
                       }),
                       kx::ErrorCode::exportOverList);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        for (const std::string& f : {out, second, link})
            ::unlink(f.c_str());
        kxtest::writeFile(list, oldBytes);
        ::chmod(list.c_str(), 0644);
        c.arrange();
        if (::testing::Test::HasFatalFailure()) return;
        const ChildResult r = c.act();
        if (r.exitCode == 121) {
            std::cout << "skipped, cannot run as the user nobody: " << c.situation << '\n';
            continue;
        }
        if (!*c.words) {
            EXPECT_EQ(r.exitCode, 0) << r.message;
        } else {
            EXPECT_EQ(r.exitCode, 1) << r.message;
            EXPECT_EQ(r.error, c.error) << r.message;
            EXPECT_TRUE(isOneSentence(r.message)) << r.message;
            EXPECT_NE(r.message.find(c.words), std::string::npos) << r.message;
            EXPECT_TRUE(kxtest::readFile(list) == oldBytes);
            const std::vector<std::string> names = listing(folder);
            EXPECT_TRUE(names == std::vector<std::string>{"disk.kx"} ||
                        names == (std::vector<std::string>{"disk.kx", "out"}))
                << "stray files beside the list";
        }
        c.check();
        for (const std::string& f : {folder, elsewhere})
            ::chown(f.c_str(), 0, 0);
    }
}

std::function<void()> atFlush; // what the child does once the new archive is flushed

// Someone who may write the list's folder swaps its name while the new archive is flushed: for a
// link to a file of the saver's own, another list moved there, a FIFO. A save of a list of one
// name and of a list of two hard links says changedOnDisk, writes nothing anywhere and waits for
// nothing.
TEST_F(ReplaceFile, ANameSwappedDuringTheFlushIsNotWritten) {
    const std::string own = elsewhere + "/own", otherList = folder + "/other.kx";
    const std::string second = folder + "/second.kx", ownBytes = "the saver's own file";
    kx::writeNewListFile(*generatedTree(50, 3), otherList);
    const std::string otherBytes = kxtest::readFile(otherList);
    struct Swap {
        const char* what;
        std::function<void()> swap, check;
    };
    const Swap swaps[] = {
        {"a link to the saver's own file", [&] { ::symlink(own.c_str(), list.c_str()); },
         [&] { EXPECT_TRUE(S_ISLNK(statOf(list, false).st_mode)); }},
        {"another list moved there", [&] { ::rename(otherList.c_str(), list.c_str()); },
         [&] { EXPECT_TRUE(kxtest::readFile(list) == otherBytes); }},
        {"a FIFO", [&] { ::mkfifo(list.c_str(), 0666); },
         [&] { EXPECT_TRUE(S_ISFIFO(statOf(list, false).st_mode)); }},
    };
    for (const bool linked : {false, true})
        for (const Swap& s : swaps) {
            SCOPED_TRACE(std::string(s.what) + (linked ? ", two hard links" : ", one name"));
            for (const std::string& f : {list, second, own})
                ::unlink(f.c_str());
            kxtest::writeFile(list, oldBytes);
            kxtest::writeFile(otherList, otherBytes);
            kxtest::writeFile(own, ownBytes);
            ::chmod(own.c_str(), 0600);
            if (linked) {
                ASSERT_EQ(::link(list.c_str(), second.c_str()), 0);
            }
            atFlush = [&] {
                ::unlink(list.c_str());
                s.swap();
            };
            const ChildResult r =
                saveInChild(list, newTree.get(), setup(), -1, [](const std::string&) {
                    ::alarm(60); // a save that waits for ever ends here
                    atFlush();
                });
            EXPECT_EQ(r.exitCode, 1) << r.message << " signal " << r.signal;
            EXPECT_EQ(r.error, kx::ErrorCode::changedOnDisk) << r.message;
            EXPECT_TRUE(kxtest::readFile(own) == ownBytes) << "the saver's own file was written";
            if (linked) {
                EXPECT_TRUE(kxtest::readFile(second) == oldBytes);
            }
            s.check();
            for (const std::string& name : listing(folder))
                EXPECT_TRUE(name == "disk.kx" || name == "second.kx" || name == "other.kx")
                    << name << " was left";
        }
}

// The kernel's protection of links in sticky world-writable folders holds for the save: root's
// resave onto another user's link there, to a file of root's, is refused and writes nothing.
TEST_F(ReplaceFile, AProtectedLinkIsNotFollowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to own the file and give the link away";
    if (kxtest::readFile("/proc/sys/fs/protected_symlinks").rfind('0', 0) == 0)
        GTEST_SKIP() << "fs.protected_symlinks is off";
    const std::string shared = dir / "shared", rootFile = other + "/root.kx";
    const std::string link = shared + "/out.kx";
    ASSERT_EQ(::mkdir(shared.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    kxtest::writeFile(rootFile, "root's own");
    ASSERT_EQ(::symlink(rootFile.c_str(), link.c_str()), 0);
    ASSERT_EQ(::lchown(link.c_str(), kNobody, kNobody), 0);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"resave", list, link}, {"scan", other, link}}) {
        SCOPED_TRACE(args[0]);
        const ChildResult r = tool(args);
        EXPECT_EQ(r.exitCode, 1) << r.message;
        EXPECT_TRUE(isOneSentence(r.message)) << r.message;
        EXPECT_EQ(kxtest::readFile(rootFile), "root's own");
        EXPECT_TRUE(S_ISLNK(statOf(link, false).st_mode));
        EXPECT_EQ(listing(shared), std::vector<std::string>{"out.kx"});
        EXPECT_EQ(listing(other), std::vector<std::string>{"root.kx"});
    }
}

} // namespace
