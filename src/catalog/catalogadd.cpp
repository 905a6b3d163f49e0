// Indexing a list into the catalogue: every Entry's row (the name index and its trigram
// postings are derived from them, see nameindex.h), its exact name and the folders' paths as
// shown.
#include "catalog/nameindex.h"
#include "catalog/recordrest.h"
#include "catalog/sqlstore.h"

#include "listfile/listfile.h"
#include "query/belowroot.h"
#include "query/foldersfirst.h"
#include "query/storeddate.h"

#include <algorithm>
#include <ctime>

namespace kx::catalog {

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
    std::uint64_t fileBytes = 0;
    for (std::size_t i = 0; i < total; ++i)
        if (!tree->at(std::uint32_t(i))->isFolder())
            fileBytes = saturatingAdd(fileBytes, tree->at(std::uint32_t(i))->size());

    const LargeCache cache(m_db);
    exec(m_db, "BEGIN IMMEDIATE");
    // A cancel keeps what the catalogue had: the transaction is rolled back.
    const auto cancelled = [&] {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return AddResult{AddOutcome::cancelled, path, total};
    };
    try {
        bumpGeneration(m_db);
        if (known) {
            Stmt(m_db, "DELETE FROM entries WHERE list = ?1").bind(1, id).run();
            Stmt(m_db, "DELETE FROM recordRest WHERE list = ?1").bind(1, id).run();
        } else {
            Stmt(m_db, "INSERT INTO lists(path) VALUES (?1)").bindText(1, path).run();
            id = sqlite3_last_insert_rowid(m_db);
        }
        Stmt(m_db, "UPDATE lists SET fileSize = ?2, mtimeNs = ?3, inode = ?4, device = ?5, "
                   "entries = ?6, indexedAt = ?7, header = ?8, root = ?9, fileBytes = ?10 "
                   "WHERE id = ?1")
            .bind(1, id)
            .bind(2, stamp.size)
            .bind(3, stamp.mtimeNs)
            .bind(4, stamp.inode)
            .bind(5, stamp.device)
            .bind(6, std::int64_t(total))
            .bind(7, std::int64_t(std::time(nullptr)))
            .bindBlob(8, tree->headerText.data(), tree->headerText.size())
            .bindBlob(9, root ? root->name().data() : "", root ? root->name().size() : 0)
            .bind(10, std::int64_t(fileBytes))
            .run();

        if (root) {
            Stmt put(m_db, "INSERT INTO entries(list, ord, parent, name, kind, attributes, size, "
                           "created, changed, mark, crossedOut, comment, path, exact) "
                           "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)");
            std::vector<std::uint32_t> ordOf(total, 0);
            RestWriter rests(m_db, id, total);
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
                    const std::string path = folder.child(nameIn(e, NameForm::shown));
                    put.bindBlob(13, path.data(), path.size());
                } else {
                    put.bindNull(13);
                }
                if (const std::optional<std::string_view> exact = e->exactName())
                    put.bindBlob(14, exact->data(), exact->size());
                else
                    put.bindNull(14);
                put.run();
                rests.put(e, ord, record);
                if (next % 65536 == 0) goesOn = goOn(progress, next, total);
                return goesOn ? WalkOn::into : WalkOn::stop;
            };
            store(root, FolderPath(PathJoin::caption));
            walkWithPaths(root->children(), PathJoin::caption, store, NameForm::shown);
            if (!goesOn) return cancelled();

            if (!goOn(progress, total, total)) return cancelled();
        }
        exec(m_db, "COMMIT");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        if (stopped()) return {AddOutcome::cancelled, path, total}; // see stopWhen
        throw;
    }
    return {known ? AddOutcome::updated : AddOutcome::added, path, total};
}

} // namespace kx::catalog
