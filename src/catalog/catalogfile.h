// The catalogue's file as a file: made private, checked for other users' eyes, opened so that
// nothing the file holds runs, and taken only when its tables are exactly the catalogue's own.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace kx::catalog {

// The tables of the catalogue (see catalog.cpp). The lists table of schema 1 ends before its
// added columns; every later schema has them.
inline constexpr const char* kListsTable =
    "CREATE TABLE lists(id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE, fileSize INTEGER, "
    "mtimeNs INTEGER, inode INTEGER, device INTEGER, entries INTEGER, indexedAt INTEGER, "
    "header BLOB, root BLOB";
inline constexpr const char* kListsAddedColumns = ", label TEXT, note TEXT, fileBytes INTEGER";
// The entries table of a schema: from version 4 on with the exact names (an added column goes
// before the key, as SQLite's ALTER TABLE puts it).
std::string entriesTable(std::int64_t version);
inline constexpr const char* kRestTable = "CREATE TABLE recordRest(list INTEGER, ord INTEGER, "
                                          "bytes BLOB, PRIMARY KEY(list, ord)) WITHOUT ROWID";
// Made by the first change (see bumpGeneration).
inline constexpr const char* kChangesTable = "CREATE TABLE changes(generation INTEGER NOT NULL)";
inline constexpr const char* kGramsTable = "CREATE TABLE grams(list INTEGER, gram INTEGER, "
                                           "ords BLOB, PRIMARY KEY(list, gram)) WITHOUT ROWID";

// Makes the missing folders above `path` (each 0700) and the file itself, empty and 0600, when
// there is none; SQLite makes its -wal and -shm files with the file's mode. A file made by
// another program at the same moment is left to it. Throws catalogueFolderFailed or
// catalogueOpenFailed.
void makePrivateFile(const std::string& path);

// True when users other than the owner may read the catalogue: its file, its folder, or the
// files beside it (SQLite's -wal and -shm, the name index) have a group or other read bit.
bool othersCanRead(const std::string& path);

// Nothing of the file runs on this connection: defensive mode, an untrusted schema (no
// functions of side effects from it), no triggers and no views.
void openDefensively(sqlite3* db);

// True while the file holds no page: one this program made (or an empty file), not yet a
// catalogue.
bool holdsNothing(sqlite3* db);

// Throws notCatalogue unless every table and index of the file is one the catalogue of schema
// `version` has (SQLite's statistics tables allowed): another program's table, a trigger, a
// view, or a table of ours defined otherwise is refused before anything reads or writes it.
void checkSchema(sqlite3* db, std::int64_t version);

} // namespace kx::catalog
