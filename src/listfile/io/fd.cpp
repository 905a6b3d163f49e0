// File descriptors and the reads and writes over them.
#include "listfile/io/fd.h"

#include "listfile/io/error.h"

#include <cerrno>
#include <unistd.h>

namespace kx::io {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = other.release();
    }
    return *this;
}

UniqueFd::~UniqueFd() {
    if (m_fd >= 0) ::close(m_fd);
}

int UniqueFd::release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void UniqueFd::close(const std::string& path) {
    if (m_fd < 0) return;
    // The descriptor is gone after close() even when it reports EINTR: never close it twice.
    if (::close(release()) != 0 && errno != EINTR) throwSystemError(ErrorCode::writeFailed, path);
}

namespace {

// Moves up to `n` bytes with `op(p, n, done)` until all are moved or `op` returns 0.
template <class Op>
std::size_t repeat(std::size_t n, ErrorCode code, const std::string& path, Op&& op) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r = op(done);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) throwSystemError(code, path);
        if (r == 0) break;
        done += std::size_t(r);
    }
    return done;
}

} // namespace

std::size_t readAt(int fd, std::uint64_t offset, void* into, std::size_t n,
                   const std::string& path) {
    auto* p = static_cast<char*>(into);
    return repeat(n, ErrorCode::readFailed, path, [&](std::size_t done) {
        return ::pread(fd, p + done, n - done, off_t(offset + done));
    });
}

std::size_t readUpTo(int fd, void* into, std::size_t n, const std::string& path) {
    auto* p = static_cast<char*>(into);
    return repeat(n, ErrorCode::readFailed, path,
                  [&](std::size_t done) { return ::read(fd, p + done, n - done); });
}

namespace {

void checkWritten(std::size_t written, std::size_t n, const std::string& path) {
    // A write that takes nothing without an error: the device has no room for more.
    if (written < n) throw Error(ErrorCode::noSpace, path, ENOSPC);
}

} // namespace

void writeAll(int fd, const void* data, std::size_t n, const std::string& path) {
    const auto* p = static_cast<const char*>(data);
    checkWritten(repeat(n, ErrorCode::writeFailed, path,
                        [&](std::size_t done) { return ::write(fd, p + done, n - done); }),
                 n, path);
}

void writeAt(int fd, std::uint64_t offset, const void* data, std::size_t n,
             const std::string& path) {
    const auto* p = static_cast<const char*>(data);
    checkWritten(repeat(n, ErrorCode::writeFailed, path,
                        [&](std::size_t done) {
                            return ::pwrite(fd, p + done, n - done, off_t(offset + done));
                        }),
                 n, path);
}

void syncFile(int fd, const std::string& path) {
    if (::fsync(fd) != 0 && errno != EINVAL) throwSystemError(ErrorCode::writeFailed, path);
}

} // namespace kx::io
