// The name index's temporary files.
#include "catalog/spool.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kx::catalog {

namespace {

constexpr std::size_t kPiece = 256 * 1024;

} // namespace

Error writeFailure(const std::string& path) {
    return Error(ErrorCode::catalogueFailed, path, errno, "the name index cannot be written");
}

Spool::Spool(const std::string& near, bool keep) : m_path(near + ".XXXXXX") {
    m_fd = ::mkstemp(m_path.data());
    if (m_fd < 0) throw writeFailure(near);
    if (!keep) ::unlink(m_path.c_str());
    ::fchmod(m_fd, 0600);
}

Spool::~Spool() {
    if (m_fd >= 0) ::close(m_fd);
}

void Spool::write(const void* p, std::size_t n) {
    m_buffer.append(static_cast<const char*>(p), n);
    m_size += n;
    if (m_buffer.size() >= kPiece) flush();
}

void Spool::text(std::string_view t) {
    write(t.data(), t.size());
    write("", 1);
}

void Spool::flush() {
    std::size_t done = 0;
    while (done < m_buffer.size()) {
        const ssize_t n = ::write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw writeFailure(m_path);
        done += std::size_t(n);
    }
    m_buffer.clear();
}

void Spool::copyTo(Spool& to) {
    std::vector<char> piece(kPiece);
    for (std::uint64_t at = 0; at < m_size;) {
        const std::size_t n = read(at, piece.data(), piece.size());
        if (n == 0) throw writeFailure(m_path);
        to.write(piece.data(), n);
        at += n;
    }
}

std::size_t Spool::read(std::uint64_t at, void* into, std::size_t n) {
    if (!m_buffer.empty()) flush();
    for (;;) {
        const ssize_t got = ::pread(m_fd, into, n, off_t(at));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw writeFailure(m_path);
        return std::size_t(got);
    }
}

} // namespace kx::catalog
