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

// Deflates one piece at level 9 as part of a longer stream: primed with the 32 KiB of data that
// precede it, ended with a sync flush (the last piece with the final block), so the pieces joined
// in order are one valid raw deflate stream.
std::vector<std::uint8_t> deflatePiece(const std::uint8_t* data, std::size_t n,
                                       const std::uint8_t* dict, std::size_t dictLen, bool last) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw Error(ErrorCode::other, {}, 0, "cannot start compressing");
    struct End {
        z_stream* z;
        ~End() { deflateEnd(z); }
    } end{&z};
    if (dictLen) deflateSetDictionary(&z, dict, uInt(dictLen));
    std::vector<std::uint8_t> out(deflateBound(&z, uLong(n)) + 64);
    z.next_in = const_cast<std::uint8_t*>(data);
    z.avail_in = uInt(n);
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    const int rc = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
    if (rc != (last ? Z_STREAM_END : Z_OK) || z.avail_in != 0)
        throw Error(ErrorCode::other, {}, 0, "compressing failed");
    out.resize(out.size() - z.avail_out);
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

// Reads `expected` bytes from `fd` and deflates them at level 9 on every core, a piece per core
// at a time; `write` receives the compressed stream in order. Sets the CRC-32 and the size read.
// `round(size)` hears the bytes done after every round and returns false to stop (the result is
// then false). A piece whose thread cannot start is deflated on this thread.
template <class Write>
bool deflateInParallel(int fd, std::uint64_t expected, const std::string& path, std::uint32_t& crc,
                       std::uint64_t& size, Write&& write,
                       const std::function<bool(std::uint64_t)>& round) {
    constexpr std::size_t kPiece = 4 << 20, kWindow = 32 << 10;
    const std::size_t workers = std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
    std::vector<std::uint8_t> data(workers * kPiece + kWindow);
    std::size_t carried = 0; // window of the previous round at the front of `data`
    crc = 0;
    size = 0;
    for (;;) {
        const std::size_t want = workers * kPiece;
        const std::size_t got = io::readUpTo(fd, data.data() + carried, want, path);
        crc = crc32Update(crc, data.data() + carried, got);
        size += got;
        const bool lastRound = size >= expected || got < want;
        const std::size_t pieces = std::max<std::size_t>(1, (got + kPiece - 1) / kPiece);
        std::vector<std::vector<std::uint8_t>> outs(pieces);
        std::vector<std::exception_ptr> errors(pieces);
        {
            JoinAll workersOfRound;
            workersOfRound.threads.reserve(pieces);
            for (std::size_t i = 0; i < pieces; ++i) {
                const std::size_t from = carried + i * kPiece;
                const std::size_t n = std::min(kPiece, got - std::min(got, i * kPiece));
                const std::size_t dictLen = std::min(kWindow, from);
                const bool last = lastRound && i + 1 == pieces;
                auto job = [&, i, from, n, dictLen, last] {
                    try {
                        outs[i] = deflatePiece(data.data() + from, n, data.data() + from - dictLen,
                                               dictLen, last);
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
            write(outs[i].data(), outs[i].size());
        }
        if (lastRound) return true;
        if (!round(size)) return false;
        // Keep the last 32 KiB as the next round's dictionary.
        std::memmove(data.data(), data.data() + carried + got - kWindow, kWindow);
        carried = kWindow;
    }
}

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

bool writeArchive(int in, const std::string& inPath, std::uint64_t size, int out,
                  const std::string& outPath, const EntryHeader& entry,
                  const std::function<bool(std::uint64_t)>& round) {
    // The sizes are not known before the data is written: the header is written again after it.
    std::vector<std::uint8_t> local = localHeader(entry, 0, 0, 0);
    io::writeAll(out, local.data(), local.size(), outPath);
    io::writeAll(out, entry.oemName.data(), entry.oemName.size(), outPath);
    io::writeAll(out, entry.extra.data(), entry.extra.size(), outPath);

    std::uint32_t crc = 0;
    std::uint64_t read = 0, csize = 0;
    const bool complete = deflateInParallel(
        in, size, inPath, crc, read,
        [&](const std::uint8_t* p, std::size_t n) {
            io::writeAll(out, p, n, outPath);
            csize += n;
        },
        round);
    if (!complete) return false;
    if (read != size)
        throw Error(ErrorCode::readFailed, inPath, 0, "the file changed while it was packed");
    if (csize >= 0xFFFFFFFFull) throw Error(ErrorCode::tooLarge, outPath);

    local = localHeader(entry, crc, std::uint32_t(csize), std::uint32_t(size));
    io::writeAt(out, 0, local.data(), local.size(), outPath);
    const std::uint64_t cdOffset = local.size() + entry.oemName.size() + entry.extra.size() + csize;
    const std::vector<std::uint8_t> cd =
        directory(entry, crc, std::uint32_t(csize), std::uint32_t(size), cdOffset);
    if (cdOffset + cd.size() >= 0xFFFFFFFFull) throw Error(ErrorCode::tooLarge, outPath);
    io::writeAt(out, cdOffset, cd.data(), cd.size(), outPath);
    return true;
}

} // namespace kx::zip
