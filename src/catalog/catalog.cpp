// The catalogue's file: where it lives, how it is opened and checked, and its lists.
//
// Tables (schema version 1):
//   lists(id, path, fileSize, mtimeNs, inode, device, entries, indexedAt, header, root)
//   entries(list, ord, parent, name, kind, attributes, size, created, changed, mark, crossedOut,
//           comment, path), keyed by (list, ord) without a rowid: `ord` is the Entry's place in
//           the pre-order walk of the list as the viewer opens it (the root 0, its children
//           regrouped folders first), so the search order of a list is ascending ord followed by
//           the folders-to-front pass; `parent` is the parent's ord. `path` is set for every
//           Entry below the root that has children: its path below the root, so that a result's
//           caption is one more read whatever its depth, and mostly none, since in pre-order a
//           parent's row lies a few rows before its children's, on the same page.
//   grams(list, gram, ords), keyed by (list, gram): for every trigram of the upper-cased names
//           (three bytes of the code page in one integer) the ascending ords of the names that
//           hold it, as varint deltas in one blob.
// Values keep their own types: a size is an integer when the record holds that whole number
// exactly, else the record's ten bytes; a date is the integer YYYYMMDDhhmmss when its text is
// "DD.MM.YYYY hh:mm:ss" exactly, else its bytes; an empty text is NULL.
#include "catalog/nameindex.h"
#include "catalog/sqlstore.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace kx::catalog {

namespace {

constexpr int kSchemaVersion = 1;
constexpr int kApplicationId = 0x466c4b43; // "FlKC"

const char* const kSchema = R"(
CREATE TABLE lists(id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE, fileSize INTEGER,
                   mtimeNs INTEGER, inode INTEGER, device INTEGER, entries INTEGER,
                   indexedAt INTEGER, header BLOB, root BLOB);
CREATE TABLE entries(list INTEGER, ord INTEGER, parent INTEGER, name BLOB, kind INTEGER,
                     attributes INTEGER, size, created, changed, mark INTEGER,
                     crossedOut INTEGER, comment BLOB, path BLOB, PRIMARY KEY(list, ord))
                     WITHOUT ROWID;
CREATE TABLE grams(list INTEGER, gram INTEGER, ords BLOB, PRIMARY KEY(list, gram)) WITHOUT ROWID;
)";

} // namespace

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

std::unique_ptr<Catalog> Catalog::open(const std::string& path) {
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) throw Error(ErrorCode::catalogueNotRegularFile, path);
    if (!exists) {
        std::error_code ec;
        const auto folder = std::filesystem::path(path).parent_path();
        if (!folder.empty()) std::filesystem::create_directories(folder, ec);
        if (ec) throw Error(ErrorCode::catalogueFolderFailed, path, ec.value());
    }
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        const std::string why = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        throw Error(ErrorCode::catalogueOpenFailed, path, 0, why);
    }
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> guard(db, sqlite3_close);
    sqlite3_busy_timeout(db, 5000);
    try {
        // Pages are read into a small cache, not through a map of the file: a search touches
        // about one page per row found, once per process, and here a page fault on a map costs
        // more than a read call. A small cache is also quicker to fill than a large one.
        // Work that walks whole tables (add, dups) raises it while it runs (see LargeCache).
        exec(db, "PRAGMA mmap_size = 0");
        exec(db, kSmallCache);
        // Reading the schema is the first read of the file: a damaged one fails here.
        const std::int64_t tables = pragmaValue(db, "SELECT count(*) FROM sqlite_master");
        const std::int64_t app = pragmaValue(db, "PRAGMA application_id");
        const std::int64_t version = pragmaValue(db, "PRAGMA user_version");
        if (tables == 0 && app == 0) {
            // A search reads about one leaf per found row: 32 KiB pages hold a parent's row near
            // its children's and keep the levels above few, yet each read stays short (measured
            // against 4, 16 and 64 KiB).
            exec(db, "PRAGMA page_size = 32768");
            exec(db, "BEGIN IMMEDIATE");
            exec(db, kSchema);
            exec(db, ("PRAGMA application_id = " + std::to_string(kApplicationId) +
                      "; PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";")
                         .c_str());
            exec(db, "COMMIT");
            // Searches go on while a list is being added (a reader never waits for a writer).
            exec(db, "PRAGMA journal_mode = WAL");
        } else if (app != kApplicationId) {
            throw Error(ErrorCode::notCatalogue, path);
        } else if (version > kSchemaVersion) {
            throw Error(ErrorCode::catalogueTooNew, path);
        } else if (version != kSchemaVersion) {
            throw Error(ErrorCode::catalogueDamaged, path, 0, "no schema version");
        }
        guard.release();
        return std::unique_ptr<Catalog>(new Catalog(db, path));
    } catch (const Error& e) {
        if (!e.path().empty()) throw;
        // Name the file in the sentence.
        throw Error(e.code(), path, e.sysErrno(), e.detail());
    }
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
    exec(m_db, "BEGIN IMMEDIATE");
    try {
        bumpGeneration(m_db);
        Stmt(m_db, "DELETE FROM entries WHERE list = ?1").bind(1, id).run();
        Stmt(m_db, "DELETE FROM grams WHERE list = ?1").bind(1, id).run();
        Stmt(m_db, "DELETE FROM lists WHERE id = ?1").bind(1, id).run();
        exec(m_db, "COMMIT");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
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

} // namespace kx::catalog
