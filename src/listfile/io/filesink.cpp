// Buffered writing to a file descriptor.
#include "listfile/io/filesink.h"

#include "listfile/io/fd.h"

#include <algorithm>
#include <cstring>

namespace kx::io {

FileSink::FileSink(int fd, std::string path, std::size_t bufferSize)
    : m_fd(fd), m_path(std::move(path)), m_buf(bufferSize) {}

void FileSink::flushBuffer() {
    writeAll(m_fd, m_buf.data(), m_len, m_path);
    m_len = 0;
}

void FileSink::write(const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (n > 0) {
        const std::size_t k = std::min(n, m_buf.size() - m_len);
        std::memcpy(m_buf.data() + m_len, p, k);
        m_len += k;
        p += k;
        n -= k;
        if (m_len == m_buf.size()) flushBuffer();
    }
}

void FileSink::finish() {
    flushBuffer();
    syncFile(m_fd, m_path);
}

} // namespace kx::io
