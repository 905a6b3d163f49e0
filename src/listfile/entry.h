// The entry record of a list (600 bytes, kept byte for byte) and the in-memory entry tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
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
// Whether the ten bytes are exactly uint64ToExtended(value): a record whose size field holds a
// whole byte count in that form gives it back without loss through extendedToUint64.
inline bool isExactExtended(std::uint64_t value, const std::uint8_t* tenBytes) {
    std::uint8_t exact[10];
    uint64ToExtended(value, exact);
    return std::memcmp(exact, tenBytes, sizeof exact) == 0;
}

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

class EntryTree;
struct Entry;

// The children of one Entry in their current order: a view whose order may be changed in place
// (regrouping, sorting), never its length.
class ChildList {
public:
    ChildList() = default;
    ChildList(Entry** first, std::uint32_t count) : m_p(first), m_n(count) {}
    Entry** begin() const { return m_p; }
    Entry** end() const { return m_p + m_n; }
    std::size_t size() const { return m_n; }
    bool empty() const { return m_n == 0; }
    Entry* operator[](std::size_t i) const { return m_p[i]; }
    Entry* front() const { return m_p[0]; }
    Entry* back() const { return m_p[m_n - 1]; }

private:
    Entry** m_p = nullptr;
    std::uint32_t m_n = 0;
};

// Threads. A tree has one writer: the thread that owns it (the window's UI thread, kxtool's main
// thread; while a list is read, the thread that reads it, until it hands the tree over). Every
// change goes through the writer's calls below: setMark, setMarkCount, patchRecord, setComment,
// setCommentField, clearName, reordering a ChildList, and EntryTree's add, append,
// reserveChildren and addReserved. Any number of threads may read at once while no write
// happens: the const calls (links, names, fields, copyRecord, the walks). A job on another thread
// only reads: the owner hands it the tree when it starts and takes it back when it has ended (the
// thread's start and its end order the owner's writes around the job's reads), makes no change
// in between (the window's busy state; the owner may go on reading, as the window paints), and
// receives as data whatever the job found should change (a save's cleared names). Each reading
// thread unpacks the record blocks into a cache of its own, so readers share nothing they write.

// One file or folder, 40 bytes. What every command reads (the links, name, kind, attributes, mark,
// counts, size) is held here and in the tree's name arena; the rest of the 600-byte record waits
// compressed in the tree's record blocks and is unpacked when asked for. Every byte of the record
// as read is kept: copyRecord gives it back exactly, apart from what a command changed.
struct Entry {
    Entry* parent() const;
    ChildList children() const { return ChildList(m_kids, m_kidCount); }
    // The tree that owns this Entry, and the Entry's place in it (its position in the list as
    // read or built).
    EntryTree& tree() const;
    std::uint32_t id() const;

    // The name field up to its first NUL: the name in the list's code page.
    std::string_view name() const;
    // The exact name kept after the name field's NUL (see exactname.h), when there is one.
    std::optional<std::string_view> exactName() const;
    bool hasExactName() const { return (m_flags & kExactName) != 0; }
    char kind() const { return static_cast<char>(m_kind); }
    bool isFolder() const { return kind() == kFolder; }
    std::uint8_t attributes() const { return m_attributes; }
    bool isDamaged() const { return (attributes() & damaged) != 0; }
    std::uint8_t crossedOut() const { return m_crossedOut; }
    std::uint8_t mark() const { return m_mark; }
    void setMark(std::uint8_t m) { m_mark = m; }
    std::int32_t markCount() const { return m_markCount; }
    void setMarkCount(std::int32_t v) { m_markCount = v; }
    std::uint64_t size() const { return m_size; }
    // True when the comment field is not empty (its first byte is not NUL).
    bool hasComment() const { return (m_flags & kHasComment) != 0; }

    // The text fields up to their first NUL (or the end of the field), unpacked from the record.
    std::string comment() const;
    std::string created() const;
    std::string changed() const;
    std::int32_t depth() const;
    std::int32_t lastChild() const;
    ExtendedFloat sizeValue() const;

    // The whole 600-byte record as it stands.
    void copyRecord(std::uint8_t* out) const;
    // Overwrites `n` bytes of the record at `offset` (fields held here follow). The Entry changes
    // whole or not at all: when memory runs out (std::bad_alloc), it and its record stay as they
    // were. So do setComment, setCommentField and clearName, which patch the record.
    void patchRecord(std::size_t offset, const void* bytes, std::size_t n);
    // Replaces the comment with makeCommentField's field.
    void setComment(std::string_view ansiText);
    // The comment field's 256 bytes exactly, and their replacement (for undoing an edit).
    void copyCommentField(std::uint8_t* out256) const;
    void setCommentField(const std::uint8_t* bytes256);
    // Clears all 256 bytes of the name field.
    void clearName();

private:
    friend class EntryTree;
    std::string unpackedText(std::size_t offset, std::size_t size) const;
    enum Flag : std::uint8_t {
        kHasComment = 1,
        kSizeInRecord = 2,      // the size bytes are no exact whole number: kept in the record
        kLastChildInRecord = 4, // lastChild below -1: kept in the record
        kExactName = 8,         // the arena holds an exact name after the code-page name
    };

