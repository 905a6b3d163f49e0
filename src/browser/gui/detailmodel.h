// The detail list's model: one row per Entry of the shown folder (after a ".." row below the
// root) or per search result, six columns, with icons, colours and strike-out from its roles.
#pragma once

#include "browser/marks.h"
#include "browser/search.h"
#include "listfile/entry.h"

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

    // The Entries behind the rows, the ".." row excepted.
    const std::vector<Entry*>& rowEntries() const { return m_rows; }
    bool hasUpRow() const { return m_upRow; }
    bool showsResults() const { return m_results != nullptr; }
    bool isUpRow(int row) const { return m_upRow && row == 0; }
    // The Entry of a row; null for the ".." row and outside the list.
    Entry* entryAt(int row) const;
    QString caption(int row) const;
    // The full disk path of a row's item.
    std::string rowDiskPath(int row) const;
    // Repaints rows whose Entries changed in place.
    void rowsChanged();
    // The list's normal colours; on a dark list the row colours follow them (see onDarkList),
    // on a light one the rows keep their designed colours.
    void setListColours(bool dark, Rgb base, Rgb text);

private:
    std::vector<Entry*> m_rows;
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
