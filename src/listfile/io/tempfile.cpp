// Temporary files created exclusively and removed through their folder.
#include "listfile/io/tempfile.h"

#include "listfile/io/error.h"
#include "listfile/io/paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace kx::io {

namespace {

// The folder held open. A folder that may be searched but not read still gives a handle that
// opens, renames and removes names in it; only its flush to the device is then skipped.
UniqueFd openFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    return UniqueFd(fd);
}

[[noreturn]] void throwCreateError(const std::string& path) {
    const int e = errno;
    ErrorCode code = codeForErrno(e, ErrorCode::createFailed);
    // A missing folder is a file that cannot be created, not a file that was not found.
    if (code == ErrorCode::notFound) code = ErrorCode::createFailed;
    throw Error(code, path, e);
}

std::string randomLetters() {
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    std::string s(6, ' ');
    for (char& c : s)
        c = kLetters[pick(random)];
    return s;
}

} // namespace

TempFile::TempFile(const std::string& path, mode_t mode)
    : TempFile(openFolder(paths::folderOf(path)), paths::folderOf(path), paths::fileNameOf(path),
               mode, false) {}

TempFile TempFile::withFreeName(const std::string& folder, const std::string& prefix, mode_t mode) {
    // Room for the six letters within the longest name the folder takes.
    const long nameMax = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    const std::size_t room = std::size_t(nameMax > 6 ? nameMax : 255) - 6;
    std::string fitting = prefix;
    if (fitting.size() > room) {
        // Shortened in its middle, where it names the file, never inside a UTF-8 character.
        const std::size_t tail = std::min<std::size_t>(16, room / 2);
        std::size_t head = room - tail;
        while (head > 0 && (std::uint8_t(fitting[head]) & 0xC0) == 0x80)
            --head;
        fitting = prefix.substr(0, head) + prefix.substr(prefix.size() - tail);
    }
    return TempFile(openFolder(folder), folder, fitting, mode, true);
}

TempFile::TempFile(UniqueFd folder, std::string folderPath, std::string name, mode_t mode,
                   bool freeName)
    : m_folder(std::move(folder)) {
    if (!m_folder) throwCreateError(folderPath + name);
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_name = freeName ? name + randomLetters() : name;
        m_path = folderPath + m_name;
        m_file = UniqueFd(
            ::openat(m_folder.get(), m_name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (m_file || errno != EEXIST || !freeName) break;
    }
    if (!m_file) throwCreateError(m_path);
}

TempFile::~TempFile() {
    if (m_committed || m_name.empty() || !m_folder) return;
    // A moved-from object holds no folder and removes nothing.
    m_file = UniqueFd();
    ::unlinkat(m_folder.get(), m_name.c_str(), 0);
}

void TempFile::syncAndClose() {
    syncFile(m_file.get(), m_path);
    m_file.close(m_path);
}

void TempFile::commit(const std::string& target, bool replace) {
    int rc = ::renameat2(m_folder.get(), m_name.c_str(), AT_FDCWD, target.c_str(),
                         replace ? 0 : RENAME_NOREPLACE);
    if (rc != 0 && !replace && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without that rename: a second name that cannot replace, then the first
        // one removed.
        rc = ::linkat(m_folder.get(), m_name.c_str(), AT_FDCWD, target.c_str(), 0);
        if (rc == 0) ::unlinkat(m_folder.get(), m_name.c_str(), 0);
    }
    if (rc != 0) {
        const int e = errno;
        throw Error(e == EEXIST && !replace ? ErrorCode::alreadyExists : ErrorCode::replaceFailed,
                    target, e);
    }
    m_committed = true;
    ::fsync(m_folder.get()); // the rename itself made durable, where the folder could be read
}

} // namespace kx::io
