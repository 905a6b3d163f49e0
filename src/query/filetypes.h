// Where the space goes by file type: the extension of a name, the group an extension belongs to
// (pictures, video, audio, documents, archives, programs, other), the files and bytes of each
// group and extension below a folder, and the largest files there.
#pragma once

#include "listfile/entry.h"
#include "query/summary.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kx {

enum class TypeGroup : std::uint8_t {
    pictures,
    video,
    audio,
    documents,
    archives,
    programs,
    other
};
constexpr int kTypeGroups = 7;

// The group's name as kxtool prints it: "pictures", "video", ...
const char* typeGroupName(TypeGroup g);
// The group's colour as 0xRRGGBB, readable under dark and light text alike.
std::uint32_t typeGroupColour(TypeGroup g);

// The extension of a name: the text after its last ".", ASCII letters lowered; empty when there
// is no "." or the name starts with its only one (".profile"), and when the text after it is
// longer than 16 bytes or holds a space (no extension, a part of the name).
// `name` is UTF-8; what is returned lies in `lowered`.
std::string_view extensionOf(std::string_view name, std::string& lowered);
std::string extensionOf(std::string_view name);
// The same of a name in the list's code page (an extension that is not ASCII is converted).
std::string_view ansiExtensionOf(std::string_view ansiName, std::string& lowered);
// The same of the name an Entry shows: its exact name where the record keeps one.
std::string_view extensionOf(const Entry& e, std::string& lowered);
// The group of an extension as extensionOf gives it.
TypeGroup typeGroupOf(std::string_view extension);

// Files and bytes by group and by extension.
struct TypeRow {
    TypeGroup group;
    std::string extension; // UTF-8, lowered; empty: no extension
    Tally files;
};
class TypeTotals {
public:
    // One file of `size` bytes with the extension (as extensionOf gives it).
    void add(std::string_view extension, std::uint64_t size);
    const Tally& group(TypeGroup g) const { return m_groups[std::size_t(g)]; }
    Tally all() const;
    // One row per extension: most bytes first, then most files, then by extension.
    std::vector<TypeRow> rows() const;

private:
    std::array<Tally, kTypeGroups> m_groups{};
    std::map<std::string, Tally, std::less<>> m_byExtension;
};

// Every file (kind other than 'D') below `folder` at every depth.
TypeTotals sizesByType(const Entry* folder);

// What a file must be to count among the largest: any file, or one of a group, or of a group and
// extension.
struct TypeChoice {
    bool anyType = true;
    TypeGroup group = TypeGroup::other;
    bool oneExtension = false;
    std::string extension;
    bool holds(std::string_view extension) const;
};

// The `most` largest files below `folder` that the choice holds: largest first, equal sizes in
// list order. Files of 0 bytes are left out.
std::vector<const Entry*> largestFiles(const Entry* folder, std::size_t most,
                                       const TypeChoice& choice = {});
constexpr std::size_t kLargestShown = 100;

// Every folder's bytes (the sizes of the files below it summed, saturating) and every file's
// size, indexed by Entry id. An Entry is added after its parent, so one pass from the last id
// back to the first sums a tree of any depth.
std::vector<std::uint64_t> subtreeBytes(const EntryTree& tree);

} // namespace kx
