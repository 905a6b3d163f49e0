// The catalogue's shared pieces over SQLite.
#include "catalog/sqlstore.h"

#include "listfile/codepage.h"
#include "query/storeddate.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <optional>
#include <sys/stat.h>

namespace kx::catalog {

// A failed call of SQLite: a damaged file, or any other failure, with SQLite's reason.
Error failure(int rc, const std::string& why) {
    const bool damaged = rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB;
    return Error(damaged ? ErrorCode::catalogueDamaged : ErrorCode::catalogueFailed, {}, 0, why);
}

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

void putVarint(std::string& out, std::uint32_t v) {
    while (v >= 0x80) {
        out += char(0x80 | (v & 0x7f));
        v >>= 7;
    }
    out += char(v);
}

ListRecord listOf(const Stmt& s) {
    ListRecord r;
    r.id = s.integer(0);
    r.path = s.text(1);
    r.entries = std::uint64_t(s.integer(2));
    r.indexedAt = s.integer(3);
    r.headerText = s.text(4);
    r.rootName = s.text(5);
    r.label = s.text(6);
    r.note = s.text(7);
    r.fileBytes = std::uint64_t(s.integer(8));
    r.fileSize = s.integer(9);
    r.mtimeNs = s.integer(10);
    r.inode = s.integer(11);
    r.device = s.integer(12);
    r.rootExact = s.text(13);
    return r;
}

std::string shownName(std::string_view codePage, std::optional<std::string_view> exact) {
    return exact ? std::string(*exact) : fromAnsi(codePage).toStdString();
}

std::string shownName(const Stmt& s, int nameColumn, int exactColumn) {
    return shownName(s.blob(nameColumn), s.type(exactColumn) == SQLITE_NULL
                                             ? std::nullopt
                                             : std::optional(s.blob(exactColumn)));
}

std::uint64_t storedSize(const Stmt& s, int c) {
    if (s.type(c) == SQLITE_INTEGER) return std::uint64_t(s.integer(c));
    const std::string_view raw = s.blob(c);
    if (raw.size() != rec::sizeSize) throw Error(ErrorCode::catalogueDamaged, {}, 0, "a bad size");
    return extendedToUint64(reinterpret_cast<const std::uint8_t*>(raw.data()));
}

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

std::string absoluteListPath(const std::string& path) {
    namespace fs = std::filesystem;
    // realpath asks the kernel for every component, so "link/.." is the link's target's parent.
    const auto resolved = [](const std::string& p) -> std::optional<std::string> {
        char* real = ::realpath(p.c_str(), nullptr);
        if (!real) return std::nullopt;
        std::string out = real;
        std::free(real);
        return out;
    };
    if (auto real = resolved(path)) return *real;
    const fs::path p(path);
    if (p.has_filename()) {
        const std::string folder = p.has_parent_path() ? p.parent_path().string() : ".";
        if (auto real = resolved(folder))
            return (fs::path(*real) / p.filename()).lexically_normal().string();
    }
    std::error_code ec;
    const fs::path absolute = fs::absolute(p, ec);
    if (ec) return path;
    return absolute.lexically_normal().string();
}

} // namespace kx::catalog
