// The detail list's model: one row per Entry of the shown folder (after a ".." row below the
// root) or per search result, six columns, with icons, colours and strike-out from its roles.
// The rows may be sorted by a column: a view order kept here, never an order of the Entries.
#pragma once

#include "browser/marks.h"
#include "listfile/entry.h"
#include "query/rowsort.h"
#include "query/search.h"

#include <QAbstractTableModel>
#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QStringList>

#include <string>
#include <unordered_map>
#include <vector>

namespace kx {

// The icon of a row: the real item's icon when it exists at its scanned place on this computer,
// else a folder icon for a folder, else the icon of the file type by its lower-case extension,
// else a generic file icon. Extension icons are kept once found.
class RowIcons {
public:
    QIcon icon(const Entry& e, const std::string& fullDiskPath);
    // The extension as the icon lookup uses it: from the last "." of the last path part, lower
    // case, dot included; empty when there is none.
    static QString extensionOf(const QString& path);

private:
    QIcon iconForExtension(const QString& ext);
    QFileIconProvider m_provider;
    QHash<QString, QIcon> m_byExtension;
    QIcon m_folder, m_file;
};

class DetailModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { colName, colSize, colCreated, colChanged, colAttributes, colComment, colCount };

    explicit DetailModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void setColumnCaptions(const QStringList& captions);

    // A folder's rows: the ".." row first when upRow is set, then one row per Entry with the
    // full disk path folderDiskPath + name.
    void showFolderRows(ChildList entries, bool upRow, std::string folderDiskPath);
    // Search results: no ".." row; captions are the paths below the search base.
    void showSearchRows(const SearchResults& results);
    void clear();

    // The Entries behind the rows in the list's own order (as the navigator counts rows), the
    // ".." row excepted.
    const std::vector<Entry*>& rowEntries() const { return m_rows; }
    // The same Entries in the order the rows are shown.
    std::vector<Entry*> shownEntries() const;

    // Sorting by a column: ascending or descending, or (column -1) the list's own order. It stays
    // for the rows shown later until it is changed; the ".." row stays first. Persistent indexes
    // (the selection, the current row) follow their Entries.
    void setSortOrder(int column, Qt::SortOrder order);
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }
    // A shown row's row in the list's own order, and back; the ".." row is row 0 in both, and a
    // row outside the rows stays as it is.
    int listRow(int viewRow) const;
    int viewRow(int listRow) const;
    bool hasUpRow() const { return m_upRow; }
    bool showsResults() const { return m_results != nullptr; }
    bool isUpRow(int row) const { return m_upRow && row == 0; }
    // The Entry of a shown row; null for the ".." row and outside the list.
    Entry* entryAt(int row) const;
    QString caption(int row) const;
    // The full disk path of a shown row's item.
    std::string rowDiskPath(int row) const;
    // Repaints rows whose Entries changed in place.
    void rowsChanged();
    // The list's normal colours; on a dark list the row colours follow them (see onDarkList),
    // on a light one the rows keep their designed colours.
    void setListColours(bool dark, Rgb base, Rgb text);

private:
    // The index into m_rows of a shown row (the ".." row excepted); -1 outside.
    int rowIndex(int row) const;
    void applySort();

    std::vector<Entry*> m_rows;
    // Shown position -> index into m_rows, and back; both empty in the list's own order.
    std::vector<std::uint32_t> m_order, m_position;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_upRow = false;
    std::string m_folderDiskPath;
    const SearchResults* m_results = nullptr;
    QStringList m_captions;
    mutable RowIcons m_icons;
    mutable std::unordered_map<int, QIcon> m_rowIcons;
    bool m_dark = false;
    Rgb m_base = 0, m_text = 0;
};

} // namespace kx
