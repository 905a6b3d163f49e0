// The detail list's model and the icons of its rows.
#include "browser/gui/detailmodel.h"

#include "browser/marks.h"
#include "browser/rowformat.h"
#include "listfile/codepage.h"

#include <QApplication>
#include <QFileInfo>
#include <QFont>
#include <QMimeDatabase>
#include <QStyle>

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
    return static_cast<int>(m_rows.size()) + (m_upRow ? 1 : 0);
}

int DetailModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : colCount;
}

Entry* DetailModel::entryAt(int row) const {
    const int i = m_upRow ? row - 1 : row;
    if (i < 0 || i >= static_cast<int>(m_rows.size())) return nullptr;
    return m_rows[static_cast<std::size_t>(i)];
}

QString DetailModel::caption(int row) const {
    if (isUpRow(row)) return QStringLiteral("..");
    const Entry* e = entryAt(row);
    if (!e) return QString();
    if (m_results) return fromAnsi(resultCaption(*m_results, static_cast<std::size_t>(row)));
    return fromAnsi(e->name());
}

std::string DetailModel::rowDiskPath(int row) const {
    const Entry* e = entryAt(row);
    if (!e) return {};
    if (m_results) return resultPath(*m_results, static_cast<std::size_t>(row));
    return m_folderDiskPath + std::string(e->name());
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
    m_rowIcons.clear();
    endResetModel();
}

void DetailModel::showSearchRows(const SearchResults& results) {
    beginResetModel();
    m_rows = results.entries;
    m_upRow = false;
    m_folderDiskPath.clear();
    m_results = &results;
    m_rowIcons.clear();
    endResetModel();
}

void DetailModel::clear() {
    beginResetModel();
    m_rows.clear();
    m_upRow = false;
    m_folderDiskPath.clear();
    m_results = nullptr;
    m_rowIcons.clear();
    endResetModel();
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
