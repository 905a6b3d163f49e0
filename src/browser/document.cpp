// The open list and its commands.
#include "browser/document.h"

#include "listfile/listfile.h"
#include "query/foldersfirst.h"

#include <unordered_set>

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
    regroupFolder(folder);
}

bool Document::mark(const std::vector<Entry*>& entries, MarkCommand command) {
    if (entries.empty()) return false;
    // What a command may change: each Entry, a folder's subtree, and the counts of the ancestors
    // (each ancestor noted once, however many of the Entries it holds).
    EditStep step;
    std::unordered_set<const Entry*> ancestorsNoted;
    for (Entry* e : entries) {
        step.noteMark(e);
        if (e->isFolder())
            walkBelow(e, [&step](const Entry* below) {
                step.noteMark(const_cast<Entry*>(below)); // an Entry of this document's tree
                return true;
            });
        for (Entry* p = e->parent(); p && ancestorsNoted.insert(p).second; p = p->parent())
            step.noteMark(p);
    }
    for (Entry* e : entries)
        applyMark(e, command);
    finishCommand(std::move(step));
    return true;
}

void Document::setComment(Entry* entry, std::string_view ansiText) {
    if (!entry) return;
    EditStep step;
    step.noteComment(entry);
    entry->setComment(ansiText);
    finishCommand(std::move(step));
}

void Document::finishCommand(EditStep step) {
    // A command that changed no byte is no step, but still counts as a change, as it always has.
    if (step.finish()) m_history.push(std::move(step));
    setModified(true);
    emit changed();
}

bool Document::undo() {
    if (!m_history.undo()) return false;
    setModified(!m_history.atSaved());
    emit changed();
    return true;
}

bool Document::redo() {
    if (!m_history.redo()) return false;
    setModified(!m_history.atSaved());
    emit changed();
    return true;
}

bool Document::save(const Progress& progress, const std::function<void()>& beforePack,
                    bool overwriteChanged) {
    io::FileIdentity saved;
    if (!saveListFile(m_container, *m_tree, m_path, progress, beforePack,
                      {m_identity, overwriteChanged}, &saved))
        return false;
    m_identity = saved;
    m_history.markSaved();
    setModified(false);
    return true;
}

bool Document::saveAs(const std::string& path, const Progress& progress) {
    ListContainer container = m_container;
    return saveListFile(container, *m_tree, path, progress);
}

} // namespace kx
