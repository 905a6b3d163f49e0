// The catalogue's file as a file: private modes, the defensive connection, and the schema the
// file must hold exactly before anything of it is read or written.
#include "catalog/catalogfile.h"

#include "catalog/sqlstore.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kx::catalog {

namespace {

// The group and other read bits.
constexpr mode_t kOthersRead = S_IRGRP | S_IROTH;

// Whitespace is free in a CREATE statement, and SQLite keeps it as written (an ALTER TABLE adds
// its column's text to the stored one): the statements are compared with every run of
// whitespace gone beside punctuation and one space elsewhere.
std::string canonical(std::string_view sql) {
    std::string out;
    bool space = false;
    for (const char c : sql) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            space = true;
            continue;
        }
        if (space && !out.empty() && !std::strchr("(,", out.back()) && !std::strchr("),", c))
            out += ' ';
        space = false;
        out += c;
    }
    return out;
}

struct Expected {
    const char* type;
    const char* name;
    const char* table;
    std::string sql; // canonical; empty for SQLite's own index of a UNIQUE column
    bool required;
};

std::vector<Expected> expectedSchema(std::int64_t version) {
    std::vector<Expected> out = {
        {"table", "lists", "lists",
         canonical(std::string(kListsTable) + (version >= 2 ? kListsAddedColumns : "") + ")"),
         true},
        {"index", "sqlite_autoindex_lists_1", "lists", {}, true},
        {"table", "entries", "entries", canonical(entriesTable(version)), true},
        {"table", "changes", "changes", canonical(kChangesTable), false},
        {"table", "sqlite_stat1", "sqlite_stat1", "CREATE TABLE sqlite_stat1(tbl,idx,stat)", false},
        {"table", "sqlite_stat4", "sqlite_stat4",
         "CREATE TABLE sqlite_stat4(tbl,idx,neq,nlt,ndlt,sample)", false},
    };
    if (version >= 2)
        out.push_back({"table", "recordRest", "recordRest", canonical(kRestTable), true});
    // The trigram postings of schemas 1 and 2, dropped by the upgrade to 3.
    if (version <= 2) out.push_back({"table", "grams", "grams", canonical(kGramsTable), false});
    return out;
}

} // namespace

std::string entriesTable(std::int64_t version) {
    return std::string("CREATE TABLE entries(list INTEGER, ord INTEGER, parent INTEGER, name BLOB, "
                       "kind INTEGER, attributes INTEGER, size, created, changed, mark INTEGER, "
                       "crossedOut INTEGER, comment BLOB, path BLOB") +
           (version >= 4 ? ", exact BLOB" : "") + ", PRIMARY KEY(list, ord)) WITHOUT ROWID";
}

namespace {

bool readableByOthers(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & kOthersRead) != 0;
}

} // namespace

void makePrivateFile(const std::string& path) {
    namespace fs = std::filesystem;
    // The missing folders, nearest first; made from the top down.
    std::vector<fs::path> missing;
    for (fs::path folder = fs::path(path).parent_path(); !folder.empty();
         folder = folder.parent_path()) {
        struct stat st {};
        if (::stat(folder.c_str(), &st) == 0) break;
        missing.push_back(folder);
        if (folder == folder.parent_path()) break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it)
        if (::mkdir(it->c_str(), 0700) != 0 && errno != EEXIST)
            throw Error(ErrorCode::catalogueFolderFailed, path, errno);
    // O_EXCL: a file or a link that appeared since is never written through here.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST) return;
        throw Error(ErrorCode::catalogueOpenFailed, path, errno, std::strerror(errno));
    }
    ::fchmod(fd, 0600); // whatever the umask took away
    ::close(fd);
}

bool othersCanRead(const std::string& path) {
    std::string folder = std::filesystem::path(path).parent_path().string();
    if (folder.empty()) folder = ".";
    for (const std::string& p : {path, folder, path + "-wal", path + "-shm", path + ".names"})
        if (readableByOthers(p)) return true;
    return false;
}

void openDefensively(sqlite3* db) {
    const int settings[][2] = {
        {SQLITE_DBCONFIG_DEFENSIVE, 1},
        {SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0},
        {SQLITE_DBCONFIG_ENABLE_TRIGGER, 0},
        {SQLITE_DBCONFIG_ENABLE_VIEW, 0},
    };
    for (const auto& s : settings)
        if (sqlite3_db_config(db, s[0], s[1], nullptr) != SQLITE_OK)
            throw Error(ErrorCode::catalogueOpenFailed, {}, 0, sqlite3_errmsg(db));
}

bool holdsNothing(sqlite3* db) {
    return pragmaValue(db, "PRAGMA page_count") == 0;
}

void checkSchema(sqlite3* db, std::int64_t version) {
    const std::vector<Expected> expected = expectedSchema(version);
    std::vector<bool> seen(expected.size(), false);
    Stmt s(db, "SELECT type, name, tbl_name, sql FROM sqlite_master");
    while (s.step()) {
        const std::string type = s.text(0), name = s.text(1), table = s.text(2);
        const bool hasSql = s.type(3) != SQLITE_NULL;
        const std::string sql = hasSql ? canonical(s.blob(3)) : std::string();
        bool ours = false;
        for (std::size_t i = 0; i < expected.size() && !ours; ++i) {
            const Expected& e = expected[i];
            ours = type == e.type && name == e.name && table == e.table &&
                   hasSql != e.sql.empty() && sql == e.sql;
            if (ours) seen[i] = true;
        }
        if (!ours) {
            s.reset();
            throw Error(ErrorCode::notCatalogue, {}, 0, "a " + type + " of another program");
        }
    }
    s.reset();
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (expected[i].required && !seen[i])
            throw Error(ErrorCode::notCatalogue, {}, 0, std::string("no ") + expected[i].name);
}

} // namespace kx::catalog
