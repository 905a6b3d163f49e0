// A temporary file written front to back through a buffer and read back at any offset: the name
// index is made of them, section by section, and so are the postings' runs.
#pragma once

#include "listfile/io/error.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kx::catalog {

// The failure of a write of the name index (or of a temporary file beside it).
Error writeFailure(const std::string& path);

class Spool {
public:
    // A new file named after `near`; unless `keep`, it has no name and goes with the object.
    Spool(const std::string& near, bool keep);
    ~Spool();
    Spool(const Spool&) = delete;
    Spool& operator=(const Spool&) = delete;

    void write(const void* p, std::size_t n);
    // The text and a NUL.
    void text(std::string_view t);
    void flush();
    // Everything written so far, appended to `to`.
    void copyTo(Spool& to);
    // Up to `n` bytes written before, from `at`; returns how many.
    std::size_t read(std::uint64_t at, void* into, std::size_t n);

    std::uint64_t size() const { return m_size; }
    int fd() const { return m_fd; }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    int m_fd = -1;
    std::string m_buffer;
    std::uint64_t m_size = 0;
};

} // namespace kx::catalog
