// Writing a one-entry archive: the data deflated at level 9 on several cores at once.
#pragma once

#include "listfile/io/bytes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kx::zip {

// What the archive records of its one entry besides the data.
struct EntryHeader {
    std::string oemName;             // the name in the DOS code page
    std::vector<std::uint8_t> extra; // the Unicode name field
    std::uint16_t dosTime = 0, dosDate = 0;
    std::uint32_t attributes = 0; // DOS attribute bits
};

// Writes a one-entry archive into the empty file `out` while the entry's bytes arrive through
// write(): the local header first, then the bytes deflated at `level` (1 to 9; a new scan takes
// a faster level than a save, which packs as tightly as it can) on several cores a round
// at a time (a piece per core), the CRC-32 summed as they come; finish() deflates the rest, then
// writes the sizes into the local header, the central directory and the end record. Nothing of
// the entry's bytes is kept beyond the round in work. A writer that stops before finish() leaves
// the archive incomplete. Throws Error: writeFailed or noSpace (out), tooLarge.
class ArchiveSink : public ByteSink {
public:
    ArchiveSink(int out, std::string outPath, EntryHeader entry, int level = 9);
    void write(const void* data, std::size_t n) override;
    void finish();

private:
    void deflateRound(bool last);
    int m_out;
    std::string m_outPath;
    EntryHeader m_entry;
    int m_level;
    std::size_t m_workers, m_carried = 0, m_filled = 0;
    std::vector<std::uint8_t> m_data; // the previous round's last 32 KiB, then this round's bytes
    std::uint32_t m_crc = 0;
    std::uint64_t m_size = 0, m_csize = 0;
};

} // namespace kx::zip
