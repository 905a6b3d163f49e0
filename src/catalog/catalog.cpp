// The catalogue's file: where it lives, how it is opened and checked, and its lists.
//
// Tables (schema version 4):
//   lists(id, path, fileSize, mtimeNs, inode, device, entries, indexedAt, header, root, label,
//         note, fileBytes): the list file's stamp when it was indexed, the user's label and note
//         (UTF-8, NULL when none) and the sum of its files' sizes (saturating at 2^64 - 1, kept
//         as the integer of the same 64 bits).
//   entries(list, ord, parent, name, kind, attributes, size, created, changed, mark, crossedOut,
//           comment, path, exact), keyed by (list, ord) without a rowid: `ord` is the Entry's
//           place in the pre-order walk of the list as the viewer opens it (the root 0, its
//           children regrouped folders first), so the search order of a list is ascending ord
//           followed by the folders-to-front pass; `parent` is the parent's ord. `name` is the
//           code page's, `exact` the exact name (listfile/exactname.h) where the record keeps one,
//           else NULL. `path` is set for every Entry below the root that has children: its path
//           below the root made of the names as shown (UTF-8), so that a result's caption is one
//           more read whatever its depth, and mostly none, since in pre-order a parent's row lies
//           a few rows before its children's, on the same page.
//   recordRest(list, ord, bytes): what an Entry's record holds beyond the entries row (see
//           recordrest.h), only for the Entries that have any.
// Values keep their own types: a size is an integer when the record holds that whole number
// exactly, else the record's ten bytes; a date is the integer YYYYMMDDhhmmss when its text is
// "DD.MM.YYYY hh:mm:ss" exactly, else its bytes; an empty text is NULL. The trigram postings of
// the names are no table: the name index beside the catalogue derives them (see postings.h).
#include "catalog/catalogfile.h"
#include "catalog/nameindex.h"
#include "catalog/recordrest.h"
#include "catalog/sqlstore.h"

#include "listfile/exactname.h"
#include "query/belowroot.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>

