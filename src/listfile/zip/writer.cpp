// The ZIP writer: pieces deflated side by side and joined into one stream, then the records of a
// one-entry archive around them.
#include "listfile/zip/writer.h"

#include "listfile/io/error.h"
#include "listfile/io/fd.h"
#include "listfile/zip/crc32.h"
#include "listfile/zip/records.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>

namespace kx::zip {

namespace {

// Deflates one piece at `level` as part of a longer stream: primed with the 32 KiB of data that
// precede it, ended with a sync flush (the last piece with the final block), so the pieces joined
// in order are one valid raw deflate stream.
std::vector<std::uint8_t> deflatePiece(int level, const std::uint8_t* data, std::size_t n,
                                       const std::uint8_t* dict, std::size_t dictLen, bool last) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw Error(ErrorCode::other, {}, 0, "cannot start compressing");
    struct End {
        z_stream* z;
        ~End() { deflateEnd(z); }
    } end{&z};
    if (dictLen) deflateSetDictionary(&z, dict, uInt(dictLen));
    // The output grows as it is needed: a list deflates to a few percent of its bytes, and a
    // buffer of deflateBound's size would be cleared for nothing.
    std::vector<std::uint8_t> out(64 << 10);
    std::size_t used = 0;
    z.next_in = const_cast<std::uint8_t*>(data);
    z.avail_in = uInt(n);
    for (;;) {
        z.next_out = out.data() + used;
        z.avail_out = uInt(out.size() - used);
        const int rc = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
        used = out.size() - z.avail_out;
        if (rc == Z_STREAM_END || (!last && rc == Z_OK && z.avail_out != 0)) break;
        if (rc != Z_OK) throw Error(ErrorCode::other, {}, 0, "compressing failed");
        out.resize(out.size() * 2);
    }
    if (z.avail_in != 0) throw Error(ErrorCode::other, {}, 0, "compressing failed");
    out.resize(used);
    return out;
}

// Threads joined on every way out of a scope.
struct JoinAll {
    std::vector<std::thread> threads;
    ~JoinAll() {
        for (auto& t : threads)
            if (t.joinable()) t.join();
    }
};

// The fields that the local header and the directory entry share, from "version needed" to the
// extra field's length.
void putEntryFields(std::vector<std::uint8_t>& v, const EntryHeader& entry, std::uint32_t crc,
                    std::uint32_t csize, std::uint32_t size) {
    put16(v, 20); // version needed: 2.0
    put16(v, 0);  // flags
    put16(v, 8);  // deflated
    put16(v, entry.dosTime);
    put16(v, entry.dosDate);
    put32(v, crc);
    put32(v, csize);
    put32(v, size);
    put16(v, std::uint32_t(entry.oemName.size()));
    put16(v, std::uint32_t(entry.extra.size()));
}

std::vector<std::uint8_t> localHeader(const EntryHeader& entry, std::uint32_t crc,
                                      std::uint32_t csize, std::uint32_t size) {
    std::vector<std::uint8_t> h;
    put32(h, kLocalSig);
    putEntryFields(h, entry, crc, csize, size);
    return h;
}

// The central directory and the end record of the one entry, whose data ends at `cdOffset`.
std::vector<std::uint8_t> directory(const EntryHeader& entry, std::uint32_t crc,
                                    std::uint32_t csize, std::uint32_t size,
                                    std::uint64_t cdOffset) {
    std::vector<std::uint8_t> cd;
    put32(cd, kCentralSig);
    put16(cd, 20); // made by: MS-DOS host, format 2.0
    putEntryFields(cd, entry, crc, csize, size);
    put16(cd, 0); // comment
    put16(cd, 0); // disk number start
    put16(cd, 0); // internal attributes
    put32(cd, entry.attributes);
    put32(cd, 0); // local header offset
    cd.insert(cd.end(), entry.oemName.begin(), entry.oemName.end());
    cd.insert(cd.end(), entry.extra.begin(), entry.extra.end());
    const std::uint64_t cdSize = cd.size();
    put32(cd, kEndSig);
    put16(cd, 0);
    put16(cd, 0);
    put16(cd, 1);
    put16(cd, 1);
    put32(cd, std::uint32_t(cdSize));
    put32(cd, std::uint32_t(cdOffset));
    put16(cd, 0);
    return cd;
}

} // namespace

