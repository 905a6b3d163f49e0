// The search by mask over the entry tree: one non-recursive pre-order walk, no allocation per
// Entry apart from the results themselves.
#include "browser/search.h"

#include "listfile/codepage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace kx {

namespace {

using UpperTable = std::array<unsigned char, 256>;

UpperTable makeUpperTable() {
    UpperTable t{};
    for (int c = 0; c < 256; ++c)
        t[c] = ansiUpper(static_cast<unsigned char>(c));
    return t;
}

// Case-insensitive containment. upperMask is already upper-cased and not empty. The name is
// upper-cased into a fixed buffer (names hold at most 256 bytes), then the mask's first byte is
// found with memchr and the rest compared.
class Matcher {
public:
    explicit Matcher(std::string_view mask) : m_upper(makeUpperTable()) {
        m_mask.reserve(mask.size());
        for (char c : mask)
            m_mask += static_cast<char>(m_upper[static_cast<unsigned char>(c)]);
    }
    bool matches(std::string_view name) {
        const std::size_t m = m_mask.size();
        const std::size_t n = name.size();
        if (n < m) return false;
        if (n > sizeof(m_buffer)) return slowMatch(name);
        for (std::size_t i = 0; i < n; ++i)
            m_buffer[i] = static_cast<char>(m_upper[static_cast<unsigned char>(name[i])]);
        const char first = m_mask[0];
        const char* p = m_buffer;
        const char* last = m_buffer + (n - m); // the last place where the mask can start
        while (p <= last) {
            p = static_cast<const char*>(std::memchr(p, first, std::size_t(last - p) + 1));
            if (!p) return false;
            if (std::memcmp(p + 1, m_mask.data() + 1, m - 1) == 0) return true;
            ++p;
        }
        return false;
    }

private:
    // Never taken for names read from a list (at most 256 bytes); kept for any longer text.
    bool slowMatch(std::string_view name) const {
        std::string up(name);
        for (char& c : up)
            c = static_cast<char>(m_upper[static_cast<unsigned char>(c)]);
        return up.find(m_mask) != std::string::npos;
    }
    UpperTable m_upper;
    std::string m_mask;
    char m_buffer[256];
};

// Each file at position i is exchanged with the first folder after it. No folder lies between
// i + 1 and nextFolder, so the scan resumes there and the whole pass is linear.
void foldersToFront(SearchResults& r) {
    const std::size_t n = r.entries.size();
    std::size_t nextFolder = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (r.entries[i]->kind() != kFile) continue;
        std::size_t j = std::max(nextFolder, i + 1);
        while (j < n && r.entries[j]->kind() != kFolder)
            ++j;
        if (j == n) return; // no folder is left after i
        std::swap(r.entries[i], r.entries[j]);
        std::swap(r.paths[i], r.paths[j]);
        nextFolder = j + 1;
    }
}

} // namespace

std::string searchBase(std::string_view rootName) {
    std::string s(rootName);
    if (!s.empty() && s.back() == '\\') s.pop_back();
    return s;
}

SearchResults searchByMask(const Entry* root, std::string_view maskAnsi) {
    SearchResults r;
    if (!root) return r;
    r.base = searchBase(root->name());
    std::string mask(maskAnsi);
    // Only a leading "*" is dropped: "*.txt" finds ".txt", while "a*b" keeps its "*" and, as no
    // name holds one, finds nothing.
    if (!mask.empty() && mask.front() == '*') mask.erase(0, 1);
    if (mask.empty()) return r;
    Matcher matcher(mask);

    // One path buffer holds the prefix of the Entry being visited; each stack frame remembers
    // how long its folder's path is.
    struct Frame {
        const Entry* folder;
        std::size_t next;
        std::size_t pathLength;
    };
    std::string path = r.base;
    std::vector<Frame> stack;
    if (!root->children.empty()) stack.push_back({root, 0, path.size()});
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next == f.folder->children.size()) {
            stack.pop_back();
            continue;
        }
        Entry* e = f.folder->children[f.next++];
        const std::string_view name = e->name();
        const bool found = matcher.matches(name);
        const bool descend = !e->children.empty();
        if (!found && !descend) continue;
        path.resize(f.pathLength);
        path += '\\';
        path += name;
        if (found) {
            r.entries.push_back(e);
            r.paths.push_back(path);
        }
        if (descend) stack.push_back({e, 0, path.size()}); // f is not used after this
    }
    foldersToFront(r);
    return r;
}

std::string resultCaption(const SearchResults& r, std::size_t i) {
    if (i >= r.paths.size()) return {};
    const std::string& p = r.paths[i];
    const std::size_t skip = r.base.size() + 1;
    return p.size() > skip ? p.substr(skip) : std::string();
}

} // namespace kx
