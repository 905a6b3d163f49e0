// Reading and writing the inner list: a 256-byte header, then the records in pre-order.
#pragma once

#include "listfile/entry.h"
#include "listfile/io/bytes.h"
#include "listfile/io/error.h"
#include "support/progress.h"

#include <string>
#include <vector>

namespace kx {

class MemorySource : public ByteSource {
public:
    MemorySource(const void* data, std::size_t size)
        : m_p(static_cast<const std::uint8_t*>(data)), m_left(size) {}
    std::size_t read(void* into, std::size_t n) override;
    std::uint64_t remaining() const override { return m_left; }

private:
    const std::uint8_t* m_p;
    std::size_t m_left;
};

class StringSink : public ByteSink {
public:
    void write(const void* data, std::size_t n) override {
        m_data.append(static_cast<const char*>(data), n);
    }
    const std::string& data() const { return m_data; }

private:
    std::string m_data;
};

// What a write does with the names that hold a backslash: a save clears them (the root's path)
// in the bytes it writes; the tree itself is only read. A new list made of a folder of this
// computer keeps its root's path.
enum class PathNames { clear, keep };

// The longest path below the root a list may hold, in characters: the longest path a disk's file
// system names. Every walk that joins paths is bounded by it.
constexpr std::size_t kMaxPathLength = 32767;

// Reads the root's record and its whole subtree. Throws Error (brokenList) when a record cannot be
// read in full or the counts promise more records than the data holds, and Error (pathTooLong)
// when an Entry's path below the root (its names joined by "\") is longer than kMaxPathLength.
// Works without recursion.
Entry* readEntry(EntryTree& tree, ByteSource& in);

// Reads a whole inner list: header text, then the tree.
std::unique_ptr<EntryTree> readInnerList(ByteSource& in);

// Writes an Entry's record and its subtree in pre-order, reading the tree only. A name that
// contains a backslash is written as 256 NUL bytes (unless `names` keeps it); `clearedNames`, when
// given, receives the id of each Entry whose name the write cleared, so that the tree's owner can
// clear them in the tree too once the write is done. After each record the progress hears the
// records written of the records in all. Returns false when the progress stopped the write.
bool writeEntry(const Entry* entry, ByteSink& out, const Progress& progress = {},
                PathNames names = PathNames::clear,
                std::vector<std::uint32_t>* clearedNames = nullptr);

// Writes the 256-byte header (the text, then NUL bytes) and the tree from the root.
bool writeInnerList(const EntryTree& tree, ByteSink& out, const Progress& progress = {},
                    PathNames names = PathNames::clear,
                    std::vector<std::uint32_t>* clearedNames = nullptr);

// The header's text as stored: the bytes before the first NUL of the 256.
std::string headerText(const std::uint8_t* header256);

} // namespace kx
