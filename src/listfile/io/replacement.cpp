// Replacing a user's file: the file opened and checked before, the new file beside it, the rename
// or the write in place through the opened file after.
#include "listfile/io/replacement.h"

#include "listfile/io/error.h"
#include "listfile/io/paths.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace kx::io {

bool FileIdentity::operator==(const FileIdentity& o) const {
    return device == o.device && inode == o.inode && size == o.size &&
           changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
}

void (*FileReplacement::afterFlush)(const std::string& target) = nullptr;

namespace {

// What follows a list's name in the name of the new list that a write in place keeps beside it.
const char kKeptSuffix[] = ".saved-";

FileIdentity identityFrom(const struct stat& st) {
    return {st.st_dev, st.st_ino, st.st_size, st.st_ctim};
}

// The path the system opened `fd` at, as it records it; empty where it cannot say.
std::string pathOfOpened(int fd) {
    const std::string record = "/proc/self/fd/" + std::to_string(fd);
    std::vector<char> buf(4097);
    const ssize_t n = ::readlink(record.c_str(), buf.data(), buf.size());
    if (n <= 0 || std::size_t(n) >= buf.size() || buf[0] != '/') return {};
    return std::string(buf.data(), std::size_t(n));
}

// Whether a file of this process may be given `owner` and `group` (see fchown(2)).
bool mayGive(uid_t owner, gid_t group) {
    if (::geteuid() == 0) return true;
    if (owner != ::geteuid()) return false;
    if (group == ::getegid()) return true;
    std::vector<gid_t> groups(std::size_t(std::max(::getgroups(0, nullptr), 0)));
    const int n = ::getgroups(int(groups.size()), groups.data());
    return n > 0 && std::find(groups.begin(), groups.begin() + n, group) != groups.begin() + n;
}

UniqueFd duplicate(const UniqueFd& fd) {
    return UniqueFd(::fcntl(fd.get(), F_DUPFD_CLOEXEC, 0));
}

} // namespace

std::optional<FileIdentity> identityOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return identityFrom(st);
}

