// A catalogued list rebuilt from the catalogue alone, as the viewer shows it once opened.
#include "catalog/recordrest.h"
#include "catalog/sqlstore.h"

namespace kx::catalog {

std::unique_ptr<EntryTree> Catalog::loadTree(std::int64_t listId, const Progress& progress) const {
    const ReadTransaction reading(m_db);
    Stmt& list = m_st->listOfId;
    list.bind(1, listId);
    if (!list.step()) {
        list.reset();
        throw Error(ErrorCode::catalogueFailed, m_path, 0, "no such list");
    }
    const ListRecord record = listOf(list);
    list.reset();

    try {
        auto tree = std::make_unique<EntryTree>();
        tree->headerText = record.headerText;
        const std::uint64_t total = record.entries;
        // Rows come in ord order, each parent before its children and the children in the
        // order shown, so each Entry is added as the last child of its parent.
        std::vector<Entry*> byOrd;
        std::vector<std::int32_t> depthOf;
        byOrd.reserve(total);
        depthOf.reserve(total);
        Stmt rest(m_db, "SELECT ord, bytes FROM recordRest WHERE list = ?1 ORDER BY ord");
        rest.bind(1, listId);
        bool restLeft = rest.step();
        Stmt& rows = m_st->entriesOf;
        rows.bind(1, listId);
        const auto damaged = [&rows](const char* why) {
            rows.reset();
            return Error(ErrorCode::catalogueDamaged, {}, 0, why);
        };
        std::uint8_t bytes[kRecordSize];
        while (rows.step()) {
            const auto ord = std::uint64_t(rows.integer(0));
            const auto parent = std::uint64_t(rows.integer(1));
            if (ord != byOrd.size() || (ord != 0 && parent >= ord))
                throw damaged("an entry out of place");
            recordOf(rows, 0, bytes);
            writeI32(bytes, rec::depth, ord == 0 ? 0 : depthOf[parent] + 1);
            while (restLeft && std::uint64_t(rest.integer(0)) < ord)
                restLeft = rest.step();
            if (restLeft && std::uint64_t(rest.integer(0)) == ord) applyRest(bytes, rest.blob(1));
            byOrd.push_back(tree->add(ord == 0 ? nullptr : byOrd[parent], bytes));
            depthOf.push_back(readI32(bytes, rec::depth));
            if (byOrd.size() % 65536 == 0 && !goOn(progress, byOrd.size(), total)) {
                rows.reset();
                return nullptr;
            }
        }
        rows.reset();
        if (byOrd.size() != total) throw Error(ErrorCode::catalogueDamaged, {}, 0, "a lost entry");
        if (!goOn(progress, total, total)) return nullptr;
        return tree;
    } catch (const Error& e) {
        if (!e.path().empty()) throw;
        throw Error(e.code(), m_path, e.sysErrno(), e.detail());
    }
}

} // namespace kx::catalog
