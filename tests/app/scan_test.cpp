// kxtool scan over trees made in a temporary folder: nothing lost in silence (unreadable
// folders, chains deeper than a path may be long, names the code page cannot hold), one file
// system, the real dates, the header, the closing line, and the same list whatever the threads.
#include "catalogfixture.h"
#include "common/qstringprint.h"
#include "listfile/innerlist.h"
#include "listfile/scan.h"
#include "listfile/scandisk.h"

#include <QDir>
#include <QRegularExpression>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace kxtest;

namespace {

struct ScanTest : ::testing::Test {
    QTemporaryDir dir;
    std::string p(const std::string& name) const { return dir.path().toStdString() + "/" + name; }
    QString q(const std::string& name) const { return QString::fromStdString(p(name)); }
    void file(const std::string& name, const std::string& bytes = {}) { writeFile(p(name), bytes); }
    void folder(const std::string& name) { ASSERT_TRUE(QDir().mkpath(q(name))); }
    // The row of `name` that ls prints for FOLDER of the list, empty when there is none.
    QString row(const QString& list, const QString& folder, const QString& name) {
        const QStringList args =
            folder.isEmpty() ? QStringList{"ls", list} : QStringList{"ls", list, folder};
        for (const QString& r : kxtool(args).out.split('\n'))
            if (r.startsWith(name + "\t")) return r;
        return {};
    }
};

// The counts of the closing line, on standard error only, and the status that says whether all
// was named exactly.
TEST_F(ScanTest, ClosingLineCountsWhatWasListed) {
    folder("t/a/b");
    file("t/one", "1234");
    file("t/a/two", "12345678");
    file("t/a/b/three");
    const ToolRun exact = kxtool({"scan", q("t"), q("t.kx")});
    EXPECT_EQ(exact.status, 0) << exact.err.toStdString();
    EXPECT_TRUE(exact.out.isEmpty());
    EXPECT_TRUE(QRegularExpression("^kxtool: scanned 6 entries: 3 folders, 3 files, 12 bytes in "
                                   "[0-9]+\\.[0-9]{2} s; 0 unreadable, 0 inexact names\\n$")
                    .match(exact.err)
                    .hasMatch())
        << exact.err.toStdString();

    // A name the code page cannot hold is kept exactly beside its code-page form while both fit
    // the name field; a longer one is not, and is counted and named.
    file("t/a/\xff-latin1", "x");
    std::string longName;
    for (int i = 0; i < 100; ++i)
        longName += "\xC3\xA9"; // "é": no byte in the code page, two in UTF-8
    file("t/" + longName);
    const ToolRun inexact = kxtool({"scan", q("t"), q("t2.kx")});
    EXPECT_EQ(inexact.status, 1);
    EXPECT_TRUE(
        inexact.err.startsWith("kxtool: name not exact in the list: " + q("t/" + longName) + "\n"))
        << inexact.err.toStdString();
    EXPECT_TRUE(inexact.err.contains("8 entries: 3 folders, 5 files, 13 bytes"));
    EXPECT_TRUE(inexact.err.endsWith("0 unreadable, 1 inexact name\n"));
    EXPECT_TRUE(kxtool({"scan", q("t"), q("t3.kx"), "--quiet"}).err.isEmpty());
}

// The closing line's counts in the singular and the plural; the names not exact are escaped as
// every message is (a byte that is no UTF-8 as \ooo), five named and the others counted.
TEST_F(ScanTest, ClosingLineCountsInTheSingularAndNamesEscaped) {
    std::string longName; // too long to keep its exact form beside the code page's
    for (int i = 0; i < 100; ++i)
        longName += "\xC3\xA9";
    folder("empty");
    folder("one");
    folder("six");
    file("one/" + longName + "\xFE", "x");
    for (char c : std::string("abcdef"))
        file("six/" + longName + c);
    const QString lead = "kxtool: name not exact in the list: ";
    const QString seconds = " in [0-9]+\\.[0-9]{2} s; 0 unreadable, ";
    struct Case {
        const char* folder;
        int status;
        QString err; // a pattern
    } cases[] = {
        {"empty", 0,
         "^kxtool: scanned 1 entry: 1 folder, 0 files, 0 bytes" + seconds + "0 inexact names\n$"},
        {"one", 1,
         "^" + lead + QRegularExpression::escape(q("one/" + longName)) +
             "\\\\376\nkxtool: scanned 2 entries: 1 folder, 1 file, 1 byte" + seconds +
             "1 inexact name\n$"},
        {"six", 1,
         "^(" + lead +
             "[^\n]*\n){5}kxtool: and 1 more name not exact\n"
             "kxtool: scanned 7 entries: 1 folder, 6 files, 0 bytes" +
             seconds + "6 inexact names\n$"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        const ToolRun r = kxtool({"scan", q(c.folder), q(std::string(c.folder) + ".kx")});
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(QRegularExpression(c.err).match(r.err).hasMatch()) << r.err.toStdString();
    }
}

// A list written into the folder it lists does not list itself while it is being written.
TEST_F(ScanTest, ListWrittenInsideTheFolderIsNotListed) {
    folder("t");
    file("t/a.txt", "abc");
    const ToolRun r = kxtool({"scan", q("t"), q("t/t.kx")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("scanned 2 entries")) << r.err.toStdString();
    EXPECT_EQ(kxtool({"ls", q("t/t.kx")}).out.count('\n'), 1);
}

// A folder the user may not read is listed, damaged, and the status says the list is not whole.
// Root reads every folder, so a root run scans as the user nobody.
TEST_F(ScanTest, UnreadableFolderIsDamagedAndStatusOne) {
    folder("t/locked/inside");
    folder("t/open");
    QString program = KXTOOL_PATH;
    QStringList args = {"scan", q("t"), q("t.kx")};
    if (::geteuid() == 0) {
        if (::access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "no setpriv to run as nobody";
        ASSERT_EQ(std::system(("chown -R nobody '" + dir.path().toStdString() + "'").c_str()), 0);
        args = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", program} + args;
        program = "/usr/bin/setpriv";
    }
    ASSERT_EQ(::chmod(p("t/locked").c_str(), 0), 0);
    ASSERT_EQ(::chmod(dir.path().toLocal8Bit().constData(), 0755), 0);
    QProcess run;
    run.start(program, args);
    run.waitForFinished(60000);
    const QString err = QString::fromUtf8(run.readAllStandardError());
    ::chmod(p("t/locked").c_str(), 0755);
    if (::geteuid() == 0 && err.contains("setpriv")) GTEST_SKIP() << err.toStdString();
    EXPECT_EQ(run.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.endsWith("1 unreadable, 0 inexact names\n")) << err.toStdString();
    const QString found = kxtool({"find", q("t.kx"), "--damaged"}).out;
    EXPECT_TRUE(found.startsWith("locked\t0\t") && found.count('\n') == 1) << found.toStdString();
}

// A chain of folders longer than a path may be is read folder by folder: all of it is listed,
// down to the file at its end.
TEST_F(ScanTest, ChainDeeperThanAPathMayBeIsListedWhole) {
    folder("t");
    int fd = ::open(p("t").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    const std::string longName(200, 'x');
    std::size_t pathLength = p("t").size();
    for (int i = 0; i < 40; ++i) {
        const std::string name = std::to_string(i) + longName;
        ASSERT_EQ(::mkdirat(fd, name.c_str(), 0755), 0);
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        ASSERT_GE(fd = next, 0);
        pathLength += name.size() + 1;
    }
    const int f = ::openat(fd, "deepest.txt", O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(f, 0);
    ASSERT_EQ(::write(f, "deep", 4), 4);
    ::close(f);
    ::close(fd);
    ASSERT_GT(pathLength, std::size_t(PATH_MAX));
    const ToolRun r = kxtool({"scan", q("t"), q("t.kx")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("42 entries: 41 folders, 1 file, 4 bytes")) << r.err.toStdString();
    const QString found = kxtool({"find", q("t.kx"), "deepest"}).out;
    EXPECT_TRUE(found.contains(QString::fromStdString("39" + longName + "\\\\deepest.txt\t1\t")))
        << found.toStdString();
    ASSERT_EQ(std::system(("rm -rf '" + p("t") + "'").c_str()), 0); // too deep for QDir
}

// A file system mounted inside the tree is listed, not entered, unless asked; a pseudo file
// system never. Needs root to mount; skipped elsewhere.
TEST_F(ScanTest, OtherFileSystemsAreNotEntered) {
    folder("t/mnt");
    folder("t/proc");
    if (::geteuid() != 0 || ::mount("scantest", p("t/mnt").c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a file system here";
    const bool proc = ::mount("proc", p("t/proc").c_str(), "proc", 0, nullptr) == 0;
    file("t/mnt/inner.txt", "abc");
    const ToolRun one = kxtool({"scan", q("t"), q("one.kx")});
    const ToolRun cross = kxtool({"scan", q("t"), q("cross.kx"), "--cross-file-systems"});
    ::umount(p("t/mnt").c_str());
    if (proc) ::umount(p("t/proc").c_str());
    EXPECT_EQ(one.status, 0) << one.err.toStdString();
    EXPECT_TRUE(one.err.contains(proc ? QString("; 2 folders on other file systems not entered\n")
                                      : QString("; 1 folder on other file systems not entered\n")))
        << one.err.toStdString();
    EXPECT_FALSE(row(q("one.kx"), "", "mnt").isEmpty());
    EXPECT_TRUE(kxtool({"find", q("one.kx"), "inner"}).out.isEmpty());
    EXPECT_EQ(cross.status, 0) << cross.err.toStdString();
    EXPECT_TRUE(kxtool({"find", q("cross.kx"), "inner"}).out.startsWith("mnt\\\\inner.txt\t"));
    if (proc) {
        EXPECT_EQ(kxtool({"ls", q("cross.kx"), "proc"}).out, "..\n");
    }
}

// "Changed" is the modification time; "Created" the birth time where the file system keeps one,
// else empty. The header is the label given, else the folder and the time of the scan.
TEST_F(ScanTest, DatesAndHeader) {
    folder("t");
    file("t/f.txt", "x");
    ::setenv("TZ", "UTC", 1); // for kxtool too
    ::tzset();
    const std::time_t changed = 981173106; // 2001-02-03 04:05:06 UTC
    const timespec times[2] = {{changed, 0}, {changed, 0}};
    // The status changes a second after the birth, so the two times differ.
    const std::time_t born = std::time(nullptr);
    while (std::time(nullptr) == born)
        ::usleep(20000);
    ASSERT_EQ(::utimensat(AT_FDCWD, p("t/f.txt").c_str(), times, 0), 0);
    struct statx sx {};
    ASSERT_EQ(::statx(AT_FDCWD, p("t/f.txt").c_str(), 0, STATX_BTIME | STATX_CTIME, &sx), 0);
    if (sx.stx_mask & STATX_BTIME) {
        ASSERT_NE(sx.stx_btime.tv_sec, sx.stx_ctime.tv_sec);
    }
    const std::string created =
        (sx.stx_mask & STATX_BTIME) ? kx::listDate(std::time_t(sx.stx_btime.tv_sec)) : "";
    ASSERT_EQ(kxtool({"scan", q("t"), q("t.kx"), "--label", "My disk \xD0\xA4"}).status, 0);
    const QString dates = QString::fromStdString("f.txt\t1\t" + created + "\t03.02.2001 04:05:06");
    EXPECT_EQ(row(q("t.kx"), "", "f.txt").section('\t', 0, 3), dates);
    EXPECT_TRUE(kxtool({"info", q("t.kx")}).out.startsWith("header\tMy disk \xD0\xA4\n"));

    ASSERT_EQ(kxtool({"scan", q("t"), q("u.kx")}).status, 0);
    const QString header = kxtool({"info", q("u.kx")}).out.section('\n', 0, 0);
    EXPECT_TRUE(header.startsWith("header\t" + q("t")) && header.contains(", scanned "))
        << header.toStdString();
}

// A disk is named by its label where it has one, else by its UUID, as the system's links to its
// device say. Device nodes can be made by root only; skipped elsewhere.
TEST_F(ScanTest, DiskIsNamedByLabelElseUuid) {
    const dev_t labelled = makedev(7, 250), plain = makedev(7, 251), unknown = makedev(7, 252);
    folder("disk/by-label");
    folder("disk/by-uuid");
    if (::mknod(p("disk/by-label/My\\x20Disk").c_str(), S_IFBLK | 0600, labelled) != 0)
        GTEST_SKIP() << "cannot make a device node here";
    ASSERT_EQ(::mknod(p("disk/by-uuid/1234-ABCD").c_str(), S_IFBLK | 0600, labelled), 0);
    ASSERT_EQ(::mknod(p("disk/by-uuid/5678-EF01").c_str(), S_IFBLK | 0600, plain), 0);
    EXPECT_EQ(kx::scandisk::diskName(labelled, p("disk")), "label My Disk");
    EXPECT_EQ(kx::scandisk::diskName(plain, p("disk")), "UUID 5678-EF01");
    EXPECT_EQ(kx::scandisk::diskName(unknown, p("disk")), "");
}

// The list's bytes do not depend on how many threads read the folders.
TEST_F(ScanTest, SameListWhateverTheThreads) {
    for (int i = 0; i < 30; ++i)
        for (int j = 0; j < i % 7; ++j) {
            const std::string sub = "t/" + std::to_string(i) + "/" + std::to_string(j);
            folder(sub + "/deeper");
            file(sub + "/file" + std::to_string(i * j), std::string(std::size_t(i * j), 'x'));
        }
    std::string first;
    for (const unsigned threads : {1u, 2u, 4u}) {
        SCOPED_TRACE(threads);
        kx::ScanOptions options;
        options.label = "same";
        options.threads = threads;
        kx::StringSink sink;
        const kx::ScanReport r = kx::scanFolderInto(p("t"), sink, options);
        EXPECT_EQ(r.entries, 281u); // the root, 25 folders, 85 of a folder, its folder and its file
        if (first.empty())
            first = sink.data();
        else
            EXPECT_TRUE(sink.data() == first);
    }
}

} // namespace
