// The sorted order of detail-list rows: one key per row, made once, then a stable sort.
#include "query/rowsort.h"

#include "listfile/exactname.h"
#include "query/rowformat.h"
#include "query/upcase.h"

#include <algorithm>
#include <numeric>

namespace kx {

namespace {

int compareBytes(const std::string& a, const std::string& b) {
    // std::string compares its chars as unsigned through char_traits<char>::compare (memcmp).
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

} // namespace

std::vector<std::uint32_t> sortedRowOrder(const std::vector<Entry*>& rows, SortColumn column,
                                          bool descending,
                                          const std::function<std::string(std::size_t)>& caption) {
    const std::size_t n = rows.size();
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);

    // One key per row, read once: dates and comments are unpacked from the records.
    std::vector<std::string> texts;
    std::vector<std::optional<std::uint64_t>> dates;
    std::vector<ExtendedFloat> sizes;
    std::function<int(std::uint32_t, std::uint32_t)> compare;
    switch (column) {
    case SortColumn::Size:
        sizes.reserve(n);
        for (const Entry* e : rows)
            sizes.push_back(e->sizeValue());
        compare = [&](std::uint32_t a, std::uint32_t b) {
            return compareSizes(sizes[a], sizes[b]);
        };
        break;
    case SortColumn::Created:
    case SortColumn::Changed:
        texts.reserve(n);
        dates.reserve(n);
        for (const Entry* e : rows) {
            const std::string text = column == SortColumn::Created ? e->created() : e->changed();
            dates.push_back(dateValue(text));
            texts.push_back(dates.back() ? std::string() : upperCased(text));
        }
        compare = [&](std::uint32_t a, std::uint32_t b) {
            const auto& da = dates[a];
            const auto& db = dates[b];
            if (da && db) return *da == *db ? 0 : *da < *db ? -1 : 1;
            if (da || db) return da ? 1 : -1; // no date first
            return compareBytes(texts[a], texts[b]);
        };
        break;
    case SortColumn::Name:
        // Rows with exact names: every name as shown, upper-cased by Unicode, in code point order
        // (the bytes of UTF-8). Otherwise the code page's bytes, as every list without them.
        if (!caption && std::any_of(rows.begin(), rows.end(),
                                    [](const Entry* e) { return e->hasExactName(); })) {
            texts.reserve(n);
            for (const Entry* e : rows)
                texts.push_back(nameText(*e).toUpper().toStdString());
            compare = [&](std::uint32_t a, std::uint32_t b) {
                return compareBytes(texts[a], texts[b]);
            };
            break;
        }
        [[fallthrough]];
    case SortColumn::Attributes:
    case SortColumn::Comment:
        texts.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            const Entry* e = rows[i];
            texts.push_back(upperCased(column == SortColumn::Attributes
                                           ? attributeFlags(e->attributes())
                                       : column == SortColumn::Comment ? e->comment()
                                       : caption                       ? caption(i)
                                                                       : std::string(e->name())));
        }
        compare = [&](std::uint32_t a, std::uint32_t b) {
            return compareBytes(texts[a], texts[b]);
        };
        break;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return compare(a, b) < 0; });
    if (descending) std::reverse(order.begin(), order.end());
    return order;
}

} // namespace kx
