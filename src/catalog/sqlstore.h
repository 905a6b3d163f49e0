// What the catalogue's code shares over SQLite: prepared statements, transactions, the page
// cache, a file's stamp, the stored forms of texts, dates and records.
#pragma once

#include "catalog/catalog.h"
#include "listfile/io/error.h"

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kx::catalog {

struct FileStamp {
    std::int64_t size = 0, mtimeNs = 0, inode = 0, device = 0;
    bool operator==(const FileStamp& o) const {
        return size == o.size && mtimeNs == o.mtimeNs && inode == o.inode && device == o.device;
    }
};

// A failed call of SQLite: a damaged file, or any other failure, with SQLite's reason.
Error failure(int rc, const std::string& why);

// A prepared statement, reset for each use.
class Stmt {
public:
    Stmt(sqlite3* db, const char* sql) : m_db(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_s, nullptr) != SQLITE_OK)
            throw Error(ErrorCode::catalogueUnreadable, {}, 0, sqlite3_errmsg(db));
    }
    ~Stmt() { sqlite3_finalize(m_s); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    Stmt& bind(int i, std::int64_t v) {
        sqlite3_bind_int64(m_s, i, v);
        return *this;
    }
    Stmt& bindText(int i, const std::string& v) {
        sqlite3_bind_text(m_s, i, v.data(), int(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Stmt& bindBlob(int i, const void* p, std::size_t n) {
        // An empty blob is still a blob, not NULL.
        sqlite3_bind_blob(m_s, i, n ? p : "", int(n), SQLITE_TRANSIENT);
        return *this;
    }
    Stmt& bindNull(int i) {
        sqlite3_bind_null(m_s, i);
        return *this;
    }
    // True while there is a row.
    bool step() {
        const int rc = sqlite3_step(m_s);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        const std::string why = sqlite3_errmsg(m_db);
        sqlite3_reset(m_s);
        throw failure(rc, why);
    }
    void run() {
        while (step()) {
        }
        reset();
    }
    void reset() {
        sqlite3_reset(m_s);
        sqlite3_clear_bindings(m_s);
    }
    std::int64_t integer(int c) const { return sqlite3_column_int64(m_s, c); }
    int type(int c) const { return sqlite3_column_type(m_s, c); }
    std::string_view blob(int c) const {
        const void* p = sqlite3_column_blob(m_s, c);
        return std::string_view(static_cast<const char*>(p),
                                std::size_t(sqlite3_column_bytes(m_s, c)));
    }
    std::string text(int c) const { return std::string(blob(c)); }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_s = nullptr;
};

void exec(sqlite3* db, const char* sql);
std::int64_t pragmaValue(sqlite3* db, const char* sql);
FileStamp stampOf(const std::string& path);
// A text as stored: NULL when empty, a date as its packed number when `date` and it is one.
void bindText(Stmt& s, int i, std::string_view text, bool date);
// A stored text back as the list holds it.
std::string columnText(const Stmt& s, int c);

void putVarint(std::string& out, std::uint32_t v);

// A list's row, its columns as kListColumns.
inline constexpr const char* kListColumns =
    "id, path, entries, indexedAt, header, root, label, note, fileBytes, fileSize, mtimeNs, "
    "inode, device, (SELECT exact FROM entries WHERE list = lists.id AND ord = 0)";
ListRecord listOf(const Stmt& s);

// A sum of sizes that stops at the largest one.
inline std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b) {
    return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}
// A stored size column as a whole byte count (its ten bytes read as the list's reader does).
std::uint64_t storedSize(const Stmt& s, int c);

// A name as shown and matched (UTF-8): the exact name where the Entry has one (the entries row's
// `exact`), else the code-page name as text.
std::string shownName(std::string_view codePage, std::optional<std::string_view> exact);
// The same of a row's name and exact columns.
std::string shownName(const Stmt& s, int nameColumn, int exactColumn);

inline constexpr const char* kEntryColumns =
    "ord, parent, name, kind, attributes, size, created, changed, mark, crossedOut, comment";

// The 600-byte record of a catalogued Entry (columns as kEntryColumns from `first`).
void recordOf(const Stmt& s, int first, std::uint8_t* record);

// One read transaction over a whole query: one shared lock, not one per statement.
class ReadTransaction {
public:
    explicit ReadTransaction(sqlite3* db) : m_db(db) { exec(db, "BEGIN"); }
    ~ReadTransaction() { sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr); }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    sqlite3* m_db;
};

// One write transaction, taken at once (a second writer waits for the first), rolled back
// unless committed.
class WriteTransaction {
public:
    explicit WriteTransaction(sqlite3* db) : m_db(db) { exec(db, "BEGIN IMMEDIATE"); }
    ~WriteTransaction() {
        if (m_db) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void commit() {
        exec(m_db, "COMMIT");
        m_db = nullptr;
    }
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

private:
    sqlite3* m_db;
};

// The page cache of searches (2 MiB), and the one of work over whole tables (64 MiB).
constexpr const char* kSmallCache = "PRAGMA cache_size = -2048";
constexpr const char* kLargeCache = "PRAGMA cache_size = -65536";

// A large page cache while a whole list is written or every row is grouped.
class LargeCache {
public:
    explicit LargeCache(sqlite3* db) : m_db(db) {
        sqlite3_exec(db, kLargeCache, nullptr, nullptr, nullptr);
    }
    ~LargeCache() { sqlite3_exec(m_db, kSmallCache, nullptr, nullptr, nullptr); }
    LargeCache(const LargeCache&) = delete;
    LargeCache& operator=(const LargeCache&) = delete;

private:
    sqlite3* m_db;
};

struct Catalog::Statements {
    explicit Statements(sqlite3* db)
        : listByPath(db, "SELECT id, fileSize, mtimeNs, inode, device, entries FROM lists "
                         "WHERE path = ?1"),
          allLists(db, (std::string("SELECT ") + kListColumns + " FROM lists ORDER BY id").c_str()),
          listOfPath(
              db, (std::string("SELECT ") + kListColumns + " FROM lists WHERE path = ?1").c_str()),
          listOfId(db,
                   (std::string("SELECT ") + kListColumns + " FROM lists WHERE id = ?1").c_str()),
          listsOfLabel(db, (std::string("SELECT ") + kListColumns +
                            " FROM lists WHERE label = ?1 ORDER BY id")
                               .c_str()),
          entry(db, (std::string("SELECT ") + kEntryColumns +
                     " FROM entries WHERE list = ?1 AND ord = ?2")
                        .c_str()),
          entriesOf(db, (std::string("SELECT ") + kEntryColumns +
                         " FROM entries WHERE list = ?1 ORDER BY ord")
                            .c_str()),
          folderPath(db, "SELECT path FROM entries WHERE list = ?1 AND ord = ?2") {}
    Stmt listByPath, allLists, listOfPath, listOfId, listsOfLabel, entry, entriesOf, folderPath;
};

} // namespace kx::catalog
