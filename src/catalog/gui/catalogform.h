// The "find in catalogue" window: the filtered search's mask and filters, asked of every list in
// the catalogue; the rows found (list, path, size, changed, comment) and their count. A
// double-click (or Enter) on a row asks the main window to show that Entry in its list.
#pragma once

#include "query/gui/filterfields.h"

#include <QAbstractTableModel>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QTreeView;

namespace kx {
namespace ui {
struct StringTables;
}

// One row found in the catalogue. Texts are as the list holds them (its 8-bit code page).
struct CatalogRow {
    std::string listPath; // absolute
    std::string caption;  // the path below the root, names separated by "\"
    std::string name;
    bool folder = false;
    std::uint32_t ord = 0;              // the place in the list's walk when it was indexed
    std::string size, changed, comment; // the cells, as the detail list shows them
};

// The rows of the window's table; one row per CatalogRow, five columns.
class CatalogRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setRows(std::vector<CatalogRow> rows);
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

    explicit TCatalogForm(QWidget* parent);

    // The texts of the captions table. The tables must outlive the window.
    void applyTexts(const ui::StringTables& t);
    // The rows of the last Find and how many were found in all (more than the rows when the
    // table was cut at kShownRows).
    void setFound(std::vector<CatalogRow> rows, std::size_t found);
    // Says that the catalogue holds no lists, in place of the count.
    void setNoLists();
    void setOpenHandler(std::function<void(const CatalogRow&)> open) { m_open = std::move(open); }
    // The row under the table's current index, as a double-click would take it.
    void openCurrentRow();

    QTreeView* lvFound = nullptr;
    CatalogRowsModel* rows = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void showCount();

    std::function<void(const CatalogRow&)> m_open;
    std::size_t m_found = 0;
    enum class State { none, found, noLists } m_state = State::none;
};

} // namespace kx
