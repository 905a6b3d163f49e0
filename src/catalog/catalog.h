// The catalogue of many lists: an SQLite database that keeps, for every list added to it, what a
// search row needs of each Entry, and a name index derived from it (the names packed, with their
// trigram postings), so that a search across all the lists answers without opening one of them.
#pragma once

#include "listfile/entry.h"
#include "listfile/io/error.h"
#include "query/filetypes.h"
#include "query/filter.h"
#include "support/progress.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace kx::catalog {

class NameIndex;

// Every failure of the catalogue throws kx::Error with one of the catalogue's codes
// (isCatalogueError); a list that cannot be read throws it with the list's code (from its open).

// $XDG_DATA_HOME/fentaro-light/catalog.sqlite, or ~/.local/share/fentaro-light/catalog.sqlite.
std::string defaultCatalogPath();

// The name under which a list is catalogued: the path as the kernel resolves it, every link
// followed (realpath), so that it names the file an open of the path reads. A path that names
// no file: its folder resolved and its name added, else made absolute and lexically normal.
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
    std::int64_t indexedAt = 0;  // seconds since 1970, UTC
    std::string headerText;      // in the list's code page
    std::string rootName;        // in the list's code page
    std::string rootExact;       // the root's exact name (UTF-8), empty when it has none
    std::string label;           // UTF-8, empty when none: the user's name for the disk
    std::string note;            // UTF-8, empty when none
    std::uint64_t fileBytes = 0; // the sizes of the list's files summed (saturating), as indexed
    // The list file as it was when indexed (see Catalog::fileState).
    std::int64_t fileSize = 0, mtimeNs = 0, inode = 0, device = 0;
};

// The list file now, against the catalogue's copy: as indexed, changed since (size, modification
// time, inode or device), or not there (or no regular file).
enum class ListFileState { present, changed, missing };

// Whether Catalog::open makes a catalogue where there is none.
enum class OpenMode { create, existing };

// Names and captions of duplicates are as shown (UTF-8, an exact name where the Entry has one).
struct Duplicate {
    std::uint64_t size;
    std::string name;
    std::string listPath; // absolute
    std::string caption;  // the path below the root, names separated by "\"
};

// One name and size held by several files: how many, and the bytes all copies but one take.
struct DuplicateGroup {
    std::uint64_t size;
    std::string name;
    std::uint64_t copies;
    std::uint64_t wasted; // size x (copies - 1), saturating
};

// One of the largest files of the catalogue.
struct LargeFile {
    std::uint64_t size;
    std::string name; // in the list's code page
    std::int64_t listId;
    std::string listPath; // absolute
    std::string caption;  // the path below the root, names separated by "\"
    std::uint32_t ord;    // the place in the list's walk (see entryAtOrd)
};

// The groups of duplicates() (its runs of equal size and name) that have copies in at least two
// lists of different roots: two snapshots of one disk are no duplicates of each other.
std::vector<Duplicate> acrossLists(const std::vector<Duplicate>& rows,
                                   const std::vector<ListRecord>& lists);
// One row per group of duplicates() rows: most bytes wasted first, then by name, then largest.
std::vector<DuplicateGroup> duplicateGroups(const std::vector<Duplicate>& rows);

// Called when an open or a write of the catalogue begins to wait for another program's write to
// end (a writer waits up to ten minutes, then fails with catalogueFailed). For the whole process.
void setWaitNotice(std::function<void()> notice);

// Called when Catalog::open finds a catalogue that users other than its owner may read (its
// file, its folder, or a file beside it has a group or other read bit), on every such open, on
// the thread that opens it, with the catalogue's path. A catalogue made by this program is
// private: the file 0600 (its -wal and -shm files too), the folders made 0700. For the process.
void setReadableNotice(std::function<void(const std::string& path)> notice);

// One found row: its list, the Entry as the list holds it (name with its exact form, kind, size,
// dates, attributes, mark, comment), its caption (the path below the root of the names as shown,
// UTF-8, as resultCaption makes it with NameForm::shown) and its place
// in the list's pre-order walk as the viewer opens it (the root is 0; see entryAtOrd). It returns
// false to stop the search there. The Entry lives only during the call.
using FoundRow = std::function<bool(const ListRecord& list, const Entry& entry,
                                    const std::string& caption, std::uint32_t ord)>;