    Entry** m_kids;
    std::uint64_t m_size;
    std::uint32_t m_parent; // id + 1; 0 for the root
    std::uint32_t m_kidCount;
    std::uint32_t m_name; // offset in the tree's name arena
    std::int32_t m_markCount;
    std::uint16_t m_nameLength;
    std::uint8_t m_kind, m_attributes, m_mark, m_crossedOut, m_flags;
};

// Owns every Entry of one open list: the Entries in 2 MiB chunks (each chunk knows its tree, so an
// Entry finds its tree and its id from its own address), the names in one arena, the children
// lists, and the rest of the records compressed in blocks of 64.
class EntryTree {
public:
    EntryTree();
    ~EntryTree();
    EntryTree(const EntryTree&) = delete;
    EntryTree& operator=(const EntryTree&) = delete;

    Entry* root() const { return m_count ? at(0) : nullptr; }
    std::size_t entryCount() const { return m_count; }
    Entry* at(std::uint32_t id) const;

    // A new Entry made of a 600-byte record: the first one made is the root; any other is added
    // as the last child of `parent`.
    Entry* add(Entry* parent, const std::uint8_t* record);

    // For a reader that knows each folder's count before its children: `append` makes the Entry
    // without linking it to its parent's list, `reserveChildren` gives a folder room for exactly
    // `count` children and `addReserved` fills that room in order.
    Entry* append(Entry* parent, const std::uint8_t* record);
    // While a large list is read (on): chunks for the tree's storage made ready ahead on a
    // thread of its own, so that building it does not wait for the kernel to clear memory. Off
    // stops that thread. Where no thread can start, chunks are mapped as they are needed.
    void supplyChunks(bool on);
    // Where the next record may be read to before `append` is called with it: spares a copy.
    std::uint8_t* recordPlace();
    void reserveChildren(Entry* folder, std::uint32_t count);
    static void addReserved(Entry* folder, Entry* child) {
        folder->m_kids[folder->m_kidCount++] = child;
    }

    std::string headerText; // the header bytes before the first NUL

    // Bytes held for the records, names and links (for the benchmarks).
    std::size_t heldBytes() const;

private:
    friend struct Entry;
    struct Chunk;
    struct Block;
    struct Store;
    const char* nameAt(std::uint32_t offset) const;
    // Works on copies of Entries too (an Entry finds its tree from its address; this does not).
    std::optional<std::string_view> exactNameOf(const Entry& e) const;
    std::uint32_t storeName(const std::uint8_t* record, std::size_t length,
                            std::optional<std::string_view> exact);
    void takeFields(Entry* e, const std::uint8_t* record);
    void residual(std::uint32_t id, std::uint8_t* out) const;
    void rebuild(const Entry* e, std::uint8_t* record) const;
    void rewrite(Entry* e, const std::uint8_t* record);

    std::unique_ptr<Store> m_store;
    std::size_t m_count = 0;
};

// A comment field made of text: all 256 bytes are zeroed, then at most 254 bytes of the text are
// copied, so the field always ends in at least two zero bytes.
void makeCommentField(std::string_view ansiText, std::uint8_t* out256);

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
        if (i == e->children().size()) {
            stack.pop_back();
            continue;
        }
        const Entry* c = e->children()[i++];
        if (!f(c)) return;
        if (!c->children().empty()) stack.emplace_back(c, 0);
    }
}

// Reorders a children list in place so that folders come before files: every file that stands
// before a folder is exchanged with the first folder after it. Folders keep their order.
void foldersFirst(Entry** first, Entry** last);
inline void foldersFirst(ChildList list) {
    foldersFirst(list.begin(), list.end());
}
inline void foldersFirst(std::vector<Entry*>& list) {
    foldersFirst(list.data(), list.data() + list.size());
}

// The record's little-endian 32-bit field at `offset`.
inline std::int32_t readI32(const std::uint8_t* record, std::size_t offset) {
    return static_cast<std::int32_t>(
        std::uint32_t(record[offset]) | std::uint32_t(record[offset + 1]) << 8 |
        std::uint32_t(record[offset + 2]) << 16 | std::uint32_t(record[offset + 3]) << 24);
}
inline void writeI32(std::uint8_t* record, std::size_t offset, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        record[offset + i] = static_cast<std::uint8_t>(u >> (8 * i));
}
// A text field up to its first NUL or the end of the field.
inline std::string_view fieldText(const std::uint8_t* record, std::size_t offset,
                                  std::size_t size) {
    const char* p = reinterpret_cast<const char*>(record + offset);
    const void* nul = std::memchr(p, 0, size);
    return std::string_view(p, nul ? std::size_t(static_cast<const char*>(nul) - p) : size);
}

} // namespace kx
