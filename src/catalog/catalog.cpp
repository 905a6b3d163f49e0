// The catalogue's schema, its indexing of a list, and the search and duplicate queries over it.
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
#include "catalog/catalog.h"

#include "listfile/listfile.h"
#include "query/belowroot.h"
#include "query/foldersfirst.h"
#include "query/searchwalk.h"
#include "query/storeddate.h"
#include "query/upcase.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <sys/stat.h>
#include <unordered_map>

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

struct FileStamp {
    std::int64_t size = 0, mtimeNs = 0, inode = 0, device = 0;
    bool operator==(const FileStamp& o) const {
        return size == o.size && mtimeNs == o.mtimeNs && inode == o.inode && device == o.device;
    }
};

// A failed call of SQLite: a damaged file, or any other failure, with SQLite's reason.
Error failure(int rc, const std::string& why) {
    const bool damaged = rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB;
    return Error(damaged ? ErrorCode::catalogueDamaged : ErrorCode::catalogueFailed, {}, 0, why);
}

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

void exec(sqlite3* db, const char* sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    if (rc == SQLITE_OK) return;
    const std::string why = message ? message : sqlite3_errstr(rc);
    sqlite3_free(message);
    throw failure(rc, why);
}

std::int64_t pragmaValue(sqlite3* db, const char* sql) {
    Stmt s(db, sql);
    const std::int64_t v = s.step() ? s.integer(0) : 0;
    s.reset();
    return v;
}

FileStamp stampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return {std::int64_t(st.st_size),
            std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            std::int64_t(st.st_ino), std::int64_t(st.st_dev)};
}

void bindText(Stmt& s, int i, std::string_view text, bool date) {
    if (text.empty()) {
        s.bindNull(i);
        return;
    }
    if (date) {
        if (const std::optional<std::int64_t> packed = packedDate(text)) {
            s.bind(i, *packed);
            return;
        }
    }
    s.bindBlob(i, text.data(), text.size());
}

std::string columnText(const Stmt& s, int c) {
    switch (s.type(c)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return packedDateText(s.integer(c));
    default:
        return s.text(c);
    }
}

using Gram = std::uint32_t;

Gram gramAt(const unsigned char* p) {
    return Gram(p[0]) << 16 | Gram(p[1]) << 8 | Gram(p[2]);
}

// The distinct trigrams of an upper-cased text, sorted.
void gramsOf(std::string_view upper, std::vector<Gram>& out) {
    out.clear();
    if (upper.size() < 3) return;
    const auto* p = reinterpret_cast<const unsigned char*>(upper.data());
    for (std::size_t i = 0; i + 3 <= upper.size(); ++i)
        out.push_back(gramAt(p + i));
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
}

void putVarint(std::string& out, std::uint32_t v) {
    while (v >= 0x80) {
        out += char(0x80 | (v & 0x7f));
        v >>= 7;
    }
    out += char(v);
}

std::vector<std::uint32_t> decodeOrds(std::string_view blob) {
    std::vector<std::uint32_t> ords;
    std::uint32_t last = 0, v = 0;
    int shift = 0;
    for (char ch : blob) {
        const auto b = static_cast<unsigned char>(ch);
        if (shift > 28) throw Error(ErrorCode::catalogueDamaged, {}, 0, "a bad index");
        v |= std::uint32_t(b & 0x7f) << shift;
        if (b & 0x80) {
            shift += 7;
            continue;
        }
        last += v;
        ords.push_back(last);
        v = 0;
        shift = 0;
    }
    return ords;
}

