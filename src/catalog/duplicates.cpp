// Duplicate files grouped: the groups across disks, and one row per group with its waste.
#include "catalog/catalog.h"

#include <algorithm>
#include <set>
#include <unordered_map>

namespace kx::catalog {

namespace {

// Calls f(first, last) for each run of rows of equal size and name.
template <class F> void eachGroup(const std::vector<Duplicate>& rows, F&& f) {
    for (std::size_t first = 0; first < rows.size();) {
        std::size_t last = first + 1;
        while (last < rows.size() && rows[last].size == rows[first].size &&
               rows[last].name == rows[first].name)
            ++last;
        f(first, last);
        first = last;
    }
}

} // namespace

std::vector<Duplicate> acrossLists(const std::vector<Duplicate>& rows,
                                   const std::vector<ListRecord>& lists) {
    std::unordered_map<std::string, const std::string*> rootOf;
    for (const ListRecord& l : lists)
        rootOf.emplace(l.path, &l.rootName);
    std::vector<Duplicate> out;
    eachGroup(rows, [&](std::size_t first, std::size_t last) {
        std::set<std::string> roots;
        for (std::size_t i = first; i < last; ++i) {
            const auto it = rootOf.find(rows[i].listPath);
            roots.insert(it == rootOf.end() ? rows[i].listPath : *it->second);
        }
        if (roots.size() > 1) out.insert(out.end(), rows.begin() + first, rows.begin() + last);
    });
    return out;
}

std::vector<DuplicateGroup> duplicateGroups(const std::vector<Duplicate>& rows) {
    std::vector<DuplicateGroup> out;
    eachGroup(rows, [&](std::size_t first, std::size_t last) {
        const std::uint64_t copies = last - first, size = rows[first].size;
        const std::uint64_t wasted =
            size != 0 && copies - 1 > UINT64_MAX / size ? UINT64_MAX : size * (copies - 1);
        out.push_back({size, rows[first].name, copies, wasted});
    });
    std::stable_sort(out.begin(), out.end(), [](const DuplicateGroup& a, const DuplicateGroup& b) {
        if (a.wasted != b.wasted) return a.wasted > b.wasted;
        if (a.name != b.name) return a.name < b.name;
        return a.size > b.size;
    });
    return out;
}

} // namespace kx::catalog
