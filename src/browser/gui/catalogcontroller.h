// The main window and the catalogue: the catalogue window (Ctrl+Shift+K) with its lists and their
// commands, the way from a found row to the Entry in its list, and the refresh of a catalogued
// list after a save. Adds, refreshes and removals run on the window's job runner behind the
// progress window; the search as you type runs on the catalogue window's own thread.
#pragma once

#include <QStringList>

class QLabel;

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kx {

struct Entry;
class Error;
class TCatalogForm;
class TInfoFileForm;
struct CatalogRow;

// The Entry a found row names in the list shown, or null (see catalogcontroller.cpp).
const Entry* entryOfRow(const Entry* root, const CatalogRow& row);

class CatalogController {
public:
    explicit CatalogController(TInfoFileForm& window);
    ~CatalogController();

    void catalogClick();
    void findClick();
    TCatalogForm* catalogForm();
    void openRow(const CatalogRow& row);
    // ---- the catalogue's copy of a list (catalogcontroller_offline.cpp) ----
    // Shows a catalogued list in the main window from the catalogue alone, read-only, at the
    // Entry at `ord` of its walk as indexed (0: its root folder). Asks about unsaved changes
    // first; reads the catalogue behind the progress window. `then` runs once the copy shows.
    void browseOffline(std::int64_t listId, std::uint32_t ord = 0, std::function<void()> then = {});
    // Opens the list file (to mark and save) at `ord` when the file is there; when it is not,
    // says so and offers the catalogue's copy.
    void openList(const std::string& listPath, std::uint32_t ord = 0);
    // While the catalogue's copy is shown: its list file, opened at the folder shown.
    void openOfflineListFile();
    // The main window shows another list, or none: the title and the status bar say nothing
    // more of the catalogue's copy.
    void leaveOffline();
    void applyTexts();
    // After a save: a list that the catalogue holds is indexed again there, on the job runner
    // behind the progress window (the catalogue is never read on the window's thread); a
    // failure is told, the save stands. `then` runs when that is done.
    void refreshCatalogue(std::function<void()> then);

    // ---- the lists (catalogcontroller_lists.cpp) ----
    // Reads the lists and the state of their files into the window.
    void showLists();
    void addClick();
    void addFolderClick();
    // Every list at or below each path is added (or indexed again when its file changed), behind
    // the progress window; the lists that failed are told together at the end. Makes the
    // catalogue when there is none.
    void addPaths(const QStringList& paths);
    void refreshClick();
    void removeClick();
    void browseClick();
    void openClick();
    // Where the space goes on the chosen list, browsed from the catalogue (the main window's
    // space window over it), and on every list.
    void spaceClick();
    void spaceAllClick();

private:
    void revealRow(const CatalogRow& row);
    struct OfflineLoad;
    void showOffline(OfflineLoad& load, std::uint32_t ord);
    // The title and the status bar while the catalogue's copy is shown.
    void showOfflineTexts();
    void connectListCommands();
    bool saveListText(std::int64_t id, bool note, const std::string& utf8);
    // Runs `paths` through Catalog::add (folders expanded to their lists) or remove on the job
    // runner behind the progress window titled `caption`, then shows the lists again.
    enum class ListsWork { add, refresh, remove };
    void runListsJob(QString caption, std::vector<std::string> paths, ListsWork work);
    QString failureText(const Error& e) const;
    // "The catalogue cannot be used" with the failure; told as an error message.
    QString unusableText(const Error& e) const;
    void tellUnusable(const Error& e);
    // A stop for a catalogue's queries: true once the progress window was closed.
    std::function<bool()> stopOnAbort() const;
    // The catalogue's notices (a wait for another program's write, a catalogue that others can
    // read) go to the status bar for as long as this window lives.
    void installNotices();
    void removeNotices();
    static constexpr int kNoticeMs = 30000;

    TInfoFileForm& m_w;
    std::unique_ptr<TCatalogForm> m_catalogForm;
    struct OfflineCopy;
    std::unique_ptr<OfflineCopy> m_offline; // the list whose copy is shown, else null
    QLabel* m_offlineStatus = nullptr;      // in the status bar; the window owns it
    bool m_toldReadable = false;            // a catalogue that others can read: told once
};

} // namespace kx
