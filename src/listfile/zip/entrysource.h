// The bytes of a list file's one entry, inflated as they are read.
#pragma once

#include "listfile/io/bytes.h"

#include <memory>
#include <string>

namespace kx {

// Opening reads the inner list straight from the archive, with nothing written to disk. A large
// entry is inflated on a thread of its own while the reader works on the calling thread; where
// that thread cannot start, the calling thread inflates as it reads. remaining() is the declared
// size still to come. verify() reads what the reader left (bytes after the root's subtree) and
// checks the size and the CRC-32. Every failure throws Error with the list's path.
class EntrySource : public ByteSource {
public:
    // Opens the archive `path` (only ever read) and checks its records. Throws Error: notFound,
    // noPermission, notRegularFile, readFailed and the archive's codes (see zip/records.h).
    static std::unique_ptr<EntrySource> open(const std::string& path);
    ~EntrySource() override;
    std::size_t read(void* into, std::size_t n) override;
    std::uint64_t remaining() const override;
    // Throws Error: damagedArchive (a size that disagrees), crcMismatch.
    void verify();

private:
    struct State;
    explicit EntrySource(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

} // namespace kx
