// The catalogue's search: the rows that pass a filter in every list, streamed from the name index
// in the search order with bounded memory.
//
// A list's search order is its walk order with the folders-to-front pass of foldersfirst.h:
// counting only files and folders, the first k places (k = the folders found) take the folders in
// walk order; a file found after those places keeps its place; the files found among them move,
// one by one, to the places that the later folders leave, each passing through the places of the
// folders it meets on its way (entry.cpp's exchange). So each list is read twice: once for the
// places of its folders, once to give the rows in order, with a queue holding the ords of the
// files on their way. Both are ords only: four bytes per found folder and per moving file.
#include "catalog/nameindex.h"
#include "catalog/postings.h"

#include "listfile/exactname.h"
#include "query/belowroot.h"
#include "query/filter.h"
#include "query/storeddate.h"
#include "query/upcase.h"

#include <algorithm>
#include <deque>
#include <iterator>
#include <optional>
#include <unistd.h>
#include <unordered_map>

namespace kx::catalog {

namespace {

constexpr std::uint64_t kTextMark = std::uint64_t(1) << 47;

// The found ords of one list in walk order: every ord, or the trigram candidates, through the
// filter's own test.
class Hits {
public:
    Hits(const NameIndex& index, const IndexedList& list, const EntryTest& test,
         const std::vector<std::uint32_t>* candidates)
        : m_index(index), m_list(list), m_test(test), m_candidates(candidates),
          m_names(index, list), m_rows(index, list),
          m_comments(index, list.comments, list.commentsLength),
          m_exacts(index, list.exacts, list.exactCount * 4) {}

    // The next found ord and its kind; false at the end.
    bool next(std::uint32_t& ord, char& kind) {
        const EntryFilter& f = m_test.filter();
        const bool conditions = f.hasConditions();
        while (advance(ord)) {
            IndexRow row;
            if (conditions) {
                row = m_rows.at(ord);
                const bool held =
                    m_test.conditionsHold(row.kind, row.attributes, row.mark, row.comment != 0,
                                          [&row] { return decodeExtended(row.size); });
                if (!held) continue;
            }
            const std::string_view name = m_names.at(ord);
            const auto comment = [&] { return commentOf(ord); };
            const bool matches = isExact(ord) ? m_test.exactMaskMatches(name, true, comment)
                                              : m_test.maskMatches(name, true, comment);
            if (!matches) continue;
            m_row = conditions ? row : m_rows.at(ord);
            m_name = name;
            kind = m_row.kind;
            return true;
        }
        return false;
    }
    // The last found ord's row and name (until the next call).
    const IndexRow& row() const { return m_row; }
    std::string_view name() const { return m_name; }

private:
    bool advance(std::uint32_t& ord) {
        if (m_candidates) {
            // The root is never a result.
            while (m_at < m_candidates->size() && (*m_candidates)[m_at] == 0)
                ++m_at;
            if (m_at == m_candidates->size()) return false;
            ord = (*m_candidates)[m_at++];
            return true;
        }
        if (++m_ord >= m_list.entries) return false;
        ord = m_ord;
        return true;
    }
    // The comment of `ord`, read in walk order alongside the names: empty when none.
    std::string_view commentOf(std::uint32_t ord) {
        while (m_commentOrd < ord || m_commentOrd == kNone) {
            if (!m_comments.nextU32(m_commentOrd)) {
                m_commentOrd = kEnd;
                break;
            }
            if (!m_comments.nextText(m_comment)) damagedIndex("a comment without text");
        }
        return m_commentOrd == ord ? m_comment : std::string_view();
    }
    // Whether the name of `ord` is exact, read in walk order from the exact ords.
    bool isExact(std::uint32_t ord) {
        while (m_exactOrd < ord || m_exactOrd == kNone)
            if (!m_exacts.nextU32(m_exactOrd)) m_exactOrd = kEnd;
        return m_exactOrd == ord;
    }

