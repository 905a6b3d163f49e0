// The catalogue's searches: the rows that pass a filter in every list, and duplicate files.
#include "catalog/sqlstore.h"

#include "query/belowroot.h"
#include "query/foldersfirst.h"
#include "query/searchwalk.h"
#include "query/upcase.h"

#include <algorithm>
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
            if (!row(list, *e, place.first, place.second)) return;
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
