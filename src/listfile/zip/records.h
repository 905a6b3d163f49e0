// The ZIP records of a one-entry archive: their byte layout, the reading and checking of the end
// record, the central directory and the local header, DOS times and the Unicode name field.
#pragma once

#include <QString>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace kx::zip {

constexpr std::uint32_t kLocalSig = 0x04034B50;
constexpr std::uint32_t kCentralSig = 0x02014B50;
constexpr std::uint32_t kEndSig = 0x06054B50;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndRecordSize = 22;

// Little-endian fields.
inline std::uint16_t get16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}
inline std::uint32_t get32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
inline std::uint64_t get64(const std::uint8_t* p) {
    return std::uint64_t(get32(p)) | std::uint64_t(get32(p + 4)) << 32;
}
inline void put16(std::vector<std::uint8_t>& v, std::uint32_t x) {
    v.push_back(std::uint8_t(x));
    v.push_back(std::uint8_t(x >> 8));
}
inline void put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

// The archive's one entry as its central directory describes it.
struct CentralEntry {
    std::uint16_t flags = 0, method = 0, time = 0, date = 0;
    std::uint32_t crc = 0, compressedSize = 0, size = 0;
    std::uint64_t localOffset = 0;
    std::string rawName;
};

// Finds the end record and the one central directory entry of the archive `fd` (`path`, of
// `fileSize` bytes), checking every count and offset. Zero bytes after the end record (writers
// that fill whole blocks) are passed over. Throws Error: notZip, zip64, multiDisk, notOneEntry,
// damagedArchive, encrypted, unsupportedMethod, readFailed.
CentralEntry readCentralEntry(int fd, const std::string& path, std::uint64_t fileSize);

// Checks that the local header agrees with the central directory and that the data lies inside
// the file; returns the data's offset. The central directory is the truth: a local CRC or size
// that a streaming writer left zero (data descriptor flag) is not compared, and local ZIP64
// sizes are compared by value. Throws Error: damagedArchive, encrypted, zip64 (a local size
// beyond 32 bits), readFailed.
std::uint64_t checkLocalHeader(int fd, const std::string& path, const CentralEntry& e,
                               std::uint64_t fileSize);

// The DOS time and date of `t` in local time; times before 1980 become 1 January 1980.
void timeToDos(std::time_t t, std::uint16_t& time, std::uint16_t& date);

// The Unicode name extra field: id "NU", size, "NUCX", n, then n UTF-16LE code units.
std::vector<std::uint8_t> unicodeNameField(const QString& name);

} // namespace kx::zip
