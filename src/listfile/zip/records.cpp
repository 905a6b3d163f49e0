// Reading and checking the ZIP records of a one-entry archive; DOS times; the Unicode name field.
#include "listfile/zip/records.h"

#include "listfile/io/error.h"
#include "listfile/io/fd.h"

#include <algorithm>
#include <cstring>

namespace kx::zip {

namespace {

constexpr std::uint16_t kUnicodeNameId = 0x554E; // "NU"
constexpr std::uint16_t kZip64Id = 0x0001;
constexpr std::uint16_t kFlagEncrypted = 0x0001, kFlagDescriptor = 0x0008,
                        kFlagStrongEncryption = 0x0040;
constexpr std::uint32_t kZip64Marker = 0xFFFFFFFF;
// Writers that fill their output to whole blocks add zero bytes after the end record; this much
// is looked through besides the longest comment.
constexpr std::size_t kMaxPadding = 0x10000;
// The central directory of one entry: its fixed part, then a name, an extra field and a comment of
// at most 0xFFFF bytes each.
constexpr std::size_t kMaxCentralSize = kCentralHeaderSize + 3 * 0xFFFF;

[[noreturn]] void damaged(const std::string& path, const char* detail) {
    throw Error(ErrorCode::damagedArchive, path, 0, detail);
}

// Reads exactly `n` bytes; a file that ends before is a damaged archive.
void readExactly(int fd, const std::string& path, std::uint64_t offset, void* into, std::size_t n,
                 const char* what) {
    if (io::readAt(fd, offset, into, n, path) != n) damaged(path, what);
}

} // namespace

CentralEntry readCentralEntry(int fd, const std::string& path, std::uint64_t fileSize) {
    if (fileSize < kEndRecordSize) throw Error(ErrorCode::notZip, path, 0, "too short");
    const std::size_t tail =
        std::size_t(std::min<std::uint64_t>(fileSize, kEndRecordSize + 0xFFFF + kMaxPadding));
    std::vector<std::uint8_t> buf(tail);
    readExactly(fd, path, fileSize - tail, buf.data(), tail, "end of the archive cut short");
    // The end record is the last one whose comment ends the file, or is followed by zero bytes
    // only: its comment must reach past the last byte that is not zero.
    std::size_t used = tail;
    while (used > 0 && buf[used - 1] == 0)
        --used;
    std::int64_t at = -1;
    for (std::int64_t i = std::int64_t(tail - kEndRecordSize); i >= 0; --i) {
        const std::size_t commentEnd =
            std::size_t(i) + kEndRecordSize + get16(&buf[std::size_t(i) + 20]);
        if (get32(&buf[std::size_t(i)]) == kEndSig && commentEnd <= tail && commentEnd >= used) {
            at = i;
            break;
        }
    }
    if (at < 0) throw Error(ErrorCode::notZip, path, 0, "no end of central directory record");
    const std::uint8_t* end = &buf[std::size_t(at)];
    const std::uint64_t endOffset = fileSize - tail + std::uint64_t(at);
    const std::uint16_t disk = get16(end + 4), cdDisk = get16(end + 6);
    const std::uint16_t onDisk = get16(end + 8), total = get16(end + 10);
    const std::uint32_t cdSize = get32(end + 12), cdOffset = get32(end + 16);
    if (onDisk == 0xFFFF || total == 0xFFFF || cdSize == 0xFFFFFFFF || cdOffset == 0xFFFFFFFF)
        throw Error(ErrorCode::zip64, path);
    if (disk != 0 || cdDisk != 0 || onDisk != total) throw Error(ErrorCode::multiDisk, path);
    if (total != 1)
        throw Error(ErrorCode::notOneEntry, path, 0, std::to_string(total) + " entries");
    if (std::uint64_t(cdOffset) + cdSize > endOffset || cdSize < kCentralHeaderSize)
        damaged(path, "central directory outside the file");
    if (cdSize > kMaxCentralSize) damaged(path, "central directory too large for one entry");

    std::vector<std::uint8_t> cd(cdSize);
    readExactly(fd, path, cdOffset, cd.data(), cd.size(), "central directory cut short");
    if (get32(cd.data()) != kCentralSig) damaged(path, "central directory");
    CentralEntry e;
    e.flags = get16(&cd[8]);
    e.method = get16(&cd[10]);
    e.time = get16(&cd[12]);
    e.date = get16(&cd[14]);
    e.crc = get32(&cd[16]);
    e.compressedSize = get32(&cd[20]);
    e.size = get32(&cd[24]);
    const std::size_t nameLen = get16(&cd[28]), extraLen = get16(&cd[30]),
                      commentLen = get16(&cd[32]);
    const std::uint16_t diskStart = get16(&cd[34]);
    e.localOffset = get32(&cd[42]);
    if (kCentralHeaderSize + nameLen + extraLen + commentLen > cd.size())
        damaged(path, "central directory");
    if (e.compressedSize == kZip64Marker || e.size == kZip64Marker || e.localOffset == kZip64Marker)
        throw Error(ErrorCode::zip64, path);
    if (diskStart != 0) throw Error(ErrorCode::multiDisk, path);
    if (e.flags & (kFlagEncrypted | kFlagStrongEncryption)) throw Error(ErrorCode::encrypted, path);
    if (e.method != 0 && e.method != 8)
        throw Error(ErrorCode::unsupportedMethod, path, 0, "method " + std::to_string(e.method));
    e.rawName.assign(reinterpret_cast<const char*>(&cd[kCentralHeaderSize]), nameLen);
    return e;
}

namespace {

// Replaces each local size that holds the ZIP64 marker with its 64-bit value from the ZIP64
// extra field, which holds the size, then the compressed size, each only where it is marked.
void readZip64Sizes(const std::string& path, const std::uint8_t* extra, std::size_t len,
                    std::uint64_t& size, std::uint64_t& compressedSize) {
    for (std::size_t at = 0; at + 4 <= len;) {
        const std::size_t fieldLen = get16(extra + at + 2);
        if (at + 4 + fieldLen > len) break;
        if (get16(extra + at) == kZip64Id) {
            const std::uint8_t* value = extra + at + 4;
            std::size_t left = fieldLen;
            for (std::uint64_t* field : {&size, &compressedSize}) {
                if (*field != kZip64Marker) continue;
                if (left < 8) damaged(path, "ZIP64 field of the local header cut short");
                *field = get64(value);
                value += 8;
                left -= 8;
            }
            return;
        }
        at += 4 + fieldLen;
    }
    damaged(path, "local header without its ZIP64 sizes");
}

} // namespace

std::uint64_t checkLocalHeader(int fd, const std::string& path, const CentralEntry& e,
                               std::uint64_t fileSize) {
    if (e.localOffset + kLocalHeaderSize > fileSize) damaged(path, "local header outside the file");
    std::uint8_t h[kLocalHeaderSize];
    readExactly(fd, path, e.localOffset, h, sizeof h, "local header cut short");
    if (get32(h) != kLocalSig) damaged(path, "local header");
    const std::uint16_t flags = get16(h + 6), method = get16(h + 8);
    const std::uint32_t crc = get32(h + 14);
    std::uint64_t compressedSize = get32(h + 18), size = get32(h + 22);
    const std::size_t nameLen = get16(h + 26), extraLen = get16(h + 28);
    if (method != e.method) damaged(path, "local header disagrees on the method");
    if (flags & kFlagEncrypted) throw Error(ErrorCode::encrypted, path);
    if (nameLen != e.rawName.size()) damaged(path, "local header disagrees on the name");
    const std::uint64_t data = e.localOffset + kLocalHeaderSize + nameLen + extraLen;
    if (data > fileSize) damaged(path, "local header cut short");
    std::vector<std::uint8_t> nameAndExtra(nameLen + extraLen);
    readExactly(fd, path, e.localOffset + kLocalHeaderSize, nameAndExtra.data(),
                nameAndExtra.size(), "local header cut short");
    if (nameLen != 0 && std::memcmp(e.rawName.data(), nameAndExtra.data(), nameLen) != 0)
        damaged(path, "local header disagrees on the name");
    if (size == kZip64Marker || compressedSize == kZip64Marker)
        readZip64Sizes(path, nameAndExtra.data() + nameLen, extraLen, size, compressedSize);
    if (size > kZip64Marker || compressedSize > kZip64Marker) throw Error(ErrorCode::zip64, path);
    // A writer that streams (data descriptor flag) may leave any of these zero; they follow the
    // data then, and the central directory holds them too.
    const bool deferred = flags & kFlagDescriptor;
    auto agrees = [deferred](std::uint64_t local, std::uint64_t central) {
        return local == central || (deferred && local == 0);
    };
    if (!agrees(crc, e.crc) || !agrees(compressedSize, e.compressedSize) || !agrees(size, e.size))
        damaged(path, "local header disagrees on the CRC or the sizes");
    if (data + e.compressedSize > fileSize) damaged(path, "data outside the file");
    return data;
}

void timeToDos(std::time_t t, std::uint16_t& time, std::uint16_t& date) {
    std::tm tm{};
    localtime_r(&t, &tm);
    if (tm.tm_year < 80) { // DOS dates start in 1980
        tm = std::tm{};
        tm.tm_year = 80;
        tm.tm_mday = 1;
    }
    time = std::uint16_t(tm.tm_hour << 11 | tm.tm_min << 5 | tm.tm_sec / 2);
    date = std::uint16_t((tm.tm_year - 80) << 9 | (tm.tm_mon + 1) << 5 | tm.tm_mday);
}

std::vector<std::uint8_t> unicodeNameField(const QString& name) {
    std::vector<std::uint8_t> v;
    const auto n = std::uint32_t(name.size());
    put16(v, kUnicodeNameId);
    put16(v, 2 * n + 8);
    for (char c : {'N', 'U', 'C', 'X'})
        v.push_back(std::uint8_t(c));
    put32(v, n);
    for (QChar ch : name)
        put16(v, ch.unicode());
    return v;
}

} // namespace kx::zip
