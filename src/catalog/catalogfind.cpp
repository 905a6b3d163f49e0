// The catalogue's duplicate files, its space by type and largest files, and where a found row
// lies in its list.
#include "catalog/sqlstore.h"

#include "query/belowroot.h"
#include "query/foldersfirst.h"
#include "query/searchwalk.h"
#include "query/upcase.h"

#include <algorithm>
#include <queue>
#include <unordered_map>

namespace kx::catalog {

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
// name, both as shown. The paths of the parents already read are kept.
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

std::vector<Duplicate> Catalog::duplicates(std::uint64_t minSize) const {
    const std::int64_t least =
        minSize > std::uint64_t(INT64_MAX) ? INT64_MAX : std::int64_t(minSize);
    const LargeCache cache(m_db);
    const ReadTransaction reading(m_db);
    // Keyed by the name as shown: the exact name where there is one, else the code page's (the
    // two kept apart, as their bytes are of two encodings).
    Stmt s(m_db, "WITH twins AS (SELECT exact IS NULL AS plain, coalesce(exact, name) AS key, "
                 "size FROM entries WHERE kind = 70 AND typeof(size) = 'integer' AND size >= ?1 "
                 "GROUP BY plain, key, size HAVING count(*) > 1) "
                 "SELECT e.size, e.name, e.exact, e.list, e.parent, l.path FROM entries e "
                 "JOIN twins t ON (e.exact IS NULL) = t.plain AND "
                 "coalesce(e.exact, e.name) = t.key AND e.size = t.size "
                 "JOIN lists l ON l.id = e.list WHERE e.kind = 70 "
                 "ORDER BY e.size DESC, t.plain, t.key, e.list, e.ord");
    s.bind(1, least);
    std::vector<Duplicate> out;
    std::unordered_map<std::int64_t, std::unique_ptr<Captions>> captions;
    while (s.step()) {
        const std::int64_t list = s.integer(3);
        auto& c = captions[list];
        if (!c) c = std::make_unique<Captions>(m_st->folderPath, list);
        std::string name = shownName(s, 1, 2);
        std::string caption = c->caption(std::uint32_t(s.integer(4)), name);
        out.push_back(
            {std::uint64_t(s.integer(0)), std::move(name), s.text(5), std::move(caption)});
    }
    s.reset();
    // By the names as shown; each group keeps its order of lists and places.
    std::stable_sort(out.begin(), out.end(), [](const Duplicate& a, const Duplicate& b) {
        return a.size != b.size ? a.size > b.size : a.name < b.name;
    });
    return out;
}

namespace {

// Calls f(list, ord, parent, name, size) for every stored file; a size that is no whole byte
// count (kept as the record's bytes) gives 0.
template <class F> void eachFile(sqlite3* db, F&& f) {
    const ReadTransaction reading(db);
    Stmt s(db, "SELECT list, ord, parent, name, "
               "CASE WHEN typeof(size) = 'integer' THEN size ELSE 0 END FROM entries "
               "WHERE kind <> 68");
    while (s.step())
        f(s.integer(0), std::uint32_t(s.integer(1)), std::uint32_t(s.integer(2)), s.blob(3),
          std::uint64_t(std::max<std::int64_t>(0, s.integer(4))));
    s.reset();
}

} // namespace

TypeTotals Catalog::sizesByType() const {
    const LargeCache cache(m_db);
    TypeTotals totals;
    std::string lowered;
    eachFile(m_db, [&](std::int64_t, std::uint32_t, std::uint32_t, std::string_view name,
                       std::uint64_t size) { totals.add(ansiExtensionOf(name, lowered), size); });
    return totals;
}

std::vector<LargeFile> Catalog::largestFiles(std::size_t most, const TypeChoice& choice) const {
    struct Kept {
        std::uint64_t size;
        std::int64_t list;
        std::uint32_t ord, parent;
        std::string name;
    };
    // The top of the heap is the one to drop first: the smallest, then the latest.
    const auto before = [](const Kept& a, const Kept& b) {
        if (a.size != b.size) return a.size > b.size;
        return a.list != b.list ? a.list < b.list : a.ord < b.ord;
    };
    std::priority_queue<Kept, std::vector<Kept>, decltype(before)> kept(before);
    std::string lowered;
    const LargeCache cache(m_db);
    if (most > 0)
        eachFile(m_db, [&](std::int64_t list, std::uint32_t ord, std::uint32_t parent,
                           std::string_view name, std::uint64_t size) {
            if (size == 0) return;
            Kept k{size, list, ord, parent, {}};
            if (kept.size() == most && !before(k, kept.top())) return;
            if (!choice.holds(ansiExtensionOf(name, lowered))) return;
            k.name = std::string(name);
            kept.push(std::move(k));
            if (kept.size() > most) kept.pop();
        });
    std::unordered_map<std::int64_t, std::string> paths;
    for (const ListRecord& l : lists())
        paths.emplace(l.id, l.path);
    std::vector<LargeFile> out(kept.size());
    std::unordered_map<std::int64_t, std::unique_ptr<Captions>> captions;
    for (std::size_t i = out.size(); i-- > 0; kept.pop()) {
        const Kept& k = kept.top();
        auto& c = captions[k.list];
        if (!c) c = std::make_unique<Captions>(m_st->folderPath, k.list);
        out[i] = {k.size, k.name, k.list, paths[k.list], c->caption(k.parent, k.name), k.ord};
    }
    return out;
}

} // namespace kx::catalog