// A found row as the catalogue stores it, without making an Entry: the name and the caption as
// shown (UTF-8: an exact name where the Entry has one, any other name converted from the code
// page), every other text in the list's code page, as the Entry's own fields give it. It lives
// only during the call.
struct StoredRow {
    std::uint32_t ord = 0;
    std::string_view name, caption;
    std::string_view codePageName; // the name field up to its NUL
    bool exactName = false;        // `name` is the exact name kept after that NUL
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
    // Opens the catalogue at `path`, making it (and its folder) when there is no file; with
    // OpenMode::existing a missing file throws catalogueMissing and nothing is made. Nothing the
    // file holds runs (no trigger, no view, no function of its schema), and a file whose tables
    // are not exactly the catalogue's, or a non-empty database of another program, throws
    // notCatalogue and is left as it is; only a file that holds nothing becomes a catalogue. A
    // catalogue of an older schema is brought up to date in place. Throws kx::Error
    // (notCatalogue, catalogueDamaged, catalogueTooNew, ...) with the path.
    static std::unique_ptr<Catalog> open(const std::string& path, OpenMode mode = OpenMode::create);
    ~Catalog();
    Catalog(const Catalog&) = delete;
    Catalog& operator=(const Catalog&) = delete;

    // Asked now and then while a query of this catalogue runs, on the thread that runs it: true
    // ends the query, which throws catalogueFailed (an add returns cancelled; its transaction is
    // rolled back). An empty function lets every query run to its end.
    void stopWhen(std::function<bool()> stop);
    // True when the stop asks to end the work.
    bool stopped() const;

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
    // The list catalogued under the path (made absolute), else the one list with that label;
    // nothing when there is none, or when several lists have the label (see listsLabelled).
    std::optional<ListRecord> listByPathOrLabel(const std::string& pathOrLabel) const;
    std::vector<ListRecord> listsLabelled(const std::string& utf8) const;
    // A stat of list.path against the stamp taken when it was indexed.
    ListFileState fileState(const ListRecord& list) const;
    // The user's label and note of a list; an empty text clears them. An add that indexes the
    // list again keeps them. Throws catalogueFailed when there is no such list.
    void setLabel(std::int64_t listId, const std::string& utf8);
    void setNote(std::int64_t listId, const std::string& utf8);

    // The list as it was indexed, from the catalogue alone: the header text, the root and every
    // Entry with its whole 600-byte record as the list held it, in the order the viewer shows it
    // (the root's children regrouped folders first), so that entryAtOrd(tree->root(), ord) is the
    // Entry a found row names. The progress hears the Entries read of the Entries in all now and
    // then; null when it stopped the load. Throws kx::Error (a catalogue code) on failure,
    // catalogueFailed when there is no such list.
    std::unique_ptr<EntryTree> loadTree(std::int64_t listId, const Progress& progress = {}) const;

    // The rows that searchFiltered(root, filter) gives on each catalogued list as the viewer
    // opens it, list by list in the order they were first added, each list's rows in its search
    // order. filter.mask is in the lists' 8-bit code page, filter.typedMask is matched against
    // exact names (see EntryFilter). The trigram postings narrow a mask of three bytes or more
    // (a glob with a run of three bytes between its wildcards) to candidates; the filter's own
    // test over each candidate decides.
    // The rows stream: memory stays bounded whatever their number (see catalogsearch.cpp).
    void find(const EntryFilter& filter, const FoundRow& row) const;
    // The same rows as stored.
    void findStored(const EntryFilter& filter, const FoundStoredRow& row) const;
    // Makes the name index that searches read, unless it is up to date; a search makes it
    // itself when it is not, so this only moves the wait (after adding many lists, say).
    void prepareSearch() const;

    // Every file whose name as shown (its exact name where it has one) and whole size in bytes
    // (at least minSize) equal another file's in the catalogue: largest first, then by name,
    // list and search order.
    std::vector<Duplicate> duplicates(std::uint64_t minSize) const;

    // Where the space goes over every catalogued list, read in one pass over the stored rows with
    // memory bounded by what is kept: the files (kind other than 'D') and their bytes by type,
    // names taken in the lists' code page; and the `most` largest files that the choice holds,
    // largest first, then by list and place. A size that is no whole byte count counts 0.
    TypeTotals sizesByType() const;
    std::vector<LargeFile> largestFiles(std::size_t most, const TypeChoice& choice = {}) const;

private:
    explicit Catalog(sqlite3* db, std::string path);
    void setListText(std::int64_t listId, const char* column, const std::string& utf8);
    void searchIndex(const NameIndex& index, const std::vector<ListRecord>& all,
                     const EntryFilter& filter, const FoundStoredRow& row) const;
    struct Statements;
    sqlite3* m_db;
    std::string m_path;
    std::unique_ptr<Statements> m_st;
    std::function<bool()> m_stop;
};

// The list files (*.kx, the case ignored) at or below a path: the path itself when it is no
// folder (a missing one too, so that its reader reports it); every list file below a folder,
// sorted, without following links to folders.
std::vector<std::string> listFilesAt(const std::string& path);

} // namespace kx::catalog
