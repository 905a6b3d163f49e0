// Writing a one-entry archive: the data deflated at level 9 on several cores at once.
#pragma once

#include "listfile/io/bytes.h"
#include "listfile/zip/deflater.h"

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
// a faster level than a save, which packs as tightly as it can) in pieces on several cores at
// once (ParallelDeflate); finish() deflates the rest, then writes the CRC-32 and the sizes into
// the local header, the central directory and the end record. Nothing of the entry's bytes is
// kept beyond the pieces in work. A writer that stops before finish() leaves
// the archive incomplete. Throws Error: writeFailed or noSpace (out), tooLarge.
class ArchiveSink : public ByteSink {
public:
    ArchiveSink(int out, std::string outPath, EntryHeader entry, int level = 9);
    void write(const void* data, std::size_t n) override;
    void finish();

private:
    int m_out;
    std::string m_outPath;
    EntryHeader m_entry;
    ParallelDeflate m_deflate;
};

} // namespace kx::zip
