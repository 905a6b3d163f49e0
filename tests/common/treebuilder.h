// Entry trees made in memory for tests, benchmarks and fuzz seeds: one builder that adds folders
// and files under a parent, keeping depth and lastChild as a reader would find them.
#pragma once

#include "listfile/entry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kxtest {

// The dates every built Entry gets unless dates() says otherwise.
constexpr std::string_view kCreated = "01.02.2003 04:05:06";
constexpr std::string_view kChanged = "07.08.2009 10:11:12";

// Sets the fields of one Entry by chained calls: t.file(root, "a").size(10).mark(1).
// Text fields are cut to what the record holds (a name to 255 bytes, a comment to 254).
class EntryEdit {
public:
    explicit EntryEdit(kx::Entry* e) : m_e(e) {}
    EntryEdit& size(std::uint64_t bytes);
    EntryEdit& attributes(std::uint8_t bits);
    EntryEdit& mark(std::uint8_t value);
    EntryEdit& crossedOut(std::uint8_t value);
    EntryEdit& comment(std::string_view ansi);
    EntryEdit& dates(std::string_view created, std::string_view changed);
    // Names the Entry as a scan names a file of this computer called `systemName` (UTF-8 or
    // raw bytes): its code-page form, and its exact form after the NUL where that differs.
    EntryEdit& systemName(std::string_view systemName);

    kx::Entry* entry() const { return m_e; }
    operator kx::Entry*() const { return m_e; }
    kx::Entry* operator->() const { return m_e; }

private:
    kx::Entry* m_e;
};

class TreeBuilder {
public:
    // A tree holding only its root; the header text is "test list".
    explicit TreeBuilder(std::string_view rootName = "C:\\scan\\", char rootKind = kx::kFolder);

    kx::Entry* root() const { return m_tree->root(); }
    kx::EntryTree& tree() { return *m_tree; }
    const kx::EntryTree& tree() const { return *m_tree; }
    // Hands the tree over; the builder must not be used afterwards.
    std::unique_ptr<kx::EntryTree> take() { return std::move(m_tree); }

    // A new last child of `parent` (a record of any kind, the given name, the default dates).
    EntryEdit add(kx::Entry* parent, std::string_view name, char kind);
    EntryEdit folder(kx::Entry* parent, std::string_view name) {
        return add(parent, name, kx::kFolder);
    }
    EntryEdit file(kx::Entry* parent, std::string_view name, std::uint64_t size = 0) {
        return add(parent, name, kx::kFile).size(size);
    }

private:
    std::unique_ptr<kx::EntryTree> m_tree;
};

// A root with `below` Entries under it: a folder, then its run of 39 files, then the next folder
// with its run, and so on.
std::unique_ptr<kx::EntryTree> foldersOfFiles(int below);

// One 600-byte record with the given fields; everything else zero.
std::string record(std::string_view name, char kind, std::int32_t lastChild,
                   std::uint8_t attributes = 0, std::uint64_t size = 0,
                   std::string_view comment = {}, std::uint8_t mark = 0,
                   std::uint8_t crossedOut = 0, std::string_view created = kCreated,
                   std::string_view changed = kChanged);
// A 256-byte header holding `text`, then NUL bytes.
std::string header(std::string_view text);

// The inner list of a tree: its header, then every record exactly as it stands, in pre-order
// (unlike a save, names holding a backslash are kept).
std::string innerList(const kx::EntryTree& tree);
// The tree as reading its inner list makes it.
std::unique_ptr<kx::EntryTree> readBack(const kx::EntryTree& tree);
// Writes a list file (a real one-entry ZIP made by the library's own pack) at `path`; the tree
// itself is left as it is. By default the root's name comes out cleared when it holds a
// backslash, as after a save; keepRootName keeps it, as in a list that a scanning tool makes.
void writeListFile(const std::string& path, const kx::EntryTree& tree, bool keepRootName = false);

} // namespace kxtest
