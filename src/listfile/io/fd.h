// File descriptors: an owner that closes on every path, and reads and writes that go on after a
// signal and throw Error with the path and errno when the system refuses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kx::io {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();

    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    int release();
    // Closes now and reports what the close says: a delayed write error of `path` throws Error
    // (writeFailed, noSpace). Closing a closed descriptor does nothing.
    void close(const std::string& path);

private:
    int m_fd = -1;
};

// Reads `n` bytes at `offset`; fewer only where the file ends. Throws Error (readFailed) when the
// read fails.
std::size_t readAt(int fd, std::uint64_t offset, void* into, std::size_t n,
                   const std::string& path);
// Reads `n` bytes from the current position; fewer only where the file ends.
std::size_t readUpTo(int fd, void* into, std::size_t n, const std::string& path);
// Writes all `n` bytes at the current position or, with writeAt, at `offset`. Throws Error
// (writeFailed, noSpace) when the system writes less.
void writeAll(int fd, const void* data, std::size_t n, const std::string& path);
void writeAt(int fd, std::uint64_t offset, const void* data, std::size_t n,
             const std::string& path);
// Flushes the file to its device; a pipe or a device that cannot be flushed is no loss.
void syncFile(int fd, const std::string& path);

} // namespace kx::io
