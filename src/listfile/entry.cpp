// The entry tree's storage, the 80-bit size conversion and the tree-wide helpers.
#include "listfile/entry.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace kx {

std::uint64_t extendedToUint64(const std::uint8_t* b) {
    std::uint64_t significand = 0;
    for (int i = 7; i >= 0; --i)
        significand = significand << 8 | b[i];
    const unsigned signExp = unsigned(b[8]) | unsigned(b[9]) << 8;
    const bool negative = (signExp & 0x8000) != 0;
    const int exponent = int(signExp & 0x7FFF);
    if (exponent == 0x7FFF) {
        // Infinity has only the explicit integer bit set; everything else is a NaN.
        const bool infinity = significand == (std::uint64_t(1) << 63);
        return (infinity && !negative) ? UINT64_MAX : 0;
    }
    if (negative || significand == 0 || exponent == 0) return 0; // negatives, zero, denormals
    // value = significand * 2^(exponent - 16383 - 63)
    const int shift = exponent - 16383 - 63;
    if (shift >= 0) {
        if (shift > 0 && (significand >> (64 - shift)) != 0) return UINT64_MAX;
        if (shift >= 64) return UINT64_MAX;
        return significand << shift;
    }
    if (shift <= -64) return 0;
    return significand >> -shift;
}

void uint64ToExtended(std::uint64_t value, std::uint8_t* b) {
    std::fill(b, b + 10, std::uint8_t(0));
    if (value == 0) return;
    int lead = 63;
    while (!(value >> lead))
        --lead;
    const std::uint64_t significand = value << (63 - lead);
    for (int i = 0; i < 8; ++i)
        b[i] = std::uint8_t(significand >> (8 * i));
    const unsigned exponent = unsigned(16383 + lead);
    b[8] = std::uint8_t(exponent & 0xFF);
    b[9] = std::uint8_t(exponent >> 8);
}

ExtendedFloat decodeExtended(const std::uint8_t* b) {
    ExtendedFloat f;
    for (int i = 7; i >= 0; --i)
        f.significand = f.significand << 8 | b[i];
    const unsigned signExp = unsigned(b[8]) | unsigned(b[9]) << 8;
    f.negative = (signExp & 0x8000) != 0;
    const int biased = int(signExp & 0x7FFF);
    if (biased == 0x7FFF) {
        f.kind = f.significand == (std::uint64_t(1) << 63) ? ExtendedFloat::Kind::Infinity
                                                           : ExtendedFloat::Kind::NaN;
        return f;
    }
    // Denormals share the smallest normal exponent; the integer bit is explicit in both.
    f.exponent = (biased == 0 ? 1 : biased) - 16383 - 63;
    return f;
}

void Entry::setComment(std::string_view ansiText) {
    std::fill(record + rec::comment, record + rec::comment + rec::commentSize, std::uint8_t(0));
    const std::size_t n = std::min<std::size_t>(ansiText.size(), rec::commentSize - 2);
    if (n > 0) std::memcpy(record + rec::comment, ansiText.data(), n); // an empty view may be null
}

namespace {
constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kBlockBytes = 5 * kHugePage;
} // namespace

const std::size_t EntryTree::kBlock = kBlockBytes / sizeof(Entry);

// Small lists take small blocks: the first holds 64 Entries and each next one twice as many, up
// to the large block.
std::size_t EntryTree::blockCapacity(std::size_t index) {
    return index >= 16 ? kBlock : std::min(kBlock, std::size_t(64) << index);
}

EntryTree::EntryTree() : m_usedInLast(0) {}

EntryTree::~EntryTree() {
    for (std::size_t b = 0; b < m_blocks.size(); ++b) {
        const std::size_t used = b + 1 == m_blocks.size() ? m_usedInLast : blockCapacity(b);
        for (std::size_t i = 0; i < used; ++i)
            m_blocks[b][i].~Entry();
        std::free(m_blocks[b]);
    }
}

Entry* EntryTree::newEntryUninitialized() {
    if (m_blocks.empty() || m_usedInLast == blockCapacity(m_blocks.size() - 1)) {
        const std::size_t capacity = blockCapacity(m_blocks.size());
        void* p = capacity == kBlock ? std::aligned_alloc(kHugePage, kBlockBytes)
                                     : std::aligned_alloc(64, capacity * sizeof(Entry));
        if (!p) throw std::bad_alloc();
        // Large blocks ask for huge pages: where the system gives them only on request, the
        // first touch of every 4 KiB page would otherwise cost most of an open.
        if (capacity == kBlock) ::madvise(p, kBlockBytes, MADV_HUGEPAGE);
        m_blocks.push_back(static_cast<Entry*>(p));
        m_usedInLast = 0;
    }
    Entry* e = new (&m_blocks.back()[m_usedInLast++]) Entry;
    ++m_count;
    return e;
}

Entry* EntryTree::newEntry() {
    Entry* e = newEntryUninitialized();
    std::memset(e->record, 0, kRecordSize);
    return e;
}

TreeCounts countTree(const Entry* root) {
    TreeCounts c;
    if (!root) return c;
    auto add = [&c](const Entry* e) {
        ++c.entries;
        if (e->isFolder())
            ++c.folders;
        else
            ++c.files;
        return true;
    };
    add(root);
    walkBelow(root, add);
    return c;
}

std::uint64_t countBelow(const Entry* root) {
    std::uint64_t n = 0;
    if (root) walkBelow(root, [&n](const Entry*) { return ++n, true; });
    return n;
}

void foldersFirst(std::vector<Entry*>& list) {
    // Equivalent to: for each i, for each j > i, exchange when list[i] is a file and list[j] a
    // folder. The first folder after i only ever moves forward, so one pass suffices.
    const std::size_t n = list.size();
    std::size_t j = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (j <= i) j = i + 1;
        while (j < n && list[j]->kind() != kFolder)
            ++j;
        if (j == n) break;
        if (list[i]->kind() == kFile) std::swap(list[i], list[j]);
    }
}

} // namespace kx