    static constexpr std::uint32_t kNone = 0xFFFFFFFE, kEnd = 0xFFFFFFFF;
    const NameIndex& m_index;
    const IndexedList& m_list;
    const EntryTest& m_test;
    const std::vector<std::uint32_t>* m_candidates;
    NameCursor m_names;
    RowCursor m_rows;
    SectionReader m_comments, m_exacts;
    std::uint32_t m_commentOrd = kNone, m_exactOrd = kNone;
    std::string_view m_comment;
    std::size_t m_at = 0;
    std::uint32_t m_ord = 0;
    IndexRow m_row;
    std::string_view m_name;
};

// The rows of one list as StoredRow, by ord: its own cursors, the path of the last parent kept.
class RowMaker {
public:
    RowMaker(const NameIndex& index, const IndexedList& list)
        : m_index(index), m_list(list), m_names(index, list), m_rows(index, list),
          m_parentRows(index, list), m_texts(index, list.texts, list.textsLength) {}

    const StoredRow& make(std::uint32_t ord) { return make(ord, m_rows.at(ord), m_names.at(ord)); }
    // The row of `ord` from its fields and name (as matched) as already read.
    const StoredRow& make(std::uint32_t ord, const IndexRow& r, std::string_view name) {
        if (r.parent >= ord) damagedIndex("a parent after its child");
        m_row.ord = ord;
        m_row.kind = r.kind;
        m_row.attributes = r.attributes;
        m_row.mark = r.mark;
        m_row.crossedOut = r.crossedOut;
        std::memcpy(m_size, r.size, sizeof m_size);
        m_row.size = m_size;
        m_created = dateText(r.created);
        m_changed = dateText(r.changed);
        m_comment = r.comment ? textAt(m_index, m_list.comments, m_list.commentsLength,
                                       std::uint64_t(r.comment) - 1)
                              : std::string();
        m_shown = shownName(name, r.exactName ? std::optional(name) : std::nullopt);
        m_codePage = r.exactName ? codePageForm(name) : std::string(name);
        if (r.parent == 0)
            m_caption = m_shown;
        else
            m_caption = childPath(parentPath(r.parent), false, m_shown, PathJoin::caption);
        m_row.name = m_caption;
        m_row.name.remove_prefix(m_caption.size() - m_shown.size());
        m_row.codePageName = m_codePage;
        m_row.exactName = r.exactName;
        m_row.caption = m_caption;
        m_row.created = m_created;
        m_row.changed = m_changed;
        m_row.comment = m_comment;
        return m_row;
    }

private:
    // The path of a folder below the root. The walk comes back to a parent after each of its
    // subfolders, so the paths met last are kept (a bounded number); a path not kept is read
    // through a buffer of the texts, where the folders' paths lie in walk order.
    const std::string& parentPath(std::uint32_t parent) {
        if (parent == m_parent) return *m_parentPath;
        auto kept = m_paths.find(parent);
        if (kept == m_paths.end()) {
            const IndexRow p = m_parentRows.at(parent);
            std::string_view path;
            if (!p.path || !m_texts.textAt(p.path - 1, path))
                damagedIndex("a folder without its path");
            if (m_paths.size() == kPathsKept) m_paths.clear();
            kept = m_paths.emplace(parent, std::string(path)).first;
        }
        m_parent = parent;
        m_parentPath = &kept->second;
        return kept->second;
    }
    std::string dateText(std::uint64_t v) const {
        if (v == 0) return {};
        if (v < kTextMark) return packedDateText(std::int64_t(v - 1));
        return textAt(m_index, m_list.texts, m_list.textsLength, v - kTextMark);
    }

