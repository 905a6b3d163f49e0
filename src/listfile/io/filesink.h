// Buffered writing to a file descriptor that someone else owns.
#pragma once

#include "listfile/io/bytes.h"

#include <string>
#include <vector>

namespace kx::io {

// Every failure throws Error with `path`, so a full disk is reported instead of leaving a
// silently short file.
class FileSink : public ByteSink {
public:
    FileSink(int fd, std::string path, std::size_t bufferSize = 1 << 20);
    void write(const void* data, std::size_t n) override;
    // Writes what is buffered and flushes the file to its device.
    void finish();

private:
    void flushBuffer();
    int m_fd;
    std::string m_path;
    std::vector<std::uint8_t> m_buf;
    std::size_t m_len = 0;
};

} // namespace kx::io
