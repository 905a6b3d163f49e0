// Moving between the folders of an open list: the folder shown, the folder the tree marks as
// current, the Back and Forward stacks, the search mode, and what each user action makes the
// window show and select. Works on Entries only; the window applies the answers.
#pragma once

#include "browser/history.h"
#include "listfile/entry.h"
#include "query/search.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace kx {

// What the window does after an action, in this order: show a folder's rows (or the search
// results), collapse and expand tree nodes, select a tree node, select a row, give a node the
// open-folder picture. Null / -1 fields leave that part alone.
struct Move {
    const Entry* show = nullptr; // the folder whose rows the detail list shows now
    bool showResults = false;    // the search results instead
    const Entry* collapse = nullptr;
    const Entry* expand = nullptr;
    const Entry* selectNode = nullptr; // the tree node to select
    int selectRow = -1;
    bool focusRow = false; // the row also becomes the current one and is scrolled to
    const Entry* openImage = nullptr;
    bool focusTree = false;
};

class Navigator {
public:
    // Starts on a freshly opened list: the root folder shown and current, the history empty. The
    // row last opened from search results is kept (see searchRowIndex).
    // `rootText` is the root node's caption (the list file's name).
    Move start(const Entry* root, const QString& rootText);
    void clear();
    // Called with each folder about to be shown, before its rows are read: showing a folder
    // regroups it (see Document::regroup), and the rows to select are found in the new order.
    void setRegroup(std::function<void(const Entry*)> regroup) { m_regroup = std::move(regroup); }

    // ---- the user's actions; `treeSelection` is the tree's selected node, `firstRow` the first
    // selected row of the detail list (-1 for none) ----
    // Before the Open dialog: the selected node becomes current and shown, the root selected.
    Move prepareForOpen(const Entry* treeSelection);
    // A left click on the tree (delivered before the release of the same button).
    Move treeClick(const Entry* treeSelection);
    // A button released over `node` of the tree.
    Move treeRelease(const Entry* node, const Entry* treeSelection);
    // A key has moved the tree's selection: the same as a click on the node it selects.
    Move treeKey(const Entry* treeSelection);
    // Double-click or Enter on the detail list. On a found file its folder is shown with the
    // file selected, as a move the history records; Back then shows the results again.
    Move activateRow(int firstRow, const Entry* treeSelection);
    Move back(const Entry* treeSelection);
    Move forward(const Entry* treeSelection);
    Move up(const Entry* treeSelection);
    // A search has found `results`: they are shown, and the search mode starts.
    Move showSearch(SearchResults results);
    // An Entry found elsewhere (in the catalogue): its folder is shown with it selected, as a
    // move the history records.
    Move reveal(const Entry* e);

    // ---- state ----
    const Entry* root() const { return m_root; }
    const Entry* current() const { return m_current; }
    // The folder whose rows are shown; null while the search results are.
    const Entry* shown() const { return m_shown; }
    bool searchMode() const { return m_searchMode; }
    int searchRowIndex() const { return m_searchRow; }
    const SearchResults& results() const { return m_results; }
    const History<const Entry*>& history() const { return m_history; }

    // The rows of the detail list: the ".." row (below the root) is not among rowEntries.
    ChildList rowEntries() const;
    bool hasUpRow() const { return m_shown && m_shown != m_root; }
    int rowCount() const;
    // The Entry of a row; null for the ".." row and outside the rows.
    Entry* entryAt(int row) const;
    // The row of an Entry among the rows; -1 when it is not there.
    int rowOf(const Entry* e) const;
    // The caption of a row: "..", a name, or a result's path below the search base.
    QString rowCaption(int row) const;

    // The caption of a tree node: the list file's name for the root, else the folder's name.
    QString nodeText(const Entry* node) const;
    // The parent of a tree node; null for the root.
    const Entry* parentNode(const Entry* node) const;
    // The Back button's hint: the folder Back returns to, else `fallback`.
    QString backHint(const QString& fallback) const;
    // The Forward button's hint: the folder Forward goes to; without one, what the selected
    // row leads to (its folder, or the parent for the ".." row), else `fallback`.
    QString forwardHint(int firstRow, const Entry* treeSelection, const QString& fallback) const;

private:
    void record(bool onlyIfNotOnTop);
    void showFolder(Move& m, const Entry* folder);
    // Back and Forward: `node` becomes current and shown.
    Move returnTo(const Entry* node);
    Move showFoundFile(Move& m, const Entry* file);
    // Back and Up in the search mode: the results, with the row last opened selected.
    Move showResultsAgain();
    int firstRealRow() const;
    int findRow(const QString& caption, int fromRow, Qt::CaseSensitivity cs) const;

    const Entry* m_root = nullptr;
    QString m_rootText;
    const Entry* m_current = nullptr;
    const Entry* m_shown = nullptr;
    bool m_searchMode = false;
    // A found file's folder is shown: Back returns to the results first.
    bool m_resultsBehind = false;
    int m_searchRow = 0;
    SearchResults m_results;
    History<const Entry*> m_history;
    std::function<void(const Entry*)> m_regroup;
};

} // namespace kx
