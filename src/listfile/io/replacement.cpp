// Replacing a user's file: the checks before, the new file beside it, the rename or the write in
// place after.
#include "listfile/io/replacement.h"

#include "listfile/io/error.h"
#include "listfile/io/paths.h"

#include <cerrno>
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

namespace {

FileIdentity identityFrom(const struct stat& st) {
    return {st.st_dev, st.st_ino, st.st_size, st.st_ctim};
}

} // namespace

std::optional<FileIdentity> identityOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return identityFrom(st);
}

std::string followLinks(const std::string& path) {
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
        std::vector<char> buf(std::size_t(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(p.c_str(), buf.data(), buf.size());
        if (n < 0) throwSystemError(ErrorCode::readFailed, p);
        if (std::size_t(n) >= buf.size()) continue; // the link changed meanwhile: read it again
        const std::string link(buf.data(), std::size_t(n));
        p = link[0] == '/' ? link : paths::folderOf(p) + link;
    }
    throw Error(ErrorCode::notFound, path, ELOOP);
}

FileReplacement::FileReplacement(const std::string& path, ReplaceChecks checks)
    : m_target(followLinks(path)), m_checks(std::move(checks)) {
    struct stat st {};
    if (::stat(m_target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) throw Error(ErrorCode::notRegularFile, m_target);
        // Root may write any file: the mode's write bits say what the owner meant.
        if ((st.st_mode & 0222) == 0 || (::access(m_target.c_str(), W_OK) != 0 && errno == EACCES))
            throw Error(ErrorCode::readOnlyList, m_target);
        m_old = UniqueFd(::open(m_target.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!m_old) throwSystemError(ErrorCode::readFailed, m_target);
        if (::fstat(m_old.get(), &st) != 0) throwSystemError(ErrorCode::readFailed, m_target);
        if (!S_ISREG(st.st_mode)) throw Error(ErrorCode::notRegularFile, m_target);
        // The lock is advisory: it keeps two saves of this program from crossing.
        if (::flock(m_old.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK) throw Error(ErrorCode::listBusy, m_target);
            throwSystemError(ErrorCode::readFailed, m_target);
        }
        m_found = identityFrom(st);
        m_mode = st.st_mode & 07777;
        m_owner = st.st_uid;
        m_group = st.st_gid;
        m_links = st.st_nlink;
        checkUnchanged();
    } else if (errno != ENOENT) {
        throwSystemError(ErrorCode::readFailed, m_target);
    } else if (m_checks.expected && !m_checks.overwriteChanged) {
        throw Error(ErrorCode::changedOnDisk, m_target, 0, "the file is gone");
    }
    const std::string name = paths::fileNameOf(m_target);
    m_temp.emplace(TempFile::withFreeName(paths::folderOf(m_target), "." + name + ".saving-",
                                          m_found ? 0600 : 0666));
}

void FileReplacement::checkUnchanged() const {
    if (m_checks.overwriteChanged) return;
    const std::optional<FileIdentity> reference = m_checks.expected ? m_checks.expected : m_found;
    if (!reference) return;
    const std::optional<FileIdentity> now = identityOf(m_target);
    // The lock is held on the file found: one put in its place since holds no lock of ours.
    if (!now || *now != *reference || (m_found && *now != *m_found))
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

void FileReplacement::writeInPlace() {
    // The new file, whole and on the device, is the copy kept while the old one is written over.
    syncFile(m_temp->fd(), m_temp->path());
    UniqueFd out(::open(m_target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    if (!out) throwSystemError(ErrorCode::replaceFailed, m_target);
    try {
        std::vector<char> buf(1 << 20);
        std::uint64_t at = 0;
        while (const std::size_t n = readAt(m_temp->fd(), at, buf.data(), buf.size(), tempPath())) {
            writeAt(out.get(), at, buf.data(), n, m_target);
            at += n;
        }
        if (::ftruncate(out.get(), off_t(at)) != 0)
            throwSystemError(ErrorCode::writeFailed, m_target);
        syncFile(out.get(), m_target);
        out.close(m_target);
    } catch (const Error& e) {
        m_temp->keep();
        throw Error(e.code(), m_target, e.sysErrno(),
                    "the new list is kept whole in " + m_temp->path());
    }
}

FileIdentity FileReplacement::commit() {
    if (m_found && m_links > 1) {
        checkUnchanged();
        writeInPlace();
    } else {
        if (m_found) takeOldAttributes();
        m_temp->syncAndClose();
        checkUnchanged();
        m_temp->commit(m_target, m_found.has_value());
    }
    const std::optional<FileIdentity> now = identityOf(m_target);
    if (!now) throw Error(ErrorCode::replaceFailed, m_target, ENOENT);
    return *now;
}

} // namespace kx::io
