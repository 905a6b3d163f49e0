// File types: extensions, their groups, the totals by type and the largest files.
#include "query/filetypes.h"

#include "listfile/codepage.h"
#include "query/size80.h"

#include <algorithm>
#include <queue>
#include <unordered_map>

namespace kx {

namespace {

struct GroupInfo {
    const char* name;
    std::uint32_t colour;
    const char* extensions; // separated by spaces
};

constexpr GroupInfo kGroups[kTypeGroups] = {
    {"pictures", 0x4caf50,
     "jpg jpeg png gif bmp tif tiff webp heic heif raw cr2 nef arw dng svg ico psd xcf"},
    {"video", 0xe05050, "mp4 mkv avi mov wmv flv webm mpg mpeg m4v 3gp vob ts m2ts"},
    {"audio", 0xf0a030, "mp3 wav flac ogg oga opus aac m4a wma aiff ape mid midi"},
    {"documents", 0x4a90d9,
     "txt pdf doc docx odt rtf xls xlsx ods ppt pptx odp csv md html htm xml json epub djvu tex"},
    {"archives", 0x9c6ade, "zip rar 7z tar gz tgz bz2 xz zst lz4 iso img dmg cab arj lzh kx"},
    {"programs", 0x26a69a,
     "exe dll com bat cmd msi sys so dylib sh py pl js jar apk deb rpm app bin elf"},
    {"other", 0x9e9e9e, ""},
};

const std::unordered_map<std::string_view, TypeGroup>& groupByExtension() {
    static const auto table = [] {
        std::unordered_map<std::string_view, TypeGroup> m;
        for (int g = 0; g < kTypeGroups; ++g) {
            const std::string_view all = kGroups[g].extensions;
            for (std::size_t at = 0; at < all.size();) {
                std::size_t end = all.find(' ', at);
                if (end == std::string_view::npos) end = all.size();
                m.emplace(all.substr(at, end - at), TypeGroup(g));
                at = end + 1;
            }
        }
        return m;
    }();
    return table;
}

constexpr std::size_t kLongestExtension = 16;

} // namespace

const char* typeGroupName(TypeGroup g) {
    return kGroups[std::size_t(g)].name;
}

std::uint32_t typeGroupColour(TypeGroup g) {
    return kGroups[std::size_t(g)].colour;
}

std::string_view extensionOf(std::string_view name, std::string& lowered) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    const std::string_view ext = name.substr(dot + 1);
    if (ext.size() > kLongestExtension || ext.find(' ') != std::string_view::npos) return {};
    lowered.assign(ext);
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return lowered;
}

std::string extensionOf(std::string_view name) {
    std::string lowered;
    extensionOf(name, lowered);
    return lowered;
}

std::string_view ansiExtensionOf(std::string_view ansiName, std::string& lowered) {
    // Only an extension beyond ASCII differs between the code page and UTF-8: the name is
    // converted for it alone, not for the many others.
    const std::size_t dot = ansiName.rfind('.');
    const bool ascii = dot == std::string_view::npos ||
                       std::all_of(ansiName.begin() + std::ptrdiff_t(dot), ansiName.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) return extensionOf(ansiName, lowered);
    const std::string utf8 = fromAnsi(ansiName).toStdString();
    return extensionOf(utf8, lowered);
}

std::string_view extensionOf(const Entry& e, std::string& lowered) {
    if (const auto exact = e.exactName()) return extensionOf(*exact, lowered);
    return ansiExtensionOf(e.name(), lowered);
}

TypeGroup typeGroupOf(std::string_view extension) {
    const auto& table = groupByExtension();
    const auto it = table.find(extension);
    return it == table.end() ? TypeGroup::other : it->second;
}

void TypeTotals::add(std::string_view ext, std::uint64_t size) {
    m_groups[std::size_t(typeGroupOf(ext))].add(size);
    auto it = m_byExtension.find(ext);
    if (it == m_byExtension.end()) it = m_byExtension.emplace(std::string(ext), Tally{}).first;
    it->second.add(size);
}

Tally TypeTotals::all() const {
    Tally sum;
    for (const Tally& t : m_groups) {
        sum.entries += t.entries;
        sum.bytes = addSaturating(sum.bytes, t.bytes);
    }
    return sum;
}

std::vector<TypeRow> TypeTotals::rows() const {
    std::vector<TypeRow> out;
    out.reserve(m_byExtension.size());
    for (const auto& [ext, tally] : m_byExtension)
        out.push_back({typeGroupOf(ext), ext, tally});
    std::stable_sort(out.begin(), out.end(), [](const TypeRow& a, const TypeRow& b) {
        if (a.files.bytes != b.files.bytes) return a.files.bytes > b.files.bytes;
        return a.files.entries > b.files.entries;
    });
    return out;
}

TypeTotals sizesByType(const Entry* folder) {
    TypeTotals totals;
    if (!folder) return totals;
    std::string lowered;
    walkBelow(folder, [&](const Entry* e) {
        if (!e->isFolder()) totals.add(extensionOf(*e, lowered), e->size());
        return true;
    });
    return totals;
}

bool TypeChoice::holds(std::string_view ext) const {
    if (anyType) return true;
    if (oneExtension) return ext == extension;
    return typeGroupOf(ext) == group;
}

std::vector<const Entry*> largestFiles(const Entry* folder, std::size_t most,
                                       const TypeChoice& choice) {
    // The kept files in a heap whose top is the one to drop first: the smallest, and of equal
    // sizes the latest in list order (walked in pre-order, ids grow along it).
    const auto before = [](const Entry* a, const Entry* b) {
        if (a->size() != b->size()) return a->size() > b->size();
        return a->id() < b->id();
    };
    std::priority_queue<const Entry*, std::vector<const Entry*>, decltype(before)> kept(before);
    std::string lowered;
    if (folder && most > 0)
        walkBelow(folder, [&](const Entry* e) {
            if (e->isFolder() || e->size() == 0) return true;
            if (kept.size() == most && !before(e, kept.top())) return true;
            if (!choice.holds(extensionOf(*e, lowered))) return true;
            kept.push(e);
            if (kept.size() > most) kept.pop();
            return true;
        });
    std::vector<const Entry*> out(kept.size());
    for (std::size_t i = out.size(); i-- > 0; kept.pop())
        out[i] = kept.top();
    return out;
}

std::vector<std::uint64_t> subtreeBytes(const EntryTree& tree) {
    const std::size_t n = tree.entryCount();
    std::vector<std::uint64_t> bytes(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const Entry* e = tree.at(std::uint32_t(i));
        if (!e->isFolder()) bytes[i] = e->size();
    }
    for (std::size_t i = n; i-- > 1;) {
        const Entry* parent = tree.at(std::uint32_t(i))->parent();
        if (parent) bytes[parent->id()] = addSaturating(bytes[parent->id()], bytes[i]);
    }
    return bytes;
}

} // namespace kx
