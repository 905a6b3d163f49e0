// The open list: its entries, its file, whether it holds unsaved changes, and the commands that
// change it. The window and kxtool both work through it.
#pragma once

#include "browser/marks.h"
#include "browser/undo.h"
#include "listfile/container.h"
#include "listfile/entry.h"
#include "listfile/innerlist.h"
#include "listfile/io/replacement.h"

#include <QObject>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kx {

class Document : public QObject {
    Q_OBJECT
public:
    // Reads a list file whole: nothing is written to disk, the CRC-32 is checked at the end.
    // Throws kx::Error (the code says why). Safe on a worker thread: nothing here belongs to a
    // thread until the caller connects to the signals. `readStarted`, when given, is set once
    // the archive has been found sound and its list begins to be read.
    static std::unique_ptr<Document> open(const std::string& path, bool* readStarted = nullptr);
    // A document over a tree made elsewhere (a scan, a test); `path` is where a save writes.
    Document(std::unique_ptr<EntryTree> tree, std::string path);
    ~Document() override;

    Entry* root() const { return m_tree ? m_tree->root() : nullptr; }
    EntryTree& tree() { return *m_tree; }
    // The list file's path as the system spells it.
    const std::string& path() const { return m_path; }
    const std::string& headerText() const { return m_tree->headerText; }
    bool modified() const { return m_modified; }
    void setModified(bool modified);

    // Showing a folder brings its folders before its files; the new order is the one a save
    // writes. Opening shows the root folder, so a document starts with the root regrouped.
    void regroup(Entry* folder);

    // The commands. Each changes the entries, sets the modified flag and tells the views; one
    // that changed any byte is one step of the undo history (a folder's whole subtree included).
    // A command takes the memory it needs before it changes anything: when memory runs out
    // (std::bad_alloc) the entries, the history and the flag stay as they were.
    // A mark command on Entries in ascending row order; false when there were none.
    bool mark(const std::vector<Entry*>& entries, MarkCommand command);
    // Replaces an Entry's comment with text already in the list's code page.
    void setComment(Entry* entry, std::string_view ansiText);

    // Takes the last step back, or does the last step taken back again: every byte it changed
    // returns exactly. The modified flag is then clear exactly at the state the file holds (as
    // opened or last saved). False when there was no step; the views are told otherwise.
    bool canUndo() const { return m_history.canUndo(); }
    bool canRedo() const { return m_history.canRedo(); }
    bool undo();
    bool redo();

    // Writes the list back into its file (see saveListFile). True when the file was written in
    // full; the names the save cleared in the file (the root's path) are then cleared in the
    // tree, the modified flag is cleared and the current state is the one undo and redo count as
    // saved. False when the progress stopped it; throws kx::Error on failure. In both cases the
    // old file is untouched and the flag stays. A file that is no longer the one this document
    // read (or last saved) is left alone with changedOnDisk unless `overwriteChanged`.
    // May run as a job on a worker thread while no command runs: the writing only reads the tree,
    // and what follows a written file runs on the document's thread, which the worker waits for
    // (a thread with an event loop must keep running it until the save returns, as the window's
    // does during a job; on one without, the save finishes on the worker).
    bool save(const Progress& progress, const std::function<void()>& beforePack = {},
              bool overwriteChanged = false);

    // Writes the list into another file as a save would; the document stays as it is: its own
    // file, its modified flag and its names.
    bool saveAs(const std::string& path, const Progress& progress = {});

signals:
    // Marks or comments changed in place: the rows that show them are to be drawn again.
    void changed();
    void modifiedChanged(bool modified);

private:
    // Keeps a command's step when it changed anything, and tells the flag and the views.
    void finishCommand(EditStep step);
    // What a written file changes in the document, on the document's own thread.
    void takeSaved(const io::FileIdentity& saved, const std::vector<std::uint32_t>& clearedNames);
    // Takes the written file that a save's worker hands over, on the document's thread.
    void takeHandedOver();

    ListContainer m_container;
    std::unique_ptr<EntryTree> m_tree;
    std::string m_path;
    std::optional<io::FileIdentity> m_identity; // the file as it was read or last saved
    bool m_modified = false;
    EditHistory m_history;
    // A written file on its way from a save's worker to the document's thread: the worker holds
    // the lock from before it asks for the call until it waits, so the call sees all it did.
    struct HandOver {
        std::mutex lock;
        std::condition_variable taken;
        const io::FileIdentity* saved = nullptr; // null once taken
        const std::vector<std::uint32_t>* clearedNames = nullptr;
    } m_handOver;
};

} // namespace kx
