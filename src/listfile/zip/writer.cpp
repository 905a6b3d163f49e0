// The ZIP writer: the records of a one-entry archive around its deflated data.
#include "listfile/zip/writer.h"

#include "listfile/io/error.h"
#include "listfile/io/fd.h"
#include "listfile/zip/records.h"

namespace kx::zip {

namespace {

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

ArchiveSink::ArchiveSink(int out, std::string outPath, EntryHeader entry, int level)
    : m_out(out), m_outPath(std::move(outPath)), m_entry(std::move(entry)),
      m_deflate(level, [this](const std::uint8_t* data, std::size_t n) {
          io::writeAll(m_out, data, n, m_outPath);
      }) {
    // The sizes are not known before the data is written: the header is written again after it.
    const std::vector<std::uint8_t> local = localHeader(m_entry, 0, 0, 0);
    io::writeAll(m_out, local.data(), local.size(), m_outPath);
    io::writeAll(m_out, m_entry.oemName.data(), m_entry.oemName.size(), m_outPath);
    io::writeAll(m_out, m_entry.extra.data(), m_entry.extra.size(), m_outPath);
}

void ArchiveSink::write(const void* data, std::size_t n) {
    m_deflate.write(data, n);
}

void ArchiveSink::finish() {
    m_deflate.finish();
    const std::uint64_t bytes = m_deflate.size(), packed = m_deflate.compressedSize();
    if (bytes >= 0xFFFFFFFFull || packed >= 0xFFFFFFFFull)
        throw Error(ErrorCode::tooLarge, m_outPath);
    const auto size = std::uint32_t(bytes), csize = std::uint32_t(packed);
    const std::uint32_t crc = m_deflate.crc();
    const std::vector<std::uint8_t> local = localHeader(m_entry, crc, csize, size);
    io::writeAt(m_out, 0, local.data(), local.size(), m_outPath);
    const std::uint64_t cdOffset =
        local.size() + m_entry.oemName.size() + m_entry.extra.size() + packed;
    const std::vector<std::uint8_t> cd = directory(m_entry, crc, csize, size, cdOffset);
    if (cdOffset + cd.size() >= 0xFFFFFFFFull) throw Error(ErrorCode::tooLarge, m_outPath);
    io::writeAt(m_out, cdOffset, cd.data(), cd.size(), m_outPath);
}

} // namespace kx::zip
