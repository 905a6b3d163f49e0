// The catalogue window, home of the catalogued lists: a table of the lists with their commands
// (add, add a folder, refresh, remove, browse, open, where the space goes; a drop of lists or
// folders adds them), and below it the search as you type over every list, with the filtered
// search's fields. A top-level window of its own, never kept above the main window.
#pragma once

#include "catalog/gui/cataloglists.h"
#include "catalog/gui/catalogsearch.h"
#include "query/gui/filterfields.h"

#include <QAbstractTableModel>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QTreeView;

namespace kx {
namespace ui {
struct StringTables;
}

// The rows of the search's table; one row per CatalogRow, five columns.
class CatalogRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setRows(std::vector<CatalogRow> rows);
    void appendRows(std::vector<CatalogRow>& rows);
    void setHeaders(const QStringList& headers);
    const std::vector<CatalogRow>& rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

private:
    std::vector<CatalogRow> m_rows;
    QStringList m_headers;
};

class TCatalogForm : public FilterWindow {
    Q_OBJECT
public:
    // At most this many rows are kept for the table; the count still tells all that were found.
    static constexpr std::size_t kShownRows = 100000;
    // The pause after a key before the search starts: a fast typist starts one search, not one
    // per key, and the first screen is still up well within a tenth of a second.
    static constexpr int kTypingPauseMs = 50;

    TCatalogForm();
    ~TCatalogForm() override;

    // The texts of the captions table. The tables must outlive the window.
    void applyTexts(const ui::StringTables& t);

    // ---- the lists ----
    void setLists(std::vector<CatalogList> lists);
    // Says that there is no catalogue yet and how to start one.
    void setNoCatalogue();
    // The lists selected in the table, in table order.
    std::vector<CatalogList> selectedLists() const;
    // The list under the table's current index, or null.
    const CatalogList* currentList() const;

    // ---- the search ----
    // The catalogue the search reads; a search never makes it.
    void setCatalogPath(const std::string& db) { m_db = db; }
    // Starts a search; the rows arrive while it runs. `told`: a failure is the handler's to
    // show as a message (a search started by typing shows it in the count line instead).
    void search(const EntryFilter& filter, bool told);
    // True while a typed search waits for the pause or a search runs.
    bool searching() const { return m_typingPause.isActive() || m_search->running(); }
    // The lists were added or removed: the next search opens the catalogue afresh.
    void listsChanged() { m_reopen = true; }
    // The rows of the last search and how many were found in all.
    void setFound(std::vector<CatalogRow> rows, std::size_t found);
    // Says that the catalogue holds no lists, in place of the count.
    void setNoLists();
    // A line in place of the count (a bad size, a search that failed).
    void showProblem(const QString& text);
    void setOpenHandler(std::function<void(const CatalogRow&)> open) { m_open = std::move(open); }
    void setFailureHandler(std::function<void(const Error&, bool told)> failed) {
        m_failed = std::move(failed);
    }
    // The row under the table's current index, as a double-click would take it.
    void openCurrentRow();

    QLabel* lblLists = nullptr;
    QPushButton *btAdd = nullptr, *btAddFolder = nullptr, *btRefresh = nullptr, *btRemove = nullptr,
                *btBrowse = nullptr, *btOpen = nullptr;
    // Where the space goes on the list (browsed from the catalogue) and on every list.
    QPushButton *btSpace = nullptr, *btSpaceAll = nullptr;
    QTreeView* lvLists = nullptr;
    CatalogListsModel* lists = nullptr;
    QTreeView* lvFound = nullptr;
    CatalogRowsModel* rows = nullptr;
    QSortFilterProxyModel* sorted = nullptr; // what lvFound shows: the rows, sorted by a click

signals:
    // Files or folders dropped on the window (local paths).
    void pathsDropped(const QStringList& paths);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    QWidget* buildListsPanel();
    void fieldsEdited();
    void searchAsTyped();
    void receive(CatalogBatch& batch);
    void showCount();
    void showListCount();

    CatalogSearch* m_search = nullptr;
    QTimer m_typingPause;
    std::string m_db;
    bool m_reopen = false;
    bool m_told = false;
    bool m_noCatalogue = false;
    std::function<void(const CatalogRow&)> m_open;
    std::function<void(const Error&, bool)> m_failed;
    std::size_t m_found = 0;
    enum class State { none, found, noLists, problem } m_state = State::none;
};

} // namespace kx
