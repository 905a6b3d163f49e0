// The sorted order of detail-list rows: one key per row, made once, then a stable sort.
#include "query/rowsort.h"

#include "listfile/codepage.h"
#include "query/rowformat.h"

#include <algorithm>
#include <numeric>

namespace kx {

namespace {

// Reads 1..maxDigits digits at `pos`; false when there are none.
bool readNumber(std::string_view s, std::size_t& pos, std::size_t minDigits, std::size_t maxDigits,
                std::uint32_t& value) {
    std::size_t n = 0;
    value = 0;
    while (pos < s.size() && n < maxDigits && s[pos] >= '0' && s[pos] <= '9') {
        value = value * 10 + std::uint32_t(s[pos] - '0');
        ++pos;
        ++n;
    }
    return n >= minDigits;
}

bool expect(std::string_view s, std::size_t& pos, char c) {
    if (pos >= s.size() || s[pos] != c) return false;
    ++pos;
    return true;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string folded(std::string_view s) {
    std::string out(s);
    const unsigned char* upper = ansiUpperTable();
    for (char& c : out)
        c = char(upper[static_cast<unsigned char>(c)]);
    return out;
}

int compareBytes(const std::string& a, const std::string& b) {
    // std::string compares its chars as unsigned through char_traits<char>::compare (memcmp).
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// A finite non-zero magnitude as (exponent of its top bit, significand with its top bit at 63).
std::pair<int, std::uint64_t> normalised(const ExtendedFloat& v) {
    std::uint64_t s = v.significand;
    int e = v.exponent;
    while (!(s >> 63)) {
        s <<= 1;
        --e;
    }
    return {e, s};
}

int compareMagnitudes(const ExtendedFloat& a, const ExtendedFloat& b) {
    const bool ai = a.kind == ExtendedFloat::Kind::Infinity;
    const bool bi = b.kind == ExtendedFloat::Kind::Infinity;
    if (ai || bi) return ai == bi ? 0 : ai ? 1 : -1;
    const auto [ae, as] = normalised(a);
    const auto [be, bs] = normalised(b);
    if (ae != be) return ae < be ? -1 : 1;
    return as == bs ? 0 : as < bs ? -1 : 1;
}

int signOf(const ExtendedFloat& v) {
    if (v.kind == ExtendedFloat::Kind::Finite && v.significand == 0) return 0;
    return v.negative ? -1 : 1;
}

} // namespace

std::optional<std::uint64_t> dateValue(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && isBlank(text[b]))
        ++b;
    while (e > b && isBlank(text[e - 1]))
        --e;
    const std::string_view s = text.substr(b, e - b);
    std::size_t pos = 0;
    std::uint32_t day, month, year, hour = 0, minute = 0, second = 0;
    if (!readNumber(s, pos, 1, 2, day) || !expect(s, pos, '.') ||
        !readNumber(s, pos, 1, 2, month) || !expect(s, pos, '.') || !readNumber(s, pos, 4, 4, year))
        return std::nullopt;
    if (pos < s.size()) {
        if (!isBlank(s[pos])) return std::nullopt;
        while (pos < s.size() && isBlank(s[pos]))
            ++pos;
        if (!readNumber(s, pos, 1, 2, hour) || !expect(s, pos, ':') ||
            !readNumber(s, pos, 2, 2, minute))
            return std::nullopt;
        if (pos < s.size() && (!expect(s, pos, ':') || !readNumber(s, pos, 2, 2, second)))
            return std::nullopt;
        if (pos != s.size()) return std::nullopt;
    }
    if (day < 1 || day > 31 || month < 1 || month > 12 || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return ((((std::uint64_t(year) * 100 + month) * 100 + day) * 100 + hour) * 100 + minute) * 100 +
           second;
}

int compareSizes(const ExtendedFloat& a, const ExtendedFloat& b) {
    const bool an = a.kind == ExtendedFloat::Kind::NaN;
    const bool bn = b.kind == ExtendedFloat::Kind::NaN;
    if (an || bn) return an == bn ? 0 : an ? -1 : 1;
    const int sa = signOf(a), sb = signOf(b);
    if (sa != sb) return sa < sb ? -1 : 1;
    if (sa == 0) return 0;
    const int m = compareMagnitudes(a, b);
    return sa > 0 ? m : -m;
}

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
            texts.push_back(dates.back() ? std::string() : folded(text));
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
    case SortColumn::Attributes:
    case SortColumn::Comment:
        texts.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            const Entry* e = rows[i];
            texts.push_back(folded(column == SortColumn::Attributes
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
