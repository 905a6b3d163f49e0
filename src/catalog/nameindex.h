// The name index: a file beside the catalogue, derived from it, that holds per list what a search
// reads (the names packed in walk order, each row's fields, the comments and the folders' paths)
// so that a search streams its rows from a few sequential reads and never touches SQLite's rows.
//
// It is trusted only when its header names the generation the catalogue holds now (a number
// bumped in the transaction of every change of the lists); otherwise, and when it is missing,
// foreign or damaged, it is made again from the catalogue into a temporary file that is renamed
// into place (owner-only). Every offset and length read from it is checked against the file.
//
// Layout (little-endian):
//   header (64 bytes): "FLKXNIX1", u32 version, u32 list count, i64 generation, u64 file size,
//                      u32 row size, zeros
//   per list (128 bytes): i64 list id, u32 entries (the root included), u32 0, then the offset
//                      of its names, the names' length, the offsets of its name blocks and rows,
//                      of its comments and their length, of its texts and their length, of its
//                      grams and their number, of its postings and their length, of its exact
//                      ords and their number (u64 each)
//   names:    every Entry's name as matched in walk order (ord 0, 1, ...), each followed by a
//             NUL: its exact name (UTF-8) where it has one, else the code page's
//   blocks:   u32 per 64 names: where name 64*i starts, counted from the list's names
//   rows:     kRowSize bytes per ord: u32 parent ord, kind, attributes, mark, crossed-out byte,
//             the ten size bytes, created and changed (6 bytes each: 0 none, below 2^47 the
//             packed date + 1, else 2^47 + a text's offset), u32 comment (0 none, else its
//             offset + 1 in comments), u32 path (0 none, else a folder's path's offset + 1 in
//             texts), flags (kExactNameRow: the name is exact)
//   comments: per commented Entry in walk order: u32 ord, the comment, NUL
//   texts:    folders' paths below the root (names as shown, UTF-8) and dates of other shapes,
//             each followed by a NUL
//   grams, postings: the trigram postings (see postings.h) of the names as matched, upper-cased
//             (by the code page, an exact name by Unicode in UTF-8)
//   exacts:   u32 per Entry whose name is exact, its ord, ascending: the search's walk learns
//             from them how to match a name without reading its row
#pragma once

#include "catalog/sqlstore.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kx::catalog {

constexpr std::size_t kRowSize = 39;
constexpr std::uint8_t kExactNameRow = 1;

// The number that every change of the lists bumps, in the change's own transaction.
void bumpGeneration(sqlite3* db);
std::int64_t generationOf(sqlite3* db);

std::string nameIndexPath(const std::string& catalogPath);

// Writes the index of every list as the catalogue holds it now (call inside a read transaction).
void buildNameIndex(sqlite3* db, std::int64_t generation, const std::string& path);

struct IndexedList {
    std::int64_t id = 0;
    std::uint32_t entries = 0;
    std::uint64_t names = 0, namesLength = 0, blocks = 0, rows = 0, comments = 0,
                  commentsLength = 0, texts = 0, textsLength = 0, grams = 0, gramCount = 0,
                  postings = 0, postingsLength = 0, exacts = 0, exactCount = 0;
};

// One row's fields as the index keeps them.
struct IndexRow {
    std::uint32_t parent = 0;
    char kind = 0;
    std::uint8_t attributes = 0, mark = 0, crossedOut = 0;
    std::uint8_t size[10] = {};
    std::uint64_t created = 0, changed = 0;
    std::uint32_t comment = 0, path = 0;
    bool exactName = false;
};
IndexRow decodeRow(const std::uint8_t* bytes);

// An open index file. Reads go through pread, so its pages stay in the file cache and out of the
// process's memory.
class NameIndex {
public:
    // Null when the file is missing, foreign, damaged in its header or of another generation.
    static std::unique_ptr<NameIndex> open(const std::string& path, std::int64_t generation);
    ~NameIndex();
    NameIndex(const NameIndex&) = delete;
    NameIndex& operator=(const NameIndex&) = delete;

    const std::vector<IndexedList>& lists() const { return m_lists; }
    // Reads n bytes at offset; a short read is a damaged index.
    void read(std::uint64_t offset, void* out, std::size_t n) const;

private:
    NameIndex(int fd, std::vector<IndexedList> lists) : m_fd(fd), m_lists(std::move(lists)) {}
    int m_fd;
    std::vector<IndexedList> m_lists;
};

// A failure of the index file's own checks.
[[noreturn]] void damagedIndex(const char* what);

// A section read front to back in large pieces: texts up to their NUL, and whole numbers.
class SectionReader {
public:
    SectionReader(const NameIndex& index, std::uint64_t offset, std::uint64_t length);
    // The next text; false at the end. A text without its NUL is damage.
    bool nextText(std::string_view& text);
    bool nextU32(std::uint32_t& v);
    // Starts again at `at` bytes into the section.
    void seek(std::uint64_t at);
    // Goes on at `at` bytes into the section: within the buffer, or a little ahead of it, the
    // reading goes on as it was; elsewhere it starts again as after seek.
    void moveTo(std::uint64_t at);
    // The text at `at` bytes into the section.
    bool textAt(std::uint64_t at, std::string_view& text) {
        moveTo(at);
        return nextText(text);
    }

private:
    // At least `want` bytes buffered (fewer at the end of the section): false when none.
    bool fill(std::size_t want);
    const NameIndex& m_index;
    std::uint64_t m_offset, m_length, m_next = 0; // m_next: the section's byte after the buffer
    std::vector<char> m_buffer;
    std::size_t m_at = 0, m_end = 0, m_piece = 256 * 1024;
};

// The names of one list by ord: fast forward, a jump through the blocks when far ahead or behind.
class NameCursor {
public:
    NameCursor(const NameIndex& index, const IndexedList& list);
    std::string_view at(std::uint32_t ord);

private:
    const NameIndex& m_index;
    const IndexedList& m_list;
    // Where name kBlock * i starts, for the blocks from m_firstBlock on (a window of the table).
    std::uint64_t blockStart(std::uint32_t block);
    SectionReader m_names;
    std::uint32_t m_next = 0; // the ord of the next text
    std::string_view m_last;
    std::vector<std::uint32_t> m_blocks;
    std::uint32_t m_firstBlock = 0;
};

// The rows of one list by ord, through a window of neighbouring rows.
class RowCursor {
public:
    RowCursor(const NameIndex& index, const IndexedList& list) : m_index(index), m_list(list) {}
    IndexRow at(std::uint32_t ord);

private:
    const NameIndex& m_index;
    const IndexedList& m_list;
    std::vector<std::uint8_t> m_window;
    std::uint32_t m_first = 0, m_count = 0, m_windowRows = 32;
};

// A text of a section at an offset (a comment, a path, a date), up to its NUL.
std::string textAt(const NameIndex& index, std::uint64_t section, std::uint64_t length,
                   std::uint64_t offset);

} // namespace kx::catalog