namespace kx::catalog {

namespace {

constexpr int kSchemaVersion = 4;
constexpr int kApplicationId = 0x466c4b43; // "FlKC"

// Version 1 to 2: the label, the note and the files' bytes of every list, and the rest of the
// records. A list indexed under version 1 has no rest: its records come back as the entries
// rows hold them (depths from the tree, no mark counts) until it is indexed again.
void addLabelsAndRest(sqlite3* db) {
    exec(db, "ALTER TABLE lists ADD COLUMN label TEXT; ALTER TABLE lists ADD COLUMN note TEXT; "
             "ALTER TABLE lists ADD COLUMN fileBytes INTEGER");
    exec(db, kRestTable);
    Stmt sizes(db, "SELECT list, size FROM entries WHERE kind != 68 ORDER BY list");
    Stmt put(db, "UPDATE lists SET fileBytes = ?2 WHERE id = ?1");
    std::int64_t list = -1;
    std::uint64_t sum = 0;
    const auto flush = [&] {
        if (list >= 0) put.bind(1, list).bind(2, std::int64_t(sum)).run();
    };
    while (sizes.step()) {
        if (sizes.integer(0) != list) {
            flush();
            list = sizes.integer(0);
            sum = 0;
        }
        sum = saturatingAdd(sum, storedSize(sizes, 1));
    }
    sizes.reset();
    flush();
    exec(db, "UPDATE lists SET fileBytes = 0 WHERE fileBytes IS NULL");
}

// Version 3 to 4, first half: the exact names, found in the rests of the records (the bytes after
// the name field's NUL). A list indexed without rests has none until it is indexed again.
void addExactNames(sqlite3* db) {
    exec(db, "ALTER TABLE entries ADD COLUMN exact BLOB");
    struct Found {
        std::int64_t list, ord;
        std::string exact;
    };
    std::vector<Found> found;
    Stmt rests(db, "SELECT r.list, r.ord, r.bytes, e.name FROM recordRest r "
                   "JOIN entries e ON e.list = r.list AND e.ord = r.ord");
    std::uint8_t record[kRecordSize];
    while (rests.step()) {
        std::memset(record, 0, sizeof record);
        const std::string_view name = rests.blob(3);
        if (!name.empty()) std::memcpy(record, name.data(), std::min(name.size(), rec::nameSize));
        try {
            applyRest(record, rests.blob(2));
        } catch (const Error&) {
            continue; // the list's load tells of a bad rest; the catalogue opens
        }
        if (const auto exact = exactNameIn(record + rec::name))
            found.push_back({rests.integer(0), rests.integer(1), std::string(*exact)});
    }
    rests.reset();
    Stmt put(db, "UPDATE entries SET exact = ?3 WHERE list = ?1 AND ord = ?2");
    for (const Found& f : found)
        put.bind(1, f.list).bind(2, f.ord).bindBlob(3, f.exact.data(), f.exact.size()).run();
}

// Version 3 to 4, second half: the folders' paths made of the names as shown (UTF-8), not of the
// code page's, list by list in walk order (each parent before its children).
void showPaths(sqlite3* db) {
    std::vector<std::int64_t> lists;
    for (Stmt ids(db, "SELECT id FROM lists"); ids.step();)
        lists.push_back(ids.integer(0));
    Stmt rows(db,
              "SELECT ord, parent, name, exact, path FROM entries WHERE list = ?1 ORDER BY ord");
    Stmt put(db, "UPDATE entries SET path = ?3 WHERE list = ?1 AND ord = ?2");
    for (const std::int64_t list : lists) {
        std::vector<std::pair<std::int64_t, std::string>> open, changed; // (ord, path)
        rows.bind(1, list);
        while (rows.step()) {
            const std::int64_t ord = rows.integer(0), parent = rows.integer(1);
            if (ord == 0 || rows.type(4) == SQLITE_NULL) continue;
            while (parent != 0 && !open.empty() && open.back().first != parent)
                open.pop_back();
            if (parent != 0 && open.empty()) {
                rows.reset();
                throw Error(ErrorCode::catalogueDamaged, {}, 0, "a missing folder");
            }
            std::string path = childPath(parent == 0 ? std::string_view() : open.back().second,
                                         parent == 0, shownName(rows, 2, 3), PathJoin::caption);
            if (path != rows.blob(4)) changed.emplace_back(ord, path);
            open.emplace_back(ord, std::move(path));
        }
        rows.reset();
        for (const auto& [ord, path] : changed)
            put.bind(1, list).bind(2, ord).bindBlob(3, path.data(), path.size()).run();
    }
}

// Brings a catalogue of schema version `from` up to the current one, step by step, inside the
// caller's transaction.
void upgradeSchema(sqlite3* db, std::int64_t from) {
    if (from < 2) addLabelsAndRest(db);
    // Version 2 to 3: the postings moved to the name index, which is made again since the
    // layout of its version changed too.
    if (from < 3) exec(db, "DROP TABLE IF EXISTS grams");
    if (from < 4) {
        addExactNames(db);
        showPaths(db);
        // The name index is made again: its generation is no longer the catalogue's.
        bumpGeneration(db);
    }
}

// The notices of every catalogue of the process; called under their lock, so that a notice
// that is being changed or removed is never called.
struct Notices {
    std::mutex lock;
    std::function<void()> waiting;
    std::function<void(const std::string&)> readable;
};

Notices& notices() {
    static Notices n;
    return n;
}

void tellWaiting() {
    Notices& n = notices();
    const std::lock_guard<std::mutex> held(n.lock);
    if (n.waiting) n.waiting();
}

void tellReadable(const std::string& path) {
    Notices& n = notices();
    const std::lock_guard<std::mutex> held(n.lock);
    if (n.readable) n.readable(path);
}

// A writer holds the catalogue: wait for it, in steps growing to 100 ms, for ten minutes at most
// (an add of a large list takes a while; a search never waits, see WAL).
int waitForWriter(void*, int count) {
    constexpr int kSteps = 7 + 10 * 60 * 10;
    if (count == 0) tellWaiting();
    if (count >= kSteps) return 0;
    sqlite3_sleep(count < 7 ? 1 << count : 100);
    return 1;
}

} // namespace

void setWaitNotice(std::function<void()> notice) {
    Notices& n = notices();
    const std::lock_guard<std::mutex> held(n.lock);
    n.waiting = std::move(notice);
}

void setReadableNotice(std::function<void(const std::string& path)> notice) {
    Notices& n = notices();
    const std::lock_guard<std::mutex> held(n.lock);
    n.readable = std::move(notice);
}

std::string defaultCatalogPath() {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (data && *data == '/') {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) throw Error(ErrorCode::catalogueNoHome);
        base = std::string(home) + "/.local/share";
    }
    return base + "/fentaro-light/catalog.sqlite";
}

