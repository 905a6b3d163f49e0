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

std::string freeNamePrefix(int folder, const std::string& prefix) {
    // Room for the six letters within the longest name the folder takes.
    const long nameMax = ::fpathconf(folder, _PC_NAME_MAX);
    const std::size_t room = std::size_t(nameMax > 6 ? nameMax : 255) - 6;
    if (prefix.size() <= room) return prefix;
    // Shortened in its middle, where it names the file, never inside a UTF-8 character.
    const std::size_t tail = std::min<std::size_t>(16, room / 2);
    std::size_t head = room - tail;
    while (head > 0 && (std::uint8_t(prefix[head]) & 0xC0) == 0x80)
        --head;
    return prefix.substr(0, head) + prefix.substr(prefix.size() - tail);
}

namespace {

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
    return withFreeName(openFolder(folder), folder, prefix, mode);
}

TempFile TempFile::withFreeName(UniqueFd folder, const std::string& folderPath,
                                const std::string& prefix, mode_t mode) {
    if (!folder) throwCreateError(folderPath + prefix);
    const std::string fitting = freeNamePrefix(folder.get(), prefix);
    return TempFile(std::move(folder), folderPath, fitting, mode, true);
}

TempFile::TempFile(UniqueFd folder, std::string folderPath, std::string name, mode_t mode,
                   bool freeName)
    : m_folder(std::move(folder)), m_folderPath(std::move(folderPath)) {
    if (!m_folder) throwCreateError(m_folderPath + name);
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_name = freeName ? name + randomLetters() : name;
        m_path = m_folderPath + m_name;
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

bool TempFile::moveTo(const std::string& name, bool replace) {
    const int fd = m_folder.get();
    if (::renameat2(fd, m_name.c_str(), fd, name.c_str(), replace ? 0 : RENAME_NOREPLACE) == 0)
        return true;
    if (replace || (errno != EINVAL && errno != ENOSYS)) return false;
    // A file system without that rename: a second name that cannot replace, then the first one
    // removed.
    if (::linkat(fd, m_name.c_str(), fd, name.c_str(), 0) != 0) return false;
    ::unlinkat(fd, m_name.c_str(), 0);
    return true;
}

void TempFile::commit(const std::string& name, bool replace) {
    if (!moveTo(name, replace)) {
        const int e = errno;
        throw Error(e == EEXIST && !replace ? ErrorCode::alreadyExists : ErrorCode::replaceFailed,
                    m_folderPath + name, e);
    }
    m_committed = true;
    ::fsync(m_folder.get()); // the rename itself made durable, where the folder could be read
}

void TempFile::renameToFreeName(const std::string& prefix) {
    const std::string fitting = freeNamePrefix(m_folder.get(), prefix);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = fitting + randomLetters();
        if (moveTo(name, false)) {
            m_name = name;
            m_path = m_folderPath + name;
            ::fsync(m_folder.get());
            return;
        }
        if (errno != EEXIST) break;
    }
    throwSystemError(ErrorCode::replaceFailed, m_path);
}

} // namespace kx::io
