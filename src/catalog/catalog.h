// The catalogue of many lists: an SQLite database that keeps, for every list added to it, what a
// search row needs of each Entry and a trigram index of the names, so that a search across all the
// lists answers without opening one of them.
#pragma once

#include "listfile/entry.h"
#include "listfile/io/error.h"
#include "query/filter.h"
#include "support/progress.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct sqlite3;

namespace kx::catalog {

class NameIndex;

// Every failure of the catalogue throws kx::Error with one of the catalogue's codes
// (isCatalogueError); a list that cannot be read throws it with the list's code (from its open).

// $XDG_DATA_HOME/fentaro-light/catalog.sqlite, or ~/.local/share/fentaro-light/catalog.sqlite.
std::string defaultCatalogPath();

// A path made absolute and lexically normal (symbolic links are kept as written): the name
// under which a list is catalogued.
std::string absoluteListPath(const std::string& path);

// cancelled: the progress stopped the add; the catalogue kept what it had of the list.
enum class AddOutcome { added, updated, unchanged, cancelled };

struct AddResult {
    AddOutcome outcome;
    std::string path;      // absolute
    std::uint64_t entries; // the root included
};

struct ListRecord {
    std::int64_t id = 0; // grows with the order in which lists were first added
    std::string path;
    std::uint64_t entries = 0;
    std::int64_t indexedAt = 0; // seconds since 1970, UTC
    std::string headerText;     // in the list's code page
    std::string rootName;       // in the list's code page
};

struct Duplicate {
    std::uint64_t size;
    std::string name;     // in the list's code page
    std::string listPath; // absolute
    std::string caption;  // the path below the root, names separated by "\"
};

// One found row: its list, the Entry as the list holds it (name, kind, size, dates, attributes,
// mark, comment), its caption (the path below the root, as resultCaption makes it) and its place
// in the list's pre-order walk as the viewer opens it (the root is 0; see entryAtOrd). It returns
// false to stop the search there. The Entry lives only during the call.
using FoundRow = std::function<bool(const ListRecord& list, const Entry& entry,
                                    const std::string& caption, std::uint32_t ord)>;

// A found row as the catalogue stores it, without making an Entry: every text in the list's code
// page, as the Entry's own fields give it. It lives only during the call.
struct StoredRow {
    std::uint32_t ord = 0;
    std::string_view name, caption;
    char kind = 0;
    std::uint8_t attributes = 0, mark = 0, crossedOut = 0;
    const std::uint8_t* size = nullptr; // the record's ten bytes
    std::string_view created, changed, comment;
};
using FoundStoredRow = std::function<bool(const ListRecord& list, const StoredRow& row)>;

// The Entry at `ord` in the pre-order walk from `root` (the root itself at 0), or null when the
// walk is shorter: where a found row is in the list, once opened as it was when indexed.
const Entry* entryAtOrd(const Entry* root, std::uint32_t ord);

class Catalog {
public:
    // Opens the catalogue at `path`, making it (and its folder) when there is no file. Throws
    // kx::Error (notCatalogue, catalogueDamaged, catalogueTooNew, ...) with the path.
    static std::unique_ptr<Catalog> open(const std::string& path);
    ~Catalog();
    Catalog(const Catalog&) = delete;
    Catalog& operator=(const Catalog&) = delete;

    // Adds a list, or indexes it again when its file changed (size, modification time, inode or
    // device) since it was indexed; an unchanged list is left alone. One transaction per list:
    // a failure or a cancel leaves the catalogue as it was. The progress hears the Entries
    // indexed of the Entries in all now and then. Throws kx::Error when the list cannot be read.
    AddResult add(const std::string& listPath, const Progress& progress = {});
    // Forgets a list; false when it was not catalogued.
    bool remove(const std::string& listPath);
    std::vector<ListRecord> lists() const;
    // True when the list is catalogued (under its absolute path).
    bool contains(const std::string& listPath) const;

    // The rows that searchFiltered(root, filter) gives on each catalogued list as the viewer
    // opens it, list by list in the order they were first added, each list's rows in its search
    // order. filter.mask is in the lists' 8-bit code page. The trigram index narrows a mask of
    // three bytes or more to candidates; the filter's own test over each candidate decides.
    // The rows stream: memory stays bounded whatever their number (see catalogsearch.cpp).
    void find(const EntryFilter& filter, const FoundRow& row) const;
    // The same rows as stored.
    void findStored(const EntryFilter& filter, const FoundStoredRow& row) const;
    // Makes the name index that searches read, unless it is up to date; a search makes it
    // itself when it is not, so this only moves the wait (after adding many lists, say).
    void prepareSearch() const;

    // Every file whose name and whole size in bytes (at least minSize) equal another file's in
    // the catalogue: largest first, then by name, list and search order.
    std::vector<Duplicate> duplicates(std::uint64_t minSize) const;

private:
    explicit Catalog(sqlite3* db, std::string path);
    void searchIndex(const NameIndex& index, const std::vector<ListRecord>& all,
                     const EntryFilter& filter, const FoundStoredRow& row) const;
    struct Statements;
    sqlite3* m_db;
    std::string m_path;
    std::unique_ptr<Statements> m_st;
};

} // namespace kx::catalog