Catalog::Catalog(sqlite3* db, std::string path)
    : m_db(db), m_path(std::move(path)), m_st(std::make_unique<Statements>(db)) {}

Catalog::~Catalog() {
    m_st.reset();
    sqlite3_close(m_db);
}

namespace {

// Makes the schema in a file that holds nothing yet; refuses a file of another program or of
// another schema, before anything reads or writes its tables; brings an older schema of ours
// up to date.
void prepareSchema(sqlite3* db) {
    if (holdsNothing(db)) {
        // A search reads about one leaf per found row: 32 KiB pages hold a parent's row near
        // its children's and keep the levels above few, yet each read stays short (measured
        // against 4, 16 and 64 KiB).
        exec(db, "PRAGMA page_size = 32768");
        // Two programs may find the file empty at once: the one that writes second finds the
        // schema there once its turn comes. (A write transaction gives the file its first page
        // at once, so this second look asks for the schema itself.)
        WriteTransaction making(db);
        if (pragmaValue(db, "SELECT count(*) FROM sqlite_master") == 0 &&
            pragmaValue(db, "PRAGMA application_id") == 0) {
            exec(db, (std::string(kListsTable) + kListsAddedColumns + ")").c_str());
            exec(db, entriesTable(kSchemaVersion).c_str());
            exec(db, kRestTable);
            exec(db, ("PRAGMA application_id = " + std::to_string(kApplicationId) +
                      "; PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";")
                         .c_str());
        }
        making.commit();
        // Searches go on while a list is being added (a reader never waits for a writer).
        exec(db, "PRAGMA journal_mode = WAL");
    }
    // Another program's database, an empty one too, is never taken over.
    if (pragmaValue(db, "PRAGMA application_id") != kApplicationId)
        throw Error(ErrorCode::notCatalogue);
    const std::int64_t version = pragmaValue(db, "PRAGMA user_version");
    if (version > kSchemaVersion) throw Error(ErrorCode::catalogueTooNew);
    if (version < 1) throw Error(ErrorCode::catalogueDamaged, {}, 0, "no schema version");
    checkSchema(db, version);
    if (version < kSchemaVersion) {
        WriteTransaction upgrading(db);
        const std::int64_t now = pragmaValue(db, "PRAGMA user_version");
        if (now < kSchemaVersion) {
            if (now != version) checkSchema(db, now);
            upgradeSchema(db, now);
            exec(db, ("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
        }
        upgrading.commit();
    }
}

// A stop asked for by Catalog::stopWhen ends the running statement.
int stopCheck(void* catalogStop) {
    const auto& stop = *static_cast<const std::function<bool()>*>(catalogStop);
    return stop && stop() ? 1 : 0;
}

} // namespace

std::unique_ptr<Catalog> Catalog::open(const std::string& path, OpenMode mode) {
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) throw Error(ErrorCode::catalogueNotRegularFile, path);
    if (!exists && mode == OpenMode::existing)
        throw Error(ErrorCode::catalogueMissing, path, errno);
    if (!exists) makePrivateFile(path);
    sqlite3* db = nullptr;
    // SQLite never makes the file: one made here is private, and an existing catalogue is never
    // made anew, even if it vanished since the stat above.
    const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const std::string why = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        throw Error(ErrorCode::catalogueOpenFailed, path, 0, why);
    }
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> guard(db, sqlite3_close);
    sqlite3_busy_handler(db, waitForWriter, nullptr);
    try {
        openDefensively(db);
        // Pages are read into a small cache, not through a map of the file: a search touches
        // about one page per row found, once per process, and here a page fault on a map costs
        // more than a read call. A small cache is also quicker to fill than a large one.
        // Work that walks whole tables (add, dups) raises it while it runs (see LargeCache).
        exec(db, "PRAGMA mmap_size = 0");
        exec(db, kSmallCache);
        // Reading the schema is the first read of the file: a damaged one fails here.
        prepareSchema(db);
    } catch (const Error& e) {
        if (!e.path().empty()) throw;
        // Name the file in the sentence.
        throw Error(e.code(), path, e.sysErrno(), e.detail());
    }
    guard.release();
    std::unique_ptr<Catalog> catalog(new Catalog(db, path));
    if (exists && othersCanRead(path)) tellReadable(path);
    return catalog;
}

void Catalog::stopWhen(std::function<bool()> stop) {
    m_stop = std::move(stop);
    // Asked every few thousand steps of SQLite's machine: often enough to stop at once.
    if (m_stop)
        sqlite3_progress_handler(m_db, 4096, stopCheck, &m_stop);
    else
        sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
}

bool Catalog::stopped() const {
    return m_stop && m_stop();
}

bool Catalog::remove(const std::string& listPath) {
    const std::string path = absoluteListPath(listPath);
    Stmt& find = m_st->listByPath;
    find.bindText(1, path);
    if (!find.step()) {
        find.reset();
        return false;
    }
    const std::int64_t id = find.integer(0);
    find.reset();
    WriteTransaction removing(m_db);
    bumpGeneration(m_db);
    Stmt(m_db, "DELETE FROM entries WHERE list = ?1").bind(1, id).run();
    Stmt(m_db, "DELETE FROM recordRest WHERE list = ?1").bind(1, id).run();
    Stmt(m_db, "DELETE FROM lists WHERE id = ?1").bind(1, id).run();
    removing.commit();
    return true;
}

std::vector<ListRecord> Catalog::lists() const {
    std::vector<ListRecord> out;
    Stmt& s = m_st->allLists;
    while (s.step())
        out.push_back(listOf(s));
    s.reset();
    return out;
}

bool Catalog::contains(const std::string& listPath) const {
    Stmt& find = m_st->listByPath;
    find.bindText(1, absoluteListPath(listPath));
    const bool known = find.step();
    find.reset();
    return known;
}

std::optional<ListRecord> Catalog::listByPathOrLabel(const std::string& pathOrLabel) const {
    Stmt& s = m_st->listOfPath;
    s.bindText(1, absoluteListPath(pathOrLabel));
    std::optional<ListRecord> found;
    if (s.step()) found = listOf(s);
    s.reset();
    if (found) return found;
    std::vector<ListRecord> labelled = listsLabelled(pathOrLabel);
    if (labelled.size() == 1) return std::move(labelled.front());
    return std::nullopt;
}

std::vector<ListRecord> Catalog::listsLabelled(const std::string& utf8) const {
    std::vector<ListRecord> out;
    if (utf8.empty()) return out;
    Stmt& s = m_st->listsOfLabel;
    s.bindText(1, utf8);
    while (s.step())
        out.push_back(listOf(s));
    s.reset();
    return out;
}

ListFileState Catalog::fileState(const ListRecord& list) const {
    struct stat st {};
    if (::stat(list.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return ListFileState::missing;
    const FileStamp indexed{list.fileSize, list.mtimeNs, list.inode, list.device};
    return stampOf(list.path) == indexed ? ListFileState::present : ListFileState::changed;
}

void Catalog::setListText(std::int64_t listId, const char* column, const std::string& utf8) {
    WriteTransaction writing(m_db);
    Stmt s(m_db, (std::string("UPDATE lists SET ") + column + " = ?2 WHERE id = ?1").c_str());
    s.bind(1, listId);
    if (utf8.empty())
        s.bindNull(2);
    else
        s.bindText(2, utf8);
    s.run();
    if (sqlite3_changes(m_db) != 1)
        throw Error(ErrorCode::catalogueFailed, m_path, 0, "no such list");
    writing.commit();
}

void Catalog::setLabel(std::int64_t listId, const std::string& utf8) {
    setListText(listId, "label", utf8);
}

void Catalog::setNote(std::int64_t listId, const std::string& utf8) {
    setListText(listId, "note", utf8);
}

std::vector<std::string> listFilesAt(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(path, ec)) return {path};
    std::vector<std::string> found;
    fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, ec);
    if (ec) throw Error(codeForErrno(ec.value(), ErrorCode::readFailed), path, ec.value());
    for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) throw Error(codeForErrno(ec.value(), ErrorCode::readFailed), path, ec.value());
        std::string ext = it->path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        std::error_code fileEc;
        if (ext == ".kx" && it->is_regular_file(fileEc)) found.push_back(it->path().string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace kx::catalog