constexpr std::size_t kPiece = 4 << 20, kWindow = 32 << 10;

ArchiveSink::ArchiveSink(int out, std::string outPath, EntryHeader entry, int level)
    : m_out(out), m_outPath(std::move(outPath)), m_entry(std::move(entry)), m_level(level),
      m_workers(std::max(1u, std::min(8u, std::thread::hardware_concurrency()))),
      m_data(m_workers * kPiece + kWindow) {
    // The sizes are not known before the data is written: the header is written again after it.
    const std::vector<std::uint8_t> local = localHeader(m_entry, 0, 0, 0);
    io::writeAll(m_out, local.data(), local.size(), m_outPath);
    io::writeAll(m_out, m_entry.oemName.data(), m_entry.oemName.size(), m_outPath);
    io::writeAll(m_out, m_entry.extra.data(), m_entry.extra.size(), m_outPath);
}

void ArchiveSink::write(const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    const std::size_t room = m_workers * kPiece;
    while (n > 0) {
        // A full round is deflated only once more bytes come, so the last round is never empty.
        if (m_filled == room) deflateRound(false);
        const std::size_t k = std::min(n, room - m_filled);
        std::memcpy(m_data.data() + m_carried + m_filled, p, k);
        m_filled += k;
        p += k;
        n -= k;
    }
}

// Deflates the bytes of this round, a piece per core at a time, and writes them in order. A
// piece whose thread cannot start is deflated on this thread.
void ArchiveSink::deflateRound(bool last) {
    const std::size_t got = m_filled;
    m_crc = crc32Update(m_crc, m_data.data() + m_carried, got);
    m_size += got;
    const std::size_t pieces = std::max<std::size_t>(1, (got + kPiece - 1) / kPiece);
    std::vector<std::vector<std::uint8_t>> outs(pieces);
    std::vector<std::exception_ptr> errors(pieces);
    {
        JoinAll workersOfRound;
        workersOfRound.threads.reserve(pieces);
        for (std::size_t i = 0; i < pieces; ++i) {
            const std::size_t from = m_carried + i * kPiece;
            const std::size_t n = std::min(kPiece, got - std::min(got, i * kPiece));
            const std::size_t dictLen = std::min(kWindow, from);
            const bool lastPiece = last && i + 1 == pieces;
            auto job = [&, i, from, n, dictLen, lastPiece] {
                try {
                    outs[i] = deflatePiece(m_level, m_data.data() + from, n,
                                           m_data.data() + from - dictLen, dictLen, lastPiece);
                } catch (...) {
                    errors[i] = std::current_exception();
                }
            };
            if (i + 1 == pieces) {
                job(); // the last piece on this thread
                continue;
            }
            try {
                workersOfRound.threads.emplace_back(job);
            } catch (const std::system_error&) {
                job();
            }
        }
    }
    for (std::size_t i = 0; i < pieces; ++i) {
        if (errors[i]) std::rethrow_exception(errors[i]);
        io::writeAll(m_out, outs[i].data(), outs[i].size(), m_outPath);
        m_csize += outs[i].size();
    }
    if (last) return;
    // Keep the last 32 KiB as the next round's dictionary.
    std::memmove(m_data.data(), m_data.data() + m_carried + got - kWindow, kWindow);
    m_carried = kWindow;
    m_filled = 0;
}

void ArchiveSink::finish() {
    deflateRound(true);
    if (m_size >= 0xFFFFFFFFull || m_csize >= 0xFFFFFFFFull)
        throw Error(ErrorCode::tooLarge, m_outPath);
    const auto size = std::uint32_t(m_size), csize = std::uint32_t(m_csize);
    const std::vector<std::uint8_t> local = localHeader(m_entry, m_crc, csize, size);
    io::writeAt(m_out, 0, local.data(), local.size(), m_outPath);
    const std::uint64_t cdOffset =
        local.size() + m_entry.oemName.size() + m_entry.extra.size() + m_csize;
    const std::vector<std::uint8_t> cd = directory(m_entry, m_crc, csize, size, cdOffset);
    if (cdOffset + cd.size() >= 0xFFFFFFFFull) throw Error(ErrorCode::tooLarge, m_outPath);
    io::writeAt(m_out, cdOffset, cd.data(), cd.size(), m_outPath);
}

} // namespace kx::zip
