// The trigram postings: how the name index's build gathers them, and how a search reads them,
// rarest trigram first.
#include "catalog/postings.h"

#include "catalog/nameindex.h"

#include <algorithm>
#include <iterator>

namespace kx::catalog {

namespace {

// Past this many ords of the next trigram per candidate left, reading its postings costs more
// than testing the candidates' names (a name costs a short read, an ord a byte).
constexpr std::uint64_t kReadPerCandidate = 64;

Gram gramAt(const unsigned char* p) {
    return Gram(p[0]) << 16 | Gram(p[1]) << 8 | Gram(p[2]);
}

void putU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += char(v >> (8 * i));
}

std::uint32_t getU32(const std::uint8_t* at) {
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 |
           std::uint32_t(at[3]) << 24;
}

struct Posting {
    Gram gram = 0;
    std::uint32_t count = 0;
    std::uint64_t at = 0, length = 0; // inside the list's postings
};

// The posting of `gram` in the list's sorted grams section; false when no name holds it.
bool findPosting(const NameIndex& index, const IndexedList& list, Gram gram, Posting& out) {
    std::uint64_t low = 0, high = list.gramCount;
    std::uint8_t e[2 * kGramBytes];
    while (low < high) {
        const std::uint64_t mid = low + (high - low) / 2;
        index.read(list.grams + mid * kGramBytes, e, kGramBytes);
        const Gram g = getU32(e);
        if (g < gram) {
            low = mid + 1;
        } else if (g > gram) {
            high = mid;
        } else {
            const bool last = mid + 1 == list.gramCount;
            if (!last) index.read(list.grams + (mid + 1) * kGramBytes, e + kGramBytes, kGramBytes);
            const std::uint64_t end = last ? list.postingsLength : getU32(e + kGramBytes + 8);
            out.gram = g;
            out.count = getU32(e + 4);
            out.at = getU32(e + 8);
            if (end < out.at || end > list.postingsLength || out.count == 0 ||
                out.count >= list.entries || end - out.at < out.count)
                damagedIndex("a posting out of place");
            out.length = end - out.at;
            return true;
        }
    }
    return false;
}

// The ords of a posting, checked: ascending, inside the list, exactly as many as it says.
std::vector<std::uint32_t> readOrds(const NameIndex& index, const IndexedList& list,
                                    const Posting& p) {
    std::vector<std::uint8_t> bytes(std::size_t(p.length));
    index.read(list.postings + p.at, bytes.data(), bytes.size());
    std::vector<std::uint32_t> ords;
    ords.reserve(p.count);
    std::uint64_t last = 0, v = 0;
    int shift = 0;
    for (std::uint8_t b : bytes) {
        v |= std::uint64_t(b & 0x7f) << shift;
        if (b & 0x80) {
            shift += 7;
            if (shift > 28) damagedIndex("a bad posting");
            continue;
        }
        last += v;
        if (v == 0 || last >= list.entries) damagedIndex("a bad posting");
        ords.push_back(std::uint32_t(last));
        v = 0;
        shift = 0;
    }
    if (shift != 0 || ords.size() != p.count) damagedIndex("a bad posting");
    return ords;
}

} // namespace

void gramsOf(std::string_view upper, std::vector<Gram>& out) {
    out.clear();
    if (upper.size() < 3) return;
    const auto* p = reinterpret_cast<const unsigned char*>(upper.data());
    for (std::size_t i = 0; i + 3 <= upper.size(); ++i)
        out.push_back(gramAt(p + i));
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
}

std::vector<Gram> maskGrams(std::string_view upperMask, bool glob) {
    std::vector<Gram> all, part;
    if (!glob) {
        gramsOf(upperMask, all);
        return all;
    }
    std::size_t start = 0;
    for (std::size_t i = 0; i <= upperMask.size(); ++i) {
        if (i < upperMask.size() && upperMask[i] != '*' && upperMask[i] != '?') continue;
        gramsOf(upperMask.substr(start, i - start), part);
        all.insert(all.end(), part.begin(), part.end());
        start = i + 1;
    }
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    return all;
}

void PostingsBuilder::add(std::uint32_t ord, std::string_view name) {
    gramsOf(name, m_grams);
    for (Gram g : m_grams)
        m_ords[g].push_back(ord);
}

void PostingsBuilder::finish(std::string& grams, std::string& postings) {
    std::vector<Gram> keys;
    keys.reserve(m_ords.size());
    for (const auto& p : m_ords)
        keys.push_back(p.first);
    std::sort(keys.begin(), keys.end());
    for (Gram gram : keys) {
        const std::vector<std::uint32_t>& ords = m_ords[gram];
        if (postings.size() >= 0xFFFFFFFFu)
            throw Error(ErrorCode::catalogueFailed, {}, 0, "a list too large");
        putU32(grams, gram);
        putU32(grams, std::uint32_t(ords.size()));
        putU32(grams, std::uint32_t(postings.size()));
        std::uint32_t last = 0;
        for (std::uint32_t o : ords) {
            putVarint(postings, o - last);
            last = o;
        }
    }
    m_ords.clear();
}

std::vector<std::uint32_t> candidatesOf(const NameIndex& index, const IndexedList& list,
                                        const std::vector<Gram>& grams) {
    std::vector<Posting> postings(grams.size());
    for (std::size_t i = 0; i < grams.size(); ++i)
        if (!findPosting(index, list, grams[i], postings[i])) return {};
    std::sort(postings.begin(), postings.end(),
              [](const Posting& a, const Posting& b) { return a.count < b.count; });
    std::vector<std::uint32_t> candidates, next, both;
    for (std::size_t i = 0; i < postings.size(); ++i) {
        if (i > 0 && postings[i].count > kReadPerCandidate * candidates.size()) break;
        next = readOrds(index, list, postings[i]);
        if (i == 0) {
            candidates.swap(next);
            continue;
        }
        both.clear();
        std::set_intersection(candidates.begin(), candidates.end(), next.begin(), next.end(),
                              std::back_inserter(both));
        candidates.swap(both);
        if (candidates.empty()) break;
    }
    return candidates;
}

} // namespace kx::catalog
