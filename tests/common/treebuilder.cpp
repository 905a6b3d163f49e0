// The in-memory tree builder and the inner lists and list files made from its trees.
#include "treebuilder.h"

#include "listfile/exactname.h"
#include "listfile/innerlist.h"
#include "listfile/scan.h"

#include <cstdio>

namespace kxtest {

EntryEdit& EntryEdit::size(std::uint64_t bytes) {
    std::uint8_t ten[kx::rec::sizeSize];
    kx::uint64ToExtended(bytes, ten);
    m_e->patchRecord(kx::rec::size, ten, sizeof ten);
    return *this;
}

EntryEdit& EntryEdit::attributes(std::uint8_t bits) {
    m_e->patchRecord(kx::rec::attributes, &bits, 1);
    return *this;
}

EntryEdit& EntryEdit::mark(std::uint8_t value) {
    m_e->setMark(value);
    return *this;
}

EntryEdit& EntryEdit::crossedOut(std::uint8_t value) {
    m_e->patchRecord(kx::rec::crossedOut, &value, 1);
    return *this;
}

EntryEdit& EntryEdit::comment(std::string_view ansi) {
    m_e->setComment(ansi);
    return *this;
}

EntryEdit& EntryEdit::dates(std::string_view created, std::string_view changed) {
    std::uint8_t r[kx::kRecordSize];
    m_e->copyRecord(r);
    kx::setTextField(r, kx::rec::created, kx::rec::createdSize, created);
    kx::setTextField(r, kx::rec::changed, kx::rec::changedSize, changed);
    m_e->patchRecord(0, r, sizeof r);
    return *this;
}

EntryEdit& EntryEdit::systemName(std::string_view systemName) {
    std::uint8_t r[kx::kRecordSize];
    m_e->copyRecord(r);
    kx::setNameField(r, systemName);
    m_e->patchRecord(kx::rec::name, r + kx::rec::name, kx::rec::nameSize);
    return *this;
}

namespace {

// A new Entry under `parent` (the root when null) with the default dates and no children.
EntryEdit makeEntry(kx::EntryTree& tree, kx::Entry* parent, std::string_view name, char kind) {
    std::uint8_t r[kx::kRecordSize] = {};
    kx::setTextField(r, kx::rec::name, kx::rec::nameSize, name);
    r[kx::rec::kind] = static_cast<std::uint8_t>(kind);
    kx::writeI32(r, kx::rec::lastChild, -1);
    kx::writeI32(r, kx::rec::depth, parent ? parent->depth() + 1 : 0);
    kx::setTextField(r, kx::rec::created, kx::rec::createdSize, kCreated);
    kx::setTextField(r, kx::rec::changed, kx::rec::changedSize, kChanged);
    return EntryEdit(tree.add(parent, r));
}

} // namespace

TreeBuilder::TreeBuilder(std::string_view rootName, char rootKind)
    : m_tree(std::make_unique<kx::EntryTree>()) {
    m_tree->headerText = "test list";
    makeEntry(*m_tree, nullptr, rootName, rootKind);
}

EntryEdit TreeBuilder::add(kx::Entry* parent, std::string_view name, char kind) {
    return makeEntry(*m_tree, parent, name, kind);
}

std::string record(std::string_view name, char kind, std::int32_t lastChild,
                   std::uint8_t attributes, std::uint64_t size, std::string_view comment,
                   std::uint8_t mark, std::uint8_t crossedOut, std::string_view created,
                   std::string_view changed) {
    kx::EntryTree scratch;
    EntryEdit e = makeEntry(scratch, nullptr, name, kind);
    e.attributes(attributes).size(size).comment(comment).mark(mark).crossedOut(crossedOut);
    e.dates(created, changed);
    std::uint8_t r[kx::kRecordSize];
    e->copyRecord(r);
    kx::writeI32(r, kx::rec::lastChild, lastChild);
    return std::string(reinterpret_cast<const char*>(r), kx::kRecordSize);
}

std::string header(std::string_view text) {
    std::string h(kx::kHeaderSize, '\0');
    h.replace(0, text.size(), text);
    return h;
}

std::string innerList(const kx::EntryTree& tree) {
    std::string out = header(tree.headerText);
    out.reserve(kx::kHeaderSize + tree.entryCount() * kx::kRecordSize);
    auto append = [&out](const kx::Entry* e) {
        std::uint8_t r[kx::kRecordSize];
        e->copyRecord(r);
        out.append(reinterpret_cast<const char*>(r), kx::kRecordSize);
        return true;
    };
    append(tree.root());
    kx::walkBelow(tree.root(), append);
    return out;
}

std::unique_ptr<kx::EntryTree> readBack(const kx::EntryTree& tree) {
    const std::string bytes = innerList(tree);
    kx::MemorySource src(bytes.data(), bytes.size());
    return kx::readInnerList(src);
}

void writeListFile(const std::string& path, const kx::EntryTree& tree, bool keepRootName) {
    auto copy = readBack(tree);
    std::remove(path.c_str());
    kx::writeNewListFile(*copy, path, keepRootName);
}

std::unique_ptr<kx::EntryTree> foldersOfFiles(int below) {
    TreeBuilder t;
    kx::Entry* folder = t.root();
    for (int i = 0; i < below; ++i) {
        if (i % 40 == 0)
            folder = t.folder(t.root(), "folder" + std::to_string(i));
        else
            t.file(folder, "file" + std::to_string(i));
    }
    return t.take();
}

} // namespace kxtest