FileReplacement::FileReplacement(const std::string& path, ReplaceChecks checks)
    : m_path(path), m_target(path), m_checks(std::move(checks)) {
    if (!openOld(path)) {
        if (m_checks.expected && !m_checks.overwriteChanged)
            throw Error(ErrorCode::changedOnDisk, path, 0, "the file is gone");
        m_name = paths::fileNameOf(path);
        m_folder = openFolder(paths::folderOf(path));
        if (!m_folder) throwCreateError(path);
        // A new file is made at the name itself, never through a link to nothing: such a link
        // may point anywhere, and another user may have put it there.
        struct stat st {};
        if (::fstatat(m_folder.get(), m_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
            throw Error(ErrorCode::alreadyExists, path);
    }
    m_temp.emplace(TempFile::withFreeName(duplicate(m_folder), paths::folderOf(m_target),
                                          "." + m_name + ".saving-", m_found ? 0600 : 0666));
}

bool FileReplacement::openOld(const std::string& path) {
    constexpr int kFlags = O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    struct stat st {};
    // A device may act on being opened: what is plainly no regular file is not opened at all.
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        throw Error(ErrorCode::notRegularFile, path);
    // Opened for writing from the start, as a write in place goes through this descriptor.
    m_old = UniqueFd(::open(path.c_str(), O_RDWR | kFlags));
    if (!m_old) {
        const int e = errno;
        if (e == ENOENT) return false; // nothing there, or a link to nothing
        if (e == EISDIR) throw Error(ErrorCode::notRegularFile, path);
        // A file that opens for reading only is read-only; one that does not open at all (a link
        // that the system will not follow among them) is refused as the system says.
        if (e == EACCES || e == EPERM || e == EROFS || e == ETXTBSY) {
            const UniqueFd readable(::open(path.c_str(), O_RDONLY | kFlags));
            if (readable && ::fstat(readable.get(), &st) == 0 && S_ISREG(st.st_mode))
                throw Error(ErrorCode::readOnlyList, path);
        }
        errno = e;
        throwSystemError(ErrorCode::readFailed, path);
    }
    if (::fstat(m_old.get(), &st) != 0) throwSystemError(ErrorCode::readFailed, path);
    if (!S_ISREG(st.st_mode)) throw Error(ErrorCode::notRegularFile, path);
    // Root may write any file: the mode's write bits say what the owner meant.
    if ((st.st_mode & 0222) == 0) throw Error(ErrorCode::readOnlyList, path);
    // The lock is advisory: it keeps two saves of this program from crossing.
    if (::flock(m_old.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) throw Error(ErrorCode::listBusy, path);
        throwSystemError(ErrorCode::readFailed, path);
    }
    m_found = identityFrom(st);
    m_mode = st.st_mode & 07777;
    m_owner = st.st_uid;
    m_group = st.st_gid;
    // A rename would part the other hard links from the list, or give it to this process.
    m_inPlace = st.st_nlink > 1 || !mayGive(m_owner, m_group);
    // The folder to work in is the one the opened file is in, as the system says; the name there
    // is checked to be the file opened.
    const std::string opened = pathOfOpened(m_old.get());
    if (!opened.empty()) m_target = opened;
    m_name = paths::fileNameOf(m_target);
    m_folder = openFolder(paths::folderOf(m_target));
    if (!m_folder) throwCreateError(m_target);
    checkUnchanged();
    return true;
}

void FileReplacement::checkUnchanged() const {
    if (!m_found) return;
    // The file opened at the start is the one to replace: as it was found, and still the file
    // that its name in its folder and the caller's path lead to.
    struct stat st {};
    const bool same = ::fstat(m_old.get(), &st) == 0 && identityFrom(st) == *m_found &&
                      ::fstatat(m_folder.get(), m_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                      identityFrom(st) == *m_found && ::stat(m_path.c_str(), &st) == 0 &&
                      identityFrom(st) == *m_found;
    if (!same) throw Error(ErrorCode::changedOnDisk, m_target);
    if (m_checks.expected && !m_checks.overwriteChanged && *m_checks.expected != *m_found)
        throw Error(ErrorCode::changedOnDisk, m_target);
}

void FileReplacement::takeOldAttributes() {
    const int fd = m_temp->fd();
    const std::string& path = m_temp->path();
    // The owner where this process may give the file away, else the group at least.
    if (::fchown(fd, m_owner, m_group) != 0) (void)::fchown(fd, uid_t(-1), m_group);
    // Extended attributes, the access ACL (system.posix_acl_access) among them. Names this
    // process may not set (trusted.*, security.* as a user) or that the file system does not
    // take are left out; an ACL that cannot be given fails the save, as the file would be open
    // to other people than the old one.
    std::vector<char> names(1024);
    ssize_t n;
    while ((n = ::flistxattr(m_old.get(), names.data(), names.size())) < 0 && errno == ERANGE)
        names.resize(names.size() * 4);
    for (ssize_t at = 0; n > 0 && at < n;) {
        const std::string key(names.data() + at);
        at += ssize_t(key.size()) + 1;
        std::vector<char> value(256);
        ssize_t len;
        while ((len = ::fgetxattr(m_old.get(), key.c_str(), value.data(), value.size())) < 0 &&
               errno == ERANGE)
            value.resize(value.size() * 4);
        if (len < 0) continue;
        if (::fsetxattr(fd, key.c_str(), value.data(), std::size_t(len), 0) != 0 &&
            key.rfind("system.posix_acl", 0) == 0)
            throwSystemError(ErrorCode::replaceFailed, path, "the ACL cannot be kept");
    }
    // The mode last: a change of owner clears the set-id bits.
    if (::fchmod(fd, m_mode) != 0) throwSystemError(ErrorCode::replaceFailed, path);
}

FileIdentity FileReplacement::writeInPlace() {
    checkUnchanged();
    // The new list, whole and on the device, is kept under a name that says so until the old
    // file has been written over; the writes go to the file opened at the start.
    m_temp->renameToFreeName(m_name + kKeptSuffix);
    const int out = m_old.get();
    try {
        std::vector<char> buf(1 << 20);
        std::uint64_t at = 0;
        while (const std::size_t n = readAt(m_temp->fd(), at, buf.data(), buf.size(), tempPath())) {
            writeAt(out, at, buf.data(), n, m_target);
            at += n;
        }
        if (::ftruncate(out, off_t(at)) != 0) throwSystemError(ErrorCode::writeFailed, m_target);
        syncFile(out, m_target);
    } catch (const Error& e) {
        m_temp->keep();
        throw Error(e.code(), m_target, e.sysErrno(),
                    "the new list is kept whole in " + m_temp->path());
    }
    struct stat st {};
    if (::fstat(out, &st) != 0) throwSystemError(ErrorCode::readFailed, m_target);
    m_temp.reset(); // the kept copy goes once the list holds it
    return identityFrom(st);
}

FileIdentity FileReplacement::identityOfName() const {
    struct stat st {};
    if (::fstatat(m_folder.get(), m_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        throw Error(ErrorCode::replaceFailed, m_target, errno);
    return identityFrom(st);
}

FileIdentity FileReplacement::commit() {
    syncFile(m_temp->fd(), m_temp->path());
    if (afterFlush) afterFlush(m_target);
    if (m_found && m_inPlace) return writeInPlace();
    // The old file's attributes only now: what a kill leaves until here is its owner's only. The
    // second flush carries just them.
    if (m_found) takeOldAttributes();
    m_temp->syncAndClose();
    checkUnchanged();
    m_temp->commit(m_name, m_found.has_value());
    return identityOfName();
}

std::optional<std::string> keptSaveOf(const std::string& path) {
    const UniqueFd file(::open(path.c_str(), O_PATH | O_CLOEXEC));
    std::string opened = file ? pathOfOpened(file.get()) : std::string();
    if (opened.empty()) opened = path;
    const std::string folder = paths::folderOf(opened);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return std::nullopt;
    const std::string prefix =
        freeNamePrefix(::dirfd(dir), paths::fileNameOf(opened) + kKeptSuffix);
    std::optional<std::string> newest;
    timespec newestTime{};
    while (const dirent* d = ::readdir(dir)) {
        const std::string name = d->d_name;
        struct stat st {};
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0 ||
            ::fstatat(::dirfd(dir), d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode))
            continue;
        const timespec t = st.st_mtim;
        if (!newest || t.tv_sec > newestTime.tv_sec ||
            (t.tv_sec == newestTime.tv_sec && t.tv_nsec > newestTime.tv_nsec)) {
            newest = folder + name;
            newestTime = t;
        }
    }
    ::closedir(dir);
    return newest;
}

} // namespace kx::io
