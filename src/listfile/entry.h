// The entry record of a list (600 bytes, kept byte for byte) and the in-memory entry tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kx {

constexpr std::size_t kHeaderSize = 256;
constexpr std::size_t kRecordSize = 600;

// Byte offsets of the record's fields.
namespace rec {
constexpr std::size_t name = 0, nameSize = 256;
constexpr std::size_t comment = 256, commentSize = 256;
constexpr std::size_t created = 512, createdSize = 28;
constexpr std::size_t changed = 540, changedSize = 28;
constexpr std::size_t kind = 568;
constexpr std::size_t attributes = 569;
constexpr std::size_t reserved = 570, reservedSize = 6;
constexpr std::size_t size = 576, sizeSize = 10; // 80-bit x87 extended float
constexpr std::size_t crossedOut = 586;
constexpr std::size_t mark = 587;
constexpr std::size_t markCount = 588;
constexpr std::size_t depth = 592;
constexpr std::size_t lastChild = 596;
} // namespace rec

// Attribute bits of byte 569: the list format's own values, not the operating system's.
enum Attribute : std::uint8_t {
    readOnly = 0x01,
    hidden = 0x02,
    system = 0x04,
    volume = 0x08,
    archive = 0x10,
    temporary = 0x20,
    compressed = 0x40,
    damaged = 0x80,
};

constexpr char kFolder = 'D';
constexpr char kFile = 'F';

// Converts the ten bytes of an 80-bit extended float to a whole byte count. Exact for whole
// numbers below 2^64; fractions are truncated; zero, denormals, negatives and NaN give 0;
// +infinity and values of 2^64 or more give UINT64_MAX.
std::uint64_t extendedToUint64(const std::uint8_t* tenBytes);
// The exact 80-bit representation of a whole byte count.
void uint64ToExtended(std::uint64_t value, std::uint8_t* tenBytes);

// The ten bytes of an 80-bit extended float taken apart without loss: a finite value is
// (negative ? -1 : 1) * significand * 2^exponent, denormals included. Infinity is an exponent of
// all ones with only the explicit integer bit set; every other pattern there is a NaN.
struct ExtendedFloat {
    enum class Kind { Finite, Infinity, NaN };
    Kind kind = Kind::Finite;
    bool negative = false;
    std::uint64_t significand = 0;
    int exponent = 0;
};
ExtendedFloat decodeExtended(const std::uint8_t* tenBytes);

// One file or folder. The record bytes are kept exactly as read; only the fields that a
// command changes (mark, markCount, comment, the root's name on save) are ever written.
struct Entry {
    std::uint8_t record[kRecordSize];
    Entry* parent = nullptr;
    std::vector<Entry*> children; // owned by the EntryTree's storage, in current order

    // A text field is read up to its first NUL or the end of its field.
    std::string_view text(std::size_t offset, std::size_t size) const {
        const char* p = reinterpret_cast<const char*>(record + offset);
        const void* nul = std::memchr(p, 0, size);
        return std::string_view(p, nul ? static_cast<const char*>(nul) - p : size);
    }
    std::string_view name() const { return text(rec::name, rec::nameSize); }
    std::string_view comment() const { return text(rec::comment, rec::commentSize); }
    std::string_view created() const { return text(rec::created, rec::createdSize); }
    std::string_view changed() const { return text(rec::changed, rec::changedSize); }
    char kind() const { return static_cast<char>(record[rec::kind]); }
    bool isFolder() const { return kind() == kFolder; }
    std::uint8_t attributes() const { return record[rec::attributes]; }
    bool isDamaged() const { return (attributes() & damaged) != 0; }
    std::uint8_t crossedOut() const { return record[rec::crossedOut]; }
    std::uint8_t mark() const { return record[rec::mark]; }
    void setMark(std::uint8_t m) { record[rec::mark] = m; }
    std::int32_t markCount() const { return readI32(rec::markCount); }
    void setMarkCount(std::int32_t v) { writeI32(rec::markCount, v); }
    std::int32_t depth() const { return readI32(rec::depth); }
    std::int32_t lastChild() const { return readI32(rec::lastChild); }
    std::uint64_t size() const { return extendedToUint64(record + rec::size); }
    ExtendedFloat sizeValue() const { return decodeExtended(record + rec::size); }

    // Replaces the comment: all 256 bytes are zeroed, then at most 254 bytes are copied, so the
    // field always ends in at least two zero bytes.
    void setComment(std::string_view ansiText);

    std::int32_t readI32(std::size_t off) const {
        return static_cast<std::int32_t>(
            std::uint32_t(record[off]) | std::uint32_t(record[off + 1]) << 8 |
            std::uint32_t(record[off + 2]) << 16 | std::uint32_t(record[off + 3]) << 24);
    }
    void writeI32(std::size_t off, std::int32_t v) {
        auto u = static_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i)
            record[off + i] = static_cast<std::uint8_t>(u >> (8 * i));
    }
};

// Owns every Entry of one open list. Entries live in large blocks (no allocation per entry);
// freeing the tree is one pass over the blocks, never a recursion.
class EntryTree {
public:
    EntryTree();
    ~EntryTree();
    EntryTree(const EntryTree&) = delete;
    EntryTree& operator=(const EntryTree&) = delete;

    Entry* root() const { return m_root; }
    void setRoot(Entry* e) { m_root = e; }
    // A new Entry with zeroed record and no links, owned by this tree.
    Entry* newEntry();
    // The same without zeroing the record, for a reader that fills all 600 bytes at once.
    Entry* newEntryUninitialized();
    std::size_t entryCount() const { return m_count; }

    std::string headerText; // the header bytes before the first NUL

private:
    // Blocks of about 10 MiB, a whole number of 2 MiB pages, allocated as the tree grows.
    static const std::size_t kBlock;
    static std::size_t blockCapacity(std::size_t index);
    std::vector<Entry*> m_blocks;
    std::size_t m_usedInLast;
    std::size_t m_count = 0;
    Entry* m_root = nullptr;
};

// Releases a whole tree (the root and everything below it).
inline void freeEntry(std::unique_ptr<EntryTree>& tree) {
    tree.reset();
}

// Counts of a tree, walked without recursion.
struct TreeCounts {
    std::uint64_t entries = 0; // the root included
    std::uint64_t folders = 0; // kind 'D', the root included when it is one
    std::uint64_t files = 0;   // everything else
};
TreeCounts countTree(const Entry* root);

// The number of Entries below `root` at every depth, the root not counted.
std::uint64_t countBelow(const Entry* root);

// Calls f(entry) for every Entry below `from` in depth-first pre-order (children in their current
// order), without recursion. f returns false to stop the walk.
template <class F> void walkBelow(const Entry* from, F&& f) {
    std::vector<std::pair<const Entry*, std::size_t>> stack;
    stack.emplace_back(from, 0);
    while (!stack.empty()) {
        auto& [e, i] = stack.back();
        if (i == e->children.size()) {
            stack.pop_back();
            continue;
        }
        const Entry* c = e->children[i++];
        if (!f(c)) return;
        if (!c->children.empty()) stack.emplace_back(c, 0);
    }
}

// Reorders a children list in place so that folders come before files: every file that stands
// before a folder is exchanged with the first folder after it. Folders keep their order.
void foldersFirst(std::vector<Entry*>& list);

} // namespace kx
