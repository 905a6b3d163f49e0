// The comparison of two lists by path below the root and kind.
#include "catalog/listdiff.h"

#include "query/belowroot.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>

namespace kx::catalog {

namespace {

using Key = std::pair<std::string, char>;

// Every Entry below root by its caption and kind; the first one in pre-order wins.
std::map<Key, const Entry*> byPath(const Entry* root) {
    std::map<Key, const Entry*> out;
    if (!root) return out;
    walkWithPaths(
        root->children(), PathJoin::caption,
        [&out](const Entry* e, const FolderPath& folder) {
            out.emplace(Key{folder.child(nameIn(e, NameForm::shown)), e->kind()}, e);
            return WalkOn::into;
        },
        NameForm::shown);
    return out;
}

bool sameSizeAndTime(const Entry* a, const Entry* b) {
    std::uint8_t ra[kRecordSize], rb[kRecordSize];
    a->copyRecord(ra);
    b->copyRecord(rb);
    return std::memcmp(ra + rec::size, rb + rec::size, rec::sizeSize) == 0 &&
           fieldText(ra, rec::changed, rec::changedSize) ==
               fieldText(rb, rec::changed, rec::changedSize);
}

} // namespace

std::vector<DiffRow> diffLists(const Entry* oldRoot, const Entry* newRoot) {
    const auto before = byPath(oldRoot);
    const auto after = byPath(newRoot);
    std::vector<DiffRow> rows;
    auto o = before.begin();
    auto n = after.begin();
    while (o != before.end() || n != after.end()) {
        if (n == after.end() || (o != before.end() && o->first < n->first)) {
            rows.push_back({'-', o->first.first, o->first.second});
            ++o;
        } else if (o == before.end() || n->first < o->first) {
            rows.push_back({'+', n->first.first, n->first.second});
            ++n;
        } else {
            if (!sameSizeAndTime(o->second, n->second))
                rows.push_back({'~', n->first.first, n->first.second});
            ++o;
            ++n;
        }
    }
    return rows;
}

} // namespace kx::catalog