std::vector<std::uint32_t> intersect(const std::vector<std::uint32_t>& a,
                                     const std::vector<std::uint32_t>& b) {
    std::vector<std::uint32_t> out;
    std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

ListRecord listOf(const Stmt& s) {
    ListRecord r;
    r.id = s.integer(0);
    r.path = s.text(1);
    r.entries = std::uint64_t(s.integer(2));
    r.indexedAt = s.integer(3);
    r.headerText = s.text(4);
    r.rootName = s.text(5);
    return r;
}

constexpr const char* kEntryColumns =
    "ord, parent, name, kind, attributes, size, created, changed, mark, crossedOut, comment";

// The 600-byte record of a catalogued Entry (columns as kEntryColumns from `first`).
void recordOf(const Stmt& s, int first, std::uint8_t* record) {
    std::memset(record, 0, kRecordSize);
    auto put = [record](std::size_t offset, std::size_t room, std::string_view text) {
        // A NULL column reads as an empty text without an address.
        if (!text.empty()) std::memcpy(record + offset, text.data(), std::min(text.size(), room));
    };
    put(rec::name, rec::nameSize, s.blob(first + 2));
    record[rec::kind] = std::uint8_t(s.integer(first + 3));
    record[rec::attributes] = std::uint8_t(s.integer(first + 4));
    if (s.type(first + 5) == SQLITE_INTEGER) {
        uint64ToExtended(std::uint64_t(s.integer(first + 5)), record + rec::size);
    } else {
        const std::string_view raw = s.blob(first + 5);
        if (raw.size() != rec::sizeSize)
            throw Error(ErrorCode::catalogueDamaged, {}, 0, "a bad size");
        std::memcpy(record + rec::size, raw.data(), raw.size());
    }
    put(rec::created, rec::createdSize, columnText(s, first + 6));
    put(rec::changed, rec::changedSize, columnText(s, first + 7));
    record[rec::mark] = std::uint8_t(s.integer(first + 8));
    record[rec::crossedOut] = std::uint8_t(s.integer(first + 9));
    put(rec::comment, rec::commentSize, s.blob(first + 10));
    writeI32(record, rec::lastChild, -1);
}

} // namespace

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

namespace {

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

} // namespace

struct Catalog::Statements {
    explicit Statements(sqlite3* db)
        : listByPath(db, "SELECT id, fileSize, mtimeNs, inode, device, entries FROM lists "
                         "WHERE path = ?1"),
          allLists(db, "SELECT id, path, entries, indexedAt, header, root FROM lists ORDER BY id"),
          entry(db, (std::string("SELECT ") + kEntryColumns +
                     " FROM entries WHERE list = ?1 AND ord = ?2")
                        .c_str()),
          entriesOf(db, (std::string("SELECT ") + kEntryColumns +
                         " FROM entries WHERE list = ?1 ORDER BY ord")
                            .c_str()),
          folderPath(db, "SELECT path FROM entries WHERE list = ?1 AND ord = ?2"),
          gram(db, "SELECT ords FROM grams WHERE list = ?1 AND gram = ?2") {}
    Stmt listByPath, allLists, entry, entriesOf, folderPath, gram;
};

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

std::string absoluteListPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::absolute(path, ec);
    if (ec) return path;
    return p.lexically_normal().string();
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

