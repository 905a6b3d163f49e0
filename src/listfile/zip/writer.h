// Writing a one-entry archive: the data deflated at level 9 on several cores at once.
#pragma once

#include <cstdint>
#include <functional>
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

// Writes a one-entry archive into the empty file `out`: the local header, the `size` bytes read
// from `in` deflated at level 9, the central directory and the end record. `round(done)` hears
// the bytes read after every few MiB and returns false to stop; the result is then false and the
// archive incomplete. Throws Error: readFailed (in), writeFailed or noSpace (out), tooLarge.
bool writeArchive(int in, const std::string& inPath, std::uint64_t size, int out,
                  const std::string& outPath, const EntryHeader& entry,
                  const std::function<bool(std::uint64_t done)>& round);

} // namespace kx::zip
