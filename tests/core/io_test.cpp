// The file helpers: temporary files that never take the place of a file that is there and that
// leave nothing behind unless committed, and writes that report a full device by code.
#include "common/fixtures.h"
#include "listfile/io/error.h"
#include "listfile/io/fd.h"
#include "listfile/io/tempfile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

using namespace kxtest;

namespace {

kx::ErrorCode codeOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const kx::Error& e) {
        return e.code();
    }
    return kx::ErrorCode::other;
}

TEST(TempFile, NeverTakesThePlaceOfWhatIsThere) {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/";
    writeFile(folder + "taken", "someone else's");
    ASSERT_EQ(::symlink((folder + "nowhere").c_str(), (folder + "link").c_str()), 0);
    for (const char* name : {"taken", "link"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(codeOf([&] { kx::io::TempFile t(folder + name); }), kx::ErrorCode::createFailed);
    }
    EXPECT_EQ(readFile(folder + "taken"), "someone else's");
    EXPECT_EQ(codeOf([&] { kx::io::TempFile t(folder + "missing/x"); }),
              kx::ErrorCode::createFailed);
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/nowhere"));
}

TEST(TempFile, IsRemovedUnlessCommitted) {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/";
    writeFile(folder + "list", "old");
    std::string kept;
    {
        kx::io::TempFile a(folder + "a");
        kx::io::TempFile b = kx::io::TempFile::withFreeName(folder, ".list.saving-");
        kx::io::TempFile c = kx::io::TempFile::withFreeName(folder, ".list.saving-");
        EXPECT_NE(b.path(), c.path());
        EXPECT_EQ(b.path().size(), folder.size() + 13 + 6);
        kx::io::writeAll(c.fd(), "new", 3, c.path());
        c.syncAndClose();
        c.commit("list");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("list")});
    EXPECT_EQ(readFile(folder + "list"), "new");
}

TEST(FileWrites, AFullDeviceIsNoSpace) {
    const int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    kx::io::UniqueFd full(fd);
    EXPECT_EQ(codeOf([&] { kx::io::writeAll(full.get(), "x", 1, "/dev/full"); }),
              kx::ErrorCode::noSpace);
}

} // namespace
