// Filters over Entries and the filtered search over the shared walk of searchwalk.h.
#include "query/filter.h"

namespace kx {

namespace {

enum class Order { Less, Equal, Greater, Unordered };

// The stored size against a whole byte count, exactly: fractions, negative values, infinities
// and sizes beyond 64 bits compare by their value; a NaN is unordered.
Order compareSize(const ExtendedFloat& v, std::uint64_t n) {
    switch (v.kind) {
    case ExtendedFloat::Kind::NaN:
        return Order::Unordered;
    case ExtendedFloat::Kind::Infinity:
        return v.negative ? Order::Less : Order::Greater;
    case ExtendedFloat::Kind::Finite:
        break;
    }
    if (v.significand == 0) return n == 0 ? Order::Equal : Order::Less; // either sign of zero
    if (v.negative) return Order::Less;
    std::uint64_t whole;
    bool fraction = false;
    if (v.exponent >= 0) {
        if (v.exponent >= 64 || (v.significand >> (63 - v.exponent) >> 1) != 0)
            return Order::Greater; // 2^64 or more
        whole = v.significand << v.exponent;
    } else if (v.exponent <= -64) {
        whole = 0;
        fraction = true;
    } else {
        const int right = -v.exponent;
        whole = v.significand >> right;
        fraction = (v.significand & ((std::uint64_t(1) << right) - 1)) != 0;
    }
    if (whole != n) return whole < n ? Order::Less : Order::Greater;
    return fraction ? Order::Greater : Order::Equal;
}

bool sizeWithin(const Entry& e, const std::optional<std::uint64_t>& minSize,
                const std::optional<std::uint64_t>& maxSize) {
    if (e.isFolder()) return false;
    const ExtendedFloat size = e.sizeValue();
    if (minSize) {
        const Order o = compareSize(size, *minSize);
        if (o != Order::Greater && o != Order::Equal) return false;
    }
    if (maxSize) {
        const Order o = compareSize(size, *maxSize);
        if (o != Order::Less && o != Order::Equal) return false;
    }
    return true;
}

} // namespace

EntryTest::EntryTest(const EntryFilter& filter)
    : m_filter(filter), m_hasMask(!searchwalk::withoutLeadingStar(filter.mask).empty()),
      m_matcher(searchwalk::withoutLeadingStar(filter.mask)) {}

bool EntryTest::operator()(const Entry& e) const {
    // The cheap fields first, the texts last.
    if (m_filter.mark && e.mark() != *m_filter.mark) return false;
    if (m_filter.damagedOnly && !e.isDamaged()) return false;
    if ((m_filter.minSize || m_filter.maxSize) &&
        !sizeWithin(e, m_filter.minSize, m_filter.maxSize))
        return false;
    if (m_filter.commentedOnly && !e.hasComment()) return false;
    if (!m_hasMask) return true;
    return m_matcher.matches(e.name()) ||
           (m_filter.inComments && e.hasComment() && m_matcher.matches(e.comment()));
}

bool passes(const EntryFilter& filter, const Entry& e) {
    return EntryTest(filter)(e);
}

SearchResults searchFiltered(const Entry* root, const EntryFilter& filter) {
    // The plain search keeps its own loop, with nothing but the name test per Entry.
    if (!filter.hasConditions() && !filter.inComments) return searchByMask(root, filter.mask);
    SearchResults r;
    if (!root) return r;
    r.base = searchBase(root->name());
    // Without conditions an empty mask finds nothing, as in the plain search.
    if (!filter.hasConditions() && searchwalk::withoutLeadingStar(filter.mask).empty()) return r;
    const EntryTest test(filter);
    searchwalk::collectBelow(root, r.entries, test);
    searchwalk::foldersToFront(r.entries);
    return r;
}

} // namespace kx
