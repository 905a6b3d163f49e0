// Reading and writing the inner list: a 256-byte header, then the records in pre-order.
#pragma once

#include "listfile/entry.h"

#include <atomic>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>

namespace kx {

// A read or write of the inner list that cannot go on. The message is one plain sentence.
class ListFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where the reader gets its bytes. read() returns how many bytes it gave (0 at the end).
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::size_t read(void* into, std::size_t n) = 0;
    // Bytes that are still to come, when known; reading never allocates beyond what they allow.
    virtual std::uint64_t remaining() const = 0;
};

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

// Buffered reading of a file (the working file). Throws ListFileError when it cannot be opened.
class FileSource : public ByteSource {
public:
    explicit FileSource(const std::string& path);
    ~FileSource() override;
    std::size_t read(void* into, std::size_t n) override;
    std::uint64_t remaining() const override { return m_remaining; }

private:
    int m_fd = -1;
    std::uint64_t m_remaining = 0;
    std::vector<std::uint8_t> m_buf;
    std::size_t m_pos = 0, m_len = 0;
};

// Where the writer puts its bytes. Throws ListFileError when a write fails.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(const void* data, std::size_t n) = 0;
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

// Buffered writing of a file. finish() flushes the buffer and the file to the device and closes
// it; any failure throws ListFileError.
class FileSink : public ByteSink {
public:
    // Creates the file; it must not exist (exclusive create), so nothing of someone else's is
    // overwritten.
    explicit FileSink(const std::string& path);
    ~FileSink() override;
    void write(const void* data, std::size_t n) override;
    void finish();

private:
    void flushBuffer();
    int m_fd = -1;
    std::string m_path;
    std::vector<std::uint8_t> m_buf;
    std::size_t m_len = 0;
};

// The folder tree that reading fills: one top-level node for the root, one child node for each
// folder, none for files. A sink is optional; without one reading builds the entry tree alone.
class FolderTreeSink {
public:
    using Node = void*;
    virtual ~FolderTreeSink() = default;
    virtual Node addTopNode(std::string_view caption, Entry* entry) = 0;
    virtual Node addChildNode(Node parent, std::string_view caption, Entry* entry) = 0;
    virtual void setImages(Node node, int image, int selectedImage) = 0;
};

// What a write reports after each record, and how a caller stops it.
struct WriteProgress {
    std::function<void()> step{}; // called once per record written
    const std::atomic<bool>* abort =
        nullptr; // read after each step; once true, no further record is written
    // A save clears every name that holds a backslash (the root's path). A new list made of a
    // folder of this computer keeps its root's path.
    bool keepPathNames = false;
    // Called while a save packs the written list (bytes compressed so far, bytes in all), every
    // few MiB; the abort flag is read after each call, and a set flag cancels the pack.
    std::function<void(std::uint64_t done, std::uint64_t total)> packStep{};
};

// Reads the root's record and its whole subtree, adding the root's node and one node per folder
// to the sink when there is one. Throws ListFileError when a record cannot be read in full or the
// counts promise more records than the data holds. Works without recursion.
Entry* readEntry(EntryTree& tree, ByteSource& in, FolderTreeSink* sink);

// Reads a whole inner list: header text, then the tree.
std::unique_ptr<EntryTree> readInnerList(ByteSource& in, FolderTreeSink* sink = nullptr);

// Writes an Entry's record and its subtree in pre-order. A name that contains a backslash is
// cleared to 256 NUL bytes in the Entry itself before it is written. Returns false when the
// abort flag stopped the write.
bool writeEntry(Entry* entry, ByteSink& out, const WriteProgress& progress = {});

// Writes the 256-byte header (the text, then NUL bytes) and the tree from the root.
bool writeInnerList(EntryTree& tree, ByteSink& out, const WriteProgress& progress = {});

// The header's text as stored: the bytes before the first NUL of the 256.
std::string headerText(const std::uint8_t* header256);

} // namespace kx
