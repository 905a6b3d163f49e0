// Reading and writing the inner list: a 256-byte header, then the records in pre-order.
#pragma once

#include "listfile/entry.h"
#include "listfile/io/bytes.h"
#include "listfile/io/error.h"

#include <atomic>
#include <functional>
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

// What a write reports after each record, and how a caller stops it.
struct WriteProgress {
    std::function<void()> step{}; // called once per record written
    const std::atomic<bool>* abort =
        nullptr; // read after each step; once true, no further record is written
    // A save clears every name that holds a backslash (the root's path) in the bytes it writes;
    // the tree itself is only read. A new list made of a folder of this computer keeps its root's
    // path.
    bool keepPathNames = false;
    // When given, receives the id of each Entry whose name the write cleared, so that the tree's
    // owner can clear them in the tree too once the write is done.
    std::vector<std::uint32_t>* clearedNames = nullptr;
    // Called while a save packs the written list (bytes compressed so far, bytes in all), every
    // few MiB; the abort flag is read after each call, and a set flag cancels the pack.
    std::function<void(std::uint64_t done, std::uint64_t total)> packStep{};
};

// Reads the root's record and its whole subtree. Throws Error (brokenList) when a record cannot be
// read in full or the counts promise more records than the data holds. Works without recursion.
Entry* readEntry(EntryTree& tree, ByteSource& in);

// Reads a whole inner list: header text, then the tree.
std::unique_ptr<EntryTree> readInnerList(ByteSource& in);

// Writes an Entry's record and its subtree in pre-order, reading the tree only. A name that
// contains a backslash is written as 256 NUL bytes. Returns false when the abort flag stopped the
// write.
bool writeEntry(const Entry* entry, ByteSink& out, const WriteProgress& progress = {});

// Writes the 256-byte header (the text, then NUL bytes) and the tree from the root.
bool writeInnerList(const EntryTree& tree, ByteSink& out, const WriteProgress& progress = {});

// The header's text as stored: the bytes before the first NUL of the 256.
std::string headerText(const std::uint8_t* header256);

} // namespace kx