AddResult Catalog::add(const std::string& listPath, const Progress& progress) {
    const std::string path = absoluteListPath(listPath);
    const FileStamp stamp = stampOf(path);
    Stmt& find = m_st->listByPath;
    find.bindText(1, path);
    std::int64_t id = 0;
    bool known = false;
    if (find.step()) {
        known = true;
        id = find.integer(0);
        const FileStamp old{find.integer(1), find.integer(2), find.integer(3), find.integer(4)};
        const auto entries = std::uint64_t(find.integer(5));
        find.reset();
        if (old == stamp) return {AddOutcome::unchanged, path, entries};
    }
    find.reset();

    // Opened as the viewer opens it: the root's children regrouped folders first.
    ListContainer container;
    const std::unique_ptr<EntryTree> tree = openListFile(container, path);
    regroupRootFolder(*tree);
    const Entry* root = tree->root();
    const std::size_t total = root ? root->tree().entryCount() : 0;

    const LargeCache cache(m_db);
    exec(m_db, "BEGIN IMMEDIATE");
    // A cancel keeps what the catalogue had: the transaction is rolled back.
    const auto cancelled = [&] {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return AddResult{AddOutcome::cancelled, path, total};
    };
    try {
        if (known) {
            Stmt(m_db, "DELETE FROM entries WHERE list = ?1").bind(1, id).run();
            Stmt(m_db, "DELETE FROM grams WHERE list = ?1").bind(1, id).run();
        } else {
            Stmt(m_db, "INSERT INTO lists(path) VALUES (?1)").bindText(1, path).run();
            id = sqlite3_last_insert_rowid(m_db);
        }
        Stmt(m_db, "UPDATE lists SET fileSize = ?2, mtimeNs = ?3, inode = ?4, device = ?5, "
                   "entries = ?6, indexedAt = ?7, header = ?8, root = ?9 WHERE id = ?1")
            .bind(1, id)
            .bind(2, stamp.size)
            .bind(3, stamp.mtimeNs)
            .bind(4, stamp.inode)
            .bind(5, stamp.device)
            .bind(6, std::int64_t(total))
            .bind(7, std::int64_t(std::time(nullptr)))
            .bindBlob(8, tree->headerText.data(), tree->headerText.size())
            .bindBlob(9, root ? root->name().data() : "", root ? root->name().size() : 0)
            .run();

        if (root) {
            Stmt put(m_db, "INSERT INTO entries(list, ord, parent, name, kind, attributes, size, "
                           "created, changed, mark, crossedOut, comment, path) "
                           "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)");
            std::vector<std::uint32_t> ordOf(total, 0);
            std::unordered_map<Gram, std::vector<std::uint32_t>> postings;
            std::vector<Gram> grams;
            std::uint8_t record[kRecordSize];
            std::uint32_t next = 0;
            bool goesOn = true;
            auto store = [&](const Entry* e, const FolderPath& folder) {
                const std::uint32_t ord = next++;
                ordOf[e->id()] = ord;
                e->copyRecord(record);
                const std::string_view name = e->name();
                put.bind(1, id).bind(2, ord).bind(3, e->parent() ? ordOf[e->parent()->id()] : 0);
                put.bindBlob(4, name.data(), name.size());
                put.bind(5, std::uint8_t(e->kind())).bind(6, e->attributes());
                const std::uint64_t whole = extendedToUint64(record + rec::size);
                if (whole <= std::uint64_t(INT64_MAX) && isExactExtended(whole, record + rec::size))
                    put.bind(7, std::int64_t(whole));
                else
                    put.bindBlob(7, record + rec::size, rec::sizeSize);
                bindText(put, 8, fieldText(record, rec::created, rec::createdSize), true);
                bindText(put, 9, fieldText(record, rec::changed, rec::changedSize), true);
                put.bind(10, e->mark()).bind(11, e->crossedOut());
                bindText(put, 12, fieldText(record, rec::comment, rec::commentSize), false);
                if (ord != 0 && !e->children().empty()) {
                    const std::string path = folder.child(name);
                    put.bindBlob(13, path.data(), path.size());
                } else {
                    put.bindNull(13);
                }
                put.run();
                if (ord != 0) {
                    gramsOf(upperCased(name), grams);
                    for (Gram g : grams)
                        postings[g].push_back(ord);
                }
                if (next % 65536 == 0) goesOn = goOn(progress, next, total);
                return goesOn ? WalkOn::into : WalkOn::stop;
            };
            store(root, FolderPath(PathJoin::caption));
            walkWithPaths(root->children(), PathJoin::caption, store);
            if (!goesOn) return cancelled();

            Stmt putGram(m_db, "INSERT INTO grams(list, gram, ords) VALUES (?1, ?2, ?3)");
            std::string blob;
            std::vector<Gram> keys;
            keys.reserve(postings.size());
            for (const auto& p : postings)
                keys.push_back(p.first);
            std::sort(keys.begin(), keys.end());
            for (Gram gram : keys) {
                const std::vector<std::uint32_t>& ords = postings[gram];
                blob.clear();
                std::uint32_t last = 0;
                for (std::uint32_t o : ords) {
                    putVarint(blob, o - last);
                    last = o;
                }
                putGram.bind(1, id).bind(2, gram).bindBlob(3, blob.data(), blob.size()).run();
            }
            if (!goOn(progress, total, total)) return cancelled();
        }
        exec(m_db, "COMMIT");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    return {known ? AddOutcome::updated : AddOutcome::added, path, total};
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

const Entry* entryAtOrd(const Entry* root, std::uint32_t ord) {
    if (!root) return nullptr;
    if (ord == 0) return root;
    const Entry* at = nullptr;
    std::uint32_t next = 1;
    walkBelow(root, [&](const Entry* e) {
        if (next++ != ord) return true;
        at = e;
        return false;
    });
    return at;
}

namespace {

// The captions of Entries of one list (belowroot.h): the stored path of the parent, then the
// name. The paths of the parents already read are kept.
class Captions {
public:
    Captions(Stmt& folderPath, std::int64_t list) : m_folderPath(folderPath), m_list(list) {}
    std::string caption(std::uint32_t parent, std::string_view name) {
        if (parent == 0) return childPath({}, true, name, PathJoin::caption);
        auto it = m_paths.find(parent);
        if (it == m_paths.end()) {
            m_folderPath.bind(1, m_list).bind(2, parent);
            if (!m_folderPath.step()) {
                m_folderPath.reset();
                throw Error(ErrorCode::catalogueDamaged, {}, 0, "a missing folder");
            }
            it = m_paths.emplace(parent, m_folderPath.text(0)).first;
            m_folderPath.reset();
        }
        return childPath(it->second, false, name, PathJoin::caption);
    }

private:
    Stmt& m_folderPath;
    std::int64_t m_list;
    std::unordered_map<std::uint32_t, std::string> m_paths;
};

} // namespace

void Catalog::find(const EntryFilter& filter, const FoundRow& row) const {
    const std::string_view mask = searchwalk::withoutLeadingStar(filter.mask);
    // Without conditions an empty mask finds nothing, as in the search of one list.
    if (!filter.hasConditions() && mask.empty()) return;
    const ReadTransaction reading(m_db);
    const std::string upper = upperCased(mask);
    const bool indexed = upper.size() >= 3 && !filter.inComments;
    std::vector<Gram> grams;
    if (indexed) gramsOf(upper, grams);
    const searchwalk::MaskMatcher matcher(mask.empty() ? std::string_view("?") : mask);
    const EntryTest test(filter);

    for (const ListRecord& list : lists()) {
        // The candidates: the ords that hold every trigram of the mask, or all.
        std::vector<std::uint32_t> candidates;
        if (indexed) {
            bool first = true;
            for (Gram g : grams) {
                Stmt& s = m_st->gram;
                s.bind(1, list.id).bind(2, g);
                std::vector<std::uint32_t> ords;
                if (s.step()) ords = decodeOrds(s.blob(0));
                s.reset();
                candidates = first ? std::move(ords) : intersect(candidates, ords);
                first = false;
                if (candidates.empty()) break;
            }
            if (candidates.empty()) continue;
        }

        // The candidates as Entries of a small tree of their own (the root, then each candidate
        // as its child, in ord order), so that the filter's own test and the row cells read them
        // exactly as they read the list.
        EntryTree tree;
        std::uint8_t record[kRecordSize];
        std::memset(record, 0, kRecordSize);
        std::memcpy(record, list.rootName.data(),
                    std::min<std::size_t>(list.rootName.size(), rec::nameSize));
        record[rec::kind] = std::uint8_t(kFolder);
        Entry* root = tree.add(nullptr, record);
        std::vector<Entry*> found;
        std::unordered_map<const Entry*, std::pair<std::string, std::uint32_t>> placeOf;
        Captions captions(m_st->folderPath, list.id);
        auto take = [&](Stmt& s) {
            const auto ord = std::uint32_t(s.integer(0));
            if (ord == 0) return; // the root is never a result
            if (!indexed && !mask.empty() && !filter.inComments && !matcher.matches(s.blob(2)))
                return;
            recordOf(s, 0, record);
            Entry* e = tree.add(root, record);
            if (!test(*e)) return;
            found.push_back(e);
            placeOf.emplace(
                e, std::make_pair(captions.caption(std::uint32_t(s.integer(1)), s.blob(2)), ord));
        };
        if (indexed) {
            Stmt& s = m_st->entry;
            for (std::uint32_t ord : candidates) {
                s.bind(1, list.id).bind(2, ord);
                if (s.step()) take(s);
                s.reset();
            }
        } else {
            Stmt& s = m_st->entriesOf;
            s.bind(1, list.id);
            while (s.step())
                take(s);
            s.reset();
        }

        // Survivors in search order: ascending ord (as read), then folders to the front.
        foldersFirst(found);
        for (const Entry* e : found) {
            const auto& place = placeOf.at(e);
            row(list, *e, place.first, place.second);
        }
    }
}

std::vector<Duplicate> Catalog::duplicates(std::uint64_t minSize) const {
    const std::int64_t least =
        minSize > std::uint64_t(INT64_MAX) ? INT64_MAX : std::int64_t(minSize);
    const LargeCache cache(m_db);
    const ReadTransaction reading(m_db);
    Stmt s(m_db, "WITH twins AS (SELECT name, size FROM entries WHERE kind = 70 AND "
                 "typeof(size) = 'integer' AND size >= ?1 GROUP BY name, size "
                 "HAVING count(*) > 1) "
                 "SELECT e.size, e.name, e.list, e.parent, l.path FROM entries e "
                 "JOIN twins t ON e.name = t.name AND e.size = t.size "
                 "JOIN lists l ON l.id = e.list WHERE e.kind = 70 "
                 "ORDER BY e.size DESC, e.name, e.list, e.ord");
    s.bind(1, least);
    std::vector<Duplicate> out;
    std::unordered_map<std::int64_t, std::unique_ptr<Captions>> captions;
    while (s.step()) {
        const std::int64_t list = s.integer(2);
        auto& c = captions[list];
        if (!c) c = std::make_unique<Captions>(m_st->folderPath, list);
        out.push_back({std::uint64_t(s.integer(0)), s.text(1), s.text(4),
                       c->caption(std::uint32_t(s.integer(3)), s.blob(1))});
    }
    s.reset();
    return out;
}

} // namespace kx::catalog
