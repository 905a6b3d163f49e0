// The trigram postings: how the name index's build gathers them, and how a search reads them,
// rarest trigram first.
#include "catalog/postings.h"

#include "catalog/nameindex.h"
#include "catalog/spool.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>
#include <queue>

namespace kx::catalog {

namespace {

// Past this many ords of the next trigram per candidate left, reading its postings costs more
// than testing the candidates' names (a name costs a short read, an ord a byte).
constexpr std::uint64_t kReadPerCandidate = 64;

// What a trigram costs the builder beyond its ords' bytes: its place in the table, its record.
constexpr std::size_t kHeldPerGram = 96;

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

PostingsBuilder::PostingsBuilder(std::string near, std::size_t budget)
    : m_near(std::move(near)), m_budget(budget) {}

PostingsBuilder::~PostingsBuilder() = default;

void PostingsBuilder::add(std::uint32_t ord, std::string_view name) {
    gramsOf(name, m_grams);
    for (Gram g : m_grams) {
        Pending& p = m_pending[g];
        if (p.count == 0) m_held += kHeldPerGram;
        const std::size_t before = p.deltas.size();
        putVarint(p.deltas, ord - p.last);
        m_held += p.deltas.size() - before;
        p.last = ord;
        ++p.count;
    }
    if (m_held > m_budget) spill();
}

void PostingsBuilder::spill() {
    if (m_pending.empty()) return;
    if (!m_file) m_file = std::make_unique<Spool>(m_near, false);
    std::vector<Gram> keys;
    keys.reserve(m_pending.size());
    for (const auto& p : m_pending)
        keys.push_back(p.first);
    std::sort(keys.begin(), keys.end());
    const std::uint64_t begin = m_file->size();
    std::string head;
    for (Gram gram : keys) {
        const Pending& p = m_pending[gram];
        head.clear();
        for (std::uint32_t v : {gram, p.count, p.last, std::uint32_t(p.deltas.size())})
            putU32(head, v);
        m_file->write(head.data(), head.size());
        m_file->write(p.deltas.data(), p.deltas.size());
    }
    m_runs.push_back({begin, m_file->size()});
    std::unordered_map<Gram, Pending>().swap(m_pending);
    m_held = 0;
}

namespace {

// One run read front to back through a buffer of its own, a trigram at a time.
class RunReader {
public:
    RunReader(Spool& file, std::uint64_t begin, std::uint64_t end, std::size_t buffer)
        : m_file(file), m_at(begin), m_end(end), m_buffer(buffer) {}
    // The next trigram's head; false past the run's end.
    bool next() {
        if (m_at == m_end && m_pos == m_length) return false;
        std::uint8_t head[16];
        get(head, sizeof head);
        gram = getU32(head);
        count = getU32(head + 4);
        last = getU32(head + 8);
        length = getU32(head + 12);
        return true;
    }
    void get(void* into, std::size_t n) {
        auto* out = static_cast<char*>(into);
        while (n > 0) {
            if (m_pos == m_length) {
                const std::size_t want =
                    std::size_t(std::min<std::uint64_t>(m_buffer.size(), m_end - m_at));
                m_length = want ? m_file.read(m_at, m_buffer.data(), want) : 0;
                if (m_length == 0) throw writeFailure(m_file.path());
                m_at += m_length;
                m_pos = 0;
            }
            const std::size_t k = std::min(n, m_length - m_pos);
            std::memcpy(out, m_buffer.data() + m_pos, k);
            m_pos += k;
            out += k;
            n -= k;
        }
    }

    Gram gram = 0;
    std::uint32_t count = 0, last = 0, length = 0;

private:
    Spool& m_file;
    std::uint64_t m_at, m_end;
    std::vector<char> m_buffer;
    std::size_t m_pos = 0, m_length = 0;
};

} // namespace

void PostingsBuilder::finish(Spool& grams, Spool& postings) {
    spill();
    std::vector<RunReader> runs;
    runs.reserve(m_runs.size());
    // The runs' next trigrams, least first, runs of one trigram in the order they were made.
    using Head = std::pair<Gram, std::size_t>;
    std::priority_queue<Head, std::vector<Head>, std::greater<>> heads;
    // The runs' buffers share the budget, each between a page and 64 KiB.
    const std::size_t buffer =
        std::clamp<std::size_t>(m_budget / std::max<std::size_t>(m_runs.size(), 1), 4096, 65536);
    for (const Run& r : m_runs) {
        runs.emplace_back(*m_file, r.begin, r.end, buffer);
        if (runs.back().next()) heads.push({runs.back().gram, runs.size() - 1});
    }
    std::uint64_t written = 0;
    std::vector<std::size_t> holding;
    std::string bytes;
    while (!heads.empty()) {
        const Gram gram = heads.top().first;
        holding.clear();
        std::uint32_t count = 0;
        while (!heads.empty() && heads.top().first == gram) {
            holding.push_back(heads.top().second);
            count += runs[heads.top().second].count;
            heads.pop();
        }
        if (written >= 0xFFFFFFFFu)
            throw Error(ErrorCode::catalogueFailed, {}, 0, "a list too large");
        bytes.clear();
        for (std::uint32_t v : {gram, count, std::uint32_t(written)})
            putU32(bytes, v);
        grams.write(bytes.data(), bytes.size());
        // Each run's first ord counted from 0: from the previous run's last instead.
        std::uint32_t last = 0;
        for (std::size_t i : holding) {
            RunReader& r = runs[i];
            std::uint32_t first = 0, taken = 0;
            for (int shift = 0;; shift += 7) {
                std::uint8_t b = 0;
                r.get(&b, 1);
                ++taken;
                first |= std::uint32_t(b & 0x7f) << shift;
                if (!(b & 0x80)) break;
            }
            bytes.clear();
            putVarint(bytes, first - last);
            bytes.resize(bytes.size() + (r.length - taken));
            r.get(bytes.data() + bytes.size() - (r.length - taken), r.length - taken);
            postings.write(bytes.data(), bytes.size());
            written += bytes.size();
            last = r.last;
            if (r.next()) heads.push({r.gram, i});
        }
    }
    m_runs.clear();
    m_file.reset();
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
