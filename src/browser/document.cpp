// The open list and its commands.
#include "browser/document.h"

#include "listfile/listfile.h"

namespace kx {

std::unique_ptr<Document> Document::open(const std::string& path, bool* readStarted) {
    ListContainer container;
    // Taken before the read: a file changed during the read counts as changed.
    const std::optional<io::FileIdentity> identity = io::identityOf(path);
    auto doc = std::make_unique<Document>(openListFile(container, path, readStarted), path);
    doc->m_identity = identity;
    doc->m_container = container;
    doc->regroup(doc->root());
    return doc;
}

Document::Document(std::unique_ptr<EntryTree> tree, std::string path)
    : m_tree(std::move(tree)), m_path(std::move(path)) {}

Document::~Document() = default;

void Document::setModified(bool modified) {
    if (m_modified == modified) return;
    m_modified = modified;
    emit modifiedChanged(modified);
}

void Document::regroup(Entry* folder) {
    if (folder) foldersFirst(folder->children());
}

bool Document::mark(const std::vector<Entry*>& entries, MarkCommand command) {
    if (entries.empty()) return false;
    for (Entry* e : entries)
        applyMark(e, command);
    setModified(true);
    emit changed();
    return true;
}

void Document::setComment(Entry* entry, std::string_view ansiText) {
    if (!entry) return;
    entry->setComment(ansiText);
    setModified(true);
    emit changed();
}

bool Document::save(const WriteProgress& progress, const std::function<void()>& beforePack,
                    bool overwriteChanged) {
    io::FileIdentity saved;
    if (!saveListFile(m_container, *m_tree, m_path, progress, beforePack,
                      {m_identity, overwriteChanged}, &saved))
        return false;
    m_identity = saved;
    setModified(false);
    return true;
}

bool Document::saveAs(const std::string& path, const WriteProgress& progress) {
    ListContainer container = m_container;
    return saveListFile(container, *m_tree, path, progress);
}

} // namespace kx