    const NameIndex& m_index;
    const IndexedList& m_list;
    static constexpr std::size_t kPathsKept = 4096;
    NameCursor m_names;
    RowCursor m_rows, m_parentRows;
    SectionReader m_texts;
    std::unordered_map<std::uint32_t, std::string> m_paths;
    std::uint32_t m_parent = 0;
    const std::string* m_parentPath = nullptr;
    std::string m_caption, m_shown, m_codePage, m_created, m_changed, m_comment;
    std::uint8_t m_size[10] = {};
    StoredRow m_row;
};

bool isFileOrFolder(char kind) {
    return kind == kFile || kind == kFolder;
}

// One list's rows in its search order (see the top of the file); false when `give` stopped.
template <class Give>
bool searchList(const NameIndex& index, const IndexedList& list, const EntryTest& test,
                const std::vector<std::uint32_t>* candidates, const Give& give) {
    // Few candidates: the first pass keeps what it found (its row and name), so that the
    // second one reads nothing again.
    struct Held {
        std::uint32_t ord;
        IndexRow row;
        std::size_t nameAt, nameLength;
    };
    constexpr std::size_t kHeldHits = 16384;
    const bool hold = candidates && candidates->size() <= kHeldHits;
    std::vector<Held> held;
    std::string heldNames;
    std::vector<std::uint32_t> folders;
    {
        Hits first(index, list, test, candidates);
        std::uint32_t ord = 0;
        char kind = 0;
        while (first.next(ord, kind)) {
            if (kind == kFolder) folders.push_back(ord);
            if (!hold) continue;
            held.push_back({ord, first.row(), heldNames.size(), first.name().size()});
            heldNames += first.name();
        }
    }
    std::optional<Hits> hits;
    if (!hold) hits.emplace(index, list, test, candidates);
    std::size_t nextHeld = 0;
    const auto next = [&](std::uint32_t& ord, char& kind) {
        if (hits) return hits->next(ord, kind);
        if (nextHeld == held.size()) return false;
        ord = held[nextHeld].ord;
        kind = held[nextHeld++].row.kind;
        return true;
    };
    const auto rowOf = [&](RowMaker& maker, std::uint32_t ord) -> const StoredRow& {
        if (!hold) return maker.make(ord);
        const auto h = std::lower_bound(held.begin(), held.end(), ord,
                                        [](const Held& x, std::uint32_t o) { return x.ord < o; });
        return maker.make(ord, h->row,
                          std::string_view(heldNames).substr(h->nameAt, h->nameLength));
    };
    RowMaker walk(index, list), folderRows(index, list), movedRows(index, list);
    std::deque<std::uint32_t> moving;
    std::size_t place = 0, nextFolder = 0;
    bool fileMet = false;
    std::uint32_t ord = 0;
    char kind = 0;
    while (next(ord, kind)) {
        if (!isFileOrFolder(kind)) {
            if (!give(rowOf(walk, ord))) return false;
            continue;
        }
        if (place++ < folders.size()) {
            if (!give(rowOf(folderRows, folders[nextFolder++]))) return false;
            // The Entry found here moves on: a file starts its way, a folder's place takes the
            // first file on its way and sends it further.
            if (kind == kFile) {
                fileMet = true;
                moving.push_back(ord);
            } else if (fileMet) {
                moving.push_back(moving.front());
                moving.pop_front();
            }
        } else if (kind == kFile) {
            if (!give(rowOf(walk, ord))) return false;
        } else {
            if (moving.empty()) damagedIndex("a folder out of its place");
            if (!give(rowOf(movedRows, moving.front()))) return false;
            moving.pop_front();
        }
    }
    return true;
}

} // namespace

void Catalog::prepareSearch() const {
    const ReadTransaction reading(m_db);
    const std::int64_t generation = generationOf(m_db);
    const std::string path = nameIndexPath(m_path);
    if (!NameIndex::open(path, generation)) buildNameIndex(m_db, generation, path);
}

void Catalog::findStored(const EntryFilter& filter, const FoundStoredRow& row) const {
    // Without conditions an empty mask finds nothing, as in the search of one list.
    if (!filter.hasConditions() && filter.testedMask().empty()) return;
    const ReadTransaction reading(m_db);
    const std::vector<ListRecord> all = lists();
    const std::int64_t generation = generationOf(m_db);
    const std::string path = nameIndexPath(m_path);
    const auto matches = [&all](const NameIndex& index) {
        if (index.lists().size() != all.size()) return false;
        for (std::size_t i = 0; i < all.size(); ++i)
            if (index.lists()[i].id != all[i].id || index.lists()[i].entries != all[i].entries)
                return false;
        return true;
    };
    bool given = false;
    const FoundStoredRow counted = [&](const ListRecord& list, const StoredRow& r) {
        given = true;
        return row(list, r);
    };
    for (int attempt = 0;; ++attempt) {
        std::unique_ptr<NameIndex> index = NameIndex::open(path, generation);
        if (!index || !matches(*index)) {
            index.reset();
            buildNameIndex(m_db, generation, path);
            index = NameIndex::open(path, generation);
            if (!index || !matches(*index)) damagedIndex("made but not readable");
        }
        try {
            searchIndex(*index, all, filter, counted);
            return;
        } catch (const Error& e) {
            // A damaged index is made again; the search starts over unless it gave rows.
            if (e.code() != ErrorCode::catalogueDamaged) throw;
            ::unlink(path.c_str());
            if (given || attempt > 0) throw;
        }
    }
}

void Catalog::searchIndex(const NameIndex& index, const std::vector<ListRecord>& all,
                          const EntryFilter& filter, const FoundStoredRow& row) const {
    // A mask with a run of three bytes or more (a glob's runs between its wildcards) narrows
    // each list to the names that hold all its trigrams; the name test checks the candidates.
    // Exact names hold the trigrams of the mask as typed, upper-cased by Unicode in UTF-8, the
    // others those of the code-page mask: the candidates are of either, and a mask that the
    // code page cannot hold has only the first.
    std::vector<Gram> exactGrams, codePageGrams;
    if (!filter.inComments) {
        exactGrams = maskGrams(
            unicodeUpper(exactMaskOf(filter.typedMask, filter.mask, filter.glob)), filter.glob);
        if (filter.maskFitsCodePage)
            codePageGrams = maskGrams(upperCased(filter.testedMask()), filter.glob);
    }
    const bool indexed =
        !exactGrams.empty() && (!filter.maskFitsCodePage || !codePageGrams.empty());
    const bool twoForms = indexed && filter.maskFitsCodePage && codePageGrams != exactGrams;
    const EntryTest test(filter);

    for (std::size_t i = 0; i < all.size(); ++i) {
        std::vector<std::uint32_t> candidates;
        if (indexed) {
            candidates = candidatesOf(index, index.lists()[i], exactGrams);
            if (twoForms) {
                const std::vector<std::uint32_t> more =
                    candidatesOf(index, index.lists()[i], codePageGrams);
                std::vector<std::uint32_t> both;
                std::set_union(candidates.begin(), candidates.end(), more.begin(), more.end(),
                               std::back_inserter(both));
                candidates.swap(both);
            }
            if (candidates.empty()) continue;
        }
        const bool goesOn =
            searchList(index, index.lists()[i], test, indexed ? &candidates : nullptr,
                       [&](const StoredRow& r) { return row(all[i], r); });
        if (!goesOn) return;
    }
}

void Catalog::find(const EntryFilter& filter, const FoundRow& row) const {
    // Each row becomes an Entry of a small tree of its own (the list's root, then the row as
    // its child), so that callers read it exactly as they read the list; the tree is made anew
    // now and then, so that it never holds more than a few thousand rows.
    constexpr std::size_t kRowsPerTree = 4096;
    std::unique_ptr<EntryTree> tree;
    Entry* root = nullptr;
    std::size_t held = 0;
    std::int64_t treeList = 0;
    std::uint8_t record[kRecordSize];
    findStored(filter, [&](const ListRecord& list, const StoredRow& r) {
        if (!tree || held == kRowsPerTree || treeList != list.id) {
            tree = std::make_unique<EntryTree>();
            std::memset(record, 0, kRecordSize);
            std::memcpy(record, list.rootName.data(),
                        std::min<std::size_t>(list.rootName.size(), rec::nameSize));
            record[rec::kind] = std::uint8_t(kFolder);
            root = tree->add(nullptr, record);
            held = 0;
            treeList = list.id;
        }
        std::memset(record, 0, kRecordSize);
        const auto put = [&record](std::size_t offset, std::size_t room, std::string_view text) {
            if (!text.empty())
                std::memcpy(record + offset, text.data(), std::min(text.size(), room));
        };
        if (r.exactName)
            setNameField(record, r.name);
        else
            put(rec::name, rec::nameSize, r.codePageName);
        record[rec::kind] = std::uint8_t(r.kind);
        record[rec::attributes] = r.attributes;
        std::memcpy(record + rec::size, r.size, rec::sizeSize);
        put(rec::created, rec::createdSize, r.created);
        put(rec::changed, rec::changedSize, r.changed);
        record[rec::mark] = r.mark;
        record[rec::crossedOut] = r.crossedOut;
        put(rec::comment, rec::commentSize, r.comment);
        writeI32(record, rec::lastChild, -1);
        const Entry* e = tree->add(root, record);
        ++held;
        return row(list, *e, std::string(r.caption), r.ord);
    });
}

} // namespace kx::catalog
