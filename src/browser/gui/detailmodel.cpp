// The detail list's model and the icons of its rows.
#include "browser/gui/detailmodel.h"

#include "browser/marks.h"
#include "listfile/codepage.h"
#include "listfile/exactname.h"
#include "query/rowformat.h"

#include <QApplication>
#include <QFileInfo>
#include <QFont>
#include <QMimeDatabase>
#include <QStyle>

#include <functional>

namespace kx {

QString RowIcons::extensionOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('\\'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash) return QString();
    return path.mid(dot).toLower();
}

QIcon RowIcons::iconForExtension(const QString& ext) {
    auto it = m_byExtension.constFind(ext);
    if (it != m_byExtension.constEnd()) return *it;
    QIcon icon;
    if (!ext.isEmpty()) {
        static const QMimeDatabase db;
        const QMimeType type =
            db.mimeTypeForFile(QStringLiteral("x") + ext, QMimeDatabase::MatchExtension);
        if (type.isValid() && !type.isDefault()) {
            icon = QIcon::fromTheme(type.iconName());
            if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
        }
    }
    m_byExtension.insert(ext, icon);
    return icon;
}

QIcon RowIcons::icon(const Entry& e, const std::string& fullDiskPath) {
    const QString path = fromAnsi(fullDiskPath);
    // The scanned place, read as a path of this computer; a drive-letter path never is one here.
    QString local = path;
    local.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (local.size() > 1 && local.endsWith(QLatin1Char('/'))) local.chop(1);
    const QFileInfo info(local);
    if (info.isAbsolute() && info.exists()) return m_provider.icon(info);
    if (e.isFolder()) {
        if (m_folder.isNull()) m_folder = m_provider.icon(QFileIconProvider::Folder);
        return m_folder;
    }
    QIcon byType = iconForExtension(extensionOf(path));
    if (!byType.isNull()) return byType;
    if (m_file.isNull()) {
        m_file = QIcon::fromTheme(QStringLiteral("text-x-generic"));
        if (m_file.isNull()) m_file = m_provider.icon(QFileIconProvider::File);
    }
    return m_file;
}

DetailModel::DetailModel(QObject* parent) : QAbstractTableModel(parent) {}

int DetailModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return static_cast<int>(m_rows.size()) + firstEntryRow(m_upRow);
}

int DetailModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : colCount;
}

int DetailModel::rowIndex(int row) const {
    const int i = row - firstEntryRow(m_upRow);
    if (i < 0 || i >= static_cast<int>(m_rows.size())) return -1;
    return m_order.empty() ? i : static_cast<int>(m_order[static_cast<std::size_t>(i)]);
}

Entry* DetailModel::entryAt(int row) const {
    const int i = rowIndex(row);
    return i < 0 ? nullptr : m_rows[static_cast<std::size_t>(i)];
}

std::vector<Entry*> DetailModel::shownEntries() const {
    std::vector<Entry*> shown;
    shown.reserve(m_rows.size());
    for (int r = firstEntryRow(m_upRow), n = rowCount(); r < n; ++r)
        shown.push_back(entryAt(r));
    return shown;
}

int DetailModel::listRow(int viewRow) const {
    const int i = rowIndex(viewRow);
    return i < 0 ? viewRow : i + firstEntryRow(m_upRow);
}

int DetailModel::viewRow(int listRow) const {
    const int up = firstEntryRow(m_upRow);
    const int i = listRow - up;
    if (i < 0 || i >= static_cast<int>(m_rows.size()) || m_position.empty()) return listRow;
    return static_cast<int>(m_position[static_cast<std::size_t>(i)]) + up;
}

QString DetailModel::caption(int row) const {
    if (isUpRow(row)) return QStringLiteral("..");
    const int i = rowIndex(row);
    if (i < 0) return QString();
    if (m_results)
        return QString::fromStdString(
            resultCaption(*m_results, static_cast<std::size_t>(i), NameForm::shown));
    return nameText(*m_rows[static_cast<std::size_t>(i)]);
}

std::string DetailModel::rowDiskPath(int row) const {
    const int i = rowIndex(row);
    if (i < 0) return {};
    if (m_results) return resultPath(*m_results, static_cast<std::size_t>(i));
    return m_folderDiskPath + std::string(m_rows[static_cast<std::size_t>(i)]->name());
}

