// The open list and its commands.
#include "browser/document.h"

#include "listfile/listfile.h"
#include "query/foldersfirst.h"

#include <QAbstractEventDispatcher>
#include <QThread>

#include <algorithm>
#include <new>
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
    // (each ancestor noted once, however many of the Entries it holds). The notes, the room for
    // the largest subtree and the history's room for the step are all the memory it needs, taken
    // before the first mark changes.
    EditStep step;
    std::unordered_set<const Entry*> ancestorsNoted;
    std::size_t largestSubtree = 0;
    for (Entry* e : entries) {
        step.noteMark(e);
        if (e->isFolder()) {
            std::size_t subtree = 1;
            walkBelow(e, [&step, &subtree](const Entry* below) {
                step.noteMark(const_cast<Entry*>(below)); // an Entry of this document's tree
                ++subtree;
                return true;
            });
            largestSubtree = std::max(largestSubtree, subtree);
        }
        for (Entry* p = e->parent(); p && ancestorsNoted.insert(p).second; p = p->parent())
            step.noteMark(p);
    }
    MarkWalk walk;
    walk.reserve(largestSubtree);
    m_history.reserveNext();
    for (Entry* e : entries)
        applyMark(e, command, walk);
    finishCommand(std::move(step));
    return true;
}

void Document::setComment(Entry* entry, std::string_view ansiText) {
    if (!entry) return;
    CommentField field;
    makeCommentField(ansiText, field.data());
    EditStep step;
    step.noteComment(entry, field);
    m_history.reserveNext();
    setCommentField(*entry, field); // the Entry changes whole or not at all
    finishCommand(std::move(step));
}

void Document::finishCommand(EditStep step) {
    // A command that changed no byte is no step, but still counts as a change, as it always has.
    // Nothing here can fail: the command prepared what it needs.
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
    std::vector<std::uint32_t> clearedNames;
    io::FileIdentity saved;
    if (!saveListFile(m_container, *m_tree, m_path, progress, beforePack,
                      {m_identity, overwriteChanged}, &saved, PathNames::clear, &clearedNames))
        return false;
    // The tree has one writer, the document's own thread (see entry.h). A thread without an event
    // loop cannot be handed a call: a save from another thread then finishes where it runs, as in
    // a tool that saves from a thread of its own while its main thread waits.
    if (QThread::currentThread() == thread() || !QAbstractEventDispatcher::instance(thread())) {
        takeSaved(saved, clearedNames);
        return true;
    }
    // The worker waits until the document's thread has taken the written file. The hand-over goes
    // through a lock of our own, which ThreadSanitizer sees (Qt's locks are out of its sight): the
    // save's reads of the tree come before the changes, and the changes before the worker goes on.
    std::unique_lock<std::mutex> lock(m_handOver.lock);
    m_handOver.saved = &saved;
    m_handOver.clearedNames = &clearedNames;
    QMetaObject::invokeMethod(this, &Document::takeHandedOver, Qt::QueuedConnection);
    m_handOver.taken.wait(lock, [this] { return !m_handOver.saved; });
    return true;
}

void Document::takeHandedOver() {
    const std::lock_guard<std::mutex> lock(m_handOver.lock);
    if (!m_handOver.saved) return;
    takeSaved(*m_handOver.saved, *m_handOver.clearedNames);
    m_handOver.saved = nullptr;
    m_handOver.clearedNames = nullptr;
    m_handOver.taken.notify_one();
}

void Document::takeSaved(const io::FileIdentity& saved,
                         const std::vector<std::uint32_t>& clearedNames) {
    m_identity = saved;
    m_history.markSaved();
    // The file holds these names cleared already. Should memory run out here, the tree keeps
    // them until the next save, which clears them again.
    try {
        for (std::uint32_t id : clearedNames)
            m_tree->at(id)->clearName();
    } catch (const std::bad_alloc&) {
    }
    setModified(false);
}

bool Document::saveAs(const std::string& path, const Progress& progress) {
    ListContainer container = m_container;
    return saveListFile(container, *m_tree, path, progress);
}

} // namespace kx