QVariant DetailModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int row = index.row();
    const int col = index.column();
    if (role == Qt::TextAlignmentRole) {
        const Qt::Alignment h = col == colName   ? Qt::AlignLeft
                                : col == colSize ? Qt::AlignRight
                                                 : Qt::AlignHCenter;
        return QVariant::fromValue(h | Qt::AlignVCenter);
    }
    if (isUpRow(row)) return role == Qt::DisplayRole && col == colName ? caption(row) : QVariant();
    const Entry* e = entryAt(row);
    if (!e) return {};
    switch (role) {
    case Qt::DisplayRole:
        switch (col) {
        case colName:
            return caption(row);
        case colSize:
            return QString::fromLatin1(sizeCell(e->sizeValue()));
        case colCreated:
            return fromAnsi(textOrDashes(e->created()));
        case colChanged:
            return fromAnsi(textOrDashes(e->changed()));
        case colAttributes:
            return QString::fromLatin1(attributeLetters(e->attributes()));
        case colComment:
            return fromAnsi(textOrDashes(e->comment()));
        }
        return {};
    case Qt::ToolTipRole: // names, paths and comments that the column cuts short
        if (col == colName) return caption(row);
        if (col == colComment && !e->comment().empty()) return fromAnsi(e->comment());
        return {};
    case Qt::DecorationRole: {
        if (col != colName) return {};
        auto it = m_rowIcons.find(row);
        if (it == m_rowIcons.end())
            it = m_rowIcons.emplace(row, m_icons.icon(*e, rowDiskPath(row))).first;
        return it->second;
    }
    case Qt::ForegroundRole:
    case Qt::BackgroundRole:
    case Qt::FontRole: {
        RowStyle style = col == colName ? nameCellStyle(e) : otherCellStyle(e);
        if (m_dark) style = onDarkList(style, m_base, m_text);
        if (style.useDefaults) return {};
        if (role == Qt::ForegroundRole)
            return style.text != kNoColour ? QVariant(QColor::fromRgb(style.text)) : QVariant();
        if (role == Qt::BackgroundRole)
            return style.background != kNoColour ? QVariant(QColor::fromRgb(style.background))
                                                 : QVariant();
        if (!style.strikeOut) return {};
        QFont struck;
        struck.setStrikeOut(true);
        return struck;
    }
    default:
        return {};
    }
}

QVariant DetailModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole) return m_captions.value(section);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

Qt::ItemFlags DetailModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void DetailModel::setColumnCaptions(const QStringList& captions) {
    m_captions = captions;
    emit headerDataChanged(Qt::Horizontal, 0, colCount - 1);
}

void DetailModel::showFolderRows(ChildList entries, bool upRow, std::string folderDiskPath) {
    beginResetModel();
    m_rows.assign(entries.begin(), entries.end());
    m_upRow = upRow;
    m_folderDiskPath = std::move(folderDiskPath);
    m_results = nullptr;
    applySort();
    m_rowIcons.clear();
    endResetModel();
}

void DetailModel::showSearchRows(const SearchResults& results) {
    beginResetModel();
    m_rows = results.entries;
    m_upRow = false;
    m_folderDiskPath.clear();
    m_results = &results;
    applySort();
    m_rowIcons.clear();
    endResetModel();
}

void DetailModel::clear() {
    beginResetModel();
    m_rows.clear();
    m_upRow = false;
    m_folderDiskPath.clear();
    m_results = nullptr;
    applySort();
    m_rowIcons.clear();
    endResetModel();
}

void DetailModel::applySort() {
    m_order.clear();
    m_position.clear();
    if (m_sortColumn < 0 || m_rows.empty()) return;
    std::function<std::string(std::size_t)> resultCaptions;
    if (m_results) resultCaptions = [this](std::size_t i) { return resultCaption(*m_results, i); };
    m_order = sortedRowOrder(m_rows, static_cast<SortColumn>(m_sortColumn),
                             m_sortOrder == Qt::DescendingOrder, resultCaptions);
    m_position.resize(m_order.size());
    for (std::size_t shown = 0; shown < m_order.size(); ++shown)
        m_position[m_order[shown]] = static_cast<std::uint32_t>(shown);
}

void DetailModel::setSortOrder(int column, Qt::SortOrder order) {
    if (column < 0 || column >= colCount) {
        column = -1;
        order = Qt::AscendingOrder;
    }
    if (column == m_sortColumn && order == m_sortOrder) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The selection and the current row stay on their Entries.
    const QModelIndexList before = persistentIndexList();
    std::vector<int> listRows;
    listRows.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& i : before)
        listRows.push_back(listRow(i.row()));
    m_sortColumn = column;
    m_sortOrder = order;
    applySort();
    m_rowIcons.clear();
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype k = 0; k < before.size(); ++k)
        after << index(viewRow(listRows[static_cast<std::size_t>(k)]), before[k].column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void DetailModel::rowsChanged() {
    const int n = rowCount();
    if (n > 0) emit dataChanged(index(0, 0), index(n - 1, colCount - 1));
}

void DetailModel::setListColours(bool dark, Rgb base, Rgb text) {
    m_dark = dark;
    m_base = base;
    m_text = text;
    rowsChanged();
}

} // namespace kx
