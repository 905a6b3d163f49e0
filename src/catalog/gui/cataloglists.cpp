// The table of the catalogued lists.
#include "catalog/gui/cataloglists.h"

#include "listfile/codepage.h"
#include "listfile/exactname.h"
#include "support/strings.h"

#include <QDateTime>
#include <QLocale>

namespace kx {

namespace {
using ui::Cap;
constexpr Cap kHeaders[] = {Cap::listLabelColumn,   Cap::listNoteColumn,    Cap::listRootColumn,
                            Cap::listHeaderColumn,  Cap::listEntriesColumn, Cap::listBytesColumn,
                            Cap::listIndexedColumn, Cap::listFileColumn,    Cap::listColumn};
static_assert(std::size(kHeaders) == CatalogListsModel::columnCount_);

Cap stateCaption(catalog::ListFileState s) {
    switch (s) {
    case catalog::ListFileState::present:
        return Cap::filePresent;
    case catalog::ListFileState::changed:
        return Cap::fileChanged;
    default:
        return Cap::fileMissing;
    }
}
} // namespace

void CatalogListsModel::setLists(std::vector<CatalogList> lists) {
    beginResetModel();
    m_lists = std::move(lists);
    endResetModel();
}

const CatalogList* CatalogListsModel::byId(std::int64_t id) const {
    for (const CatalogList& l : m_lists)
        if (l.record.id == id) return &l;
    return nullptr;
}

void CatalogListsModel::applyTexts(const ui::StringTables& t) {
    m_tables = &t;
    emit headerDataChanged(Qt::Horizontal, 0, columnCount_ - 1);
    if (!m_lists.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount_ - 1));
}

int CatalogListsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_lists.size());
}

int CatalogListsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columnCount_;
}

QVariant CatalogListsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(m_lists.size())) return {};
    const CatalogList& l = m_lists[std::size_t(index.row())];
    const catalog::ListRecord& r = l.record;
    const int c = index.column();
    if (role == Qt::TextAlignmentRole && (c == entries || c == bytes))
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::EditRole && (c == label || c == note))
        return QString::fromStdString(c == label ? r.label : r.note);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    const QLocale locale;
    switch (c) {
    case label:
        return QString::fromStdString(r.label);
    case note:
        return QString::fromStdString(r.note);
    case root:
        return r.rootExact.empty() ? fromAnsi(r.rootName) : exactNameText(r.rootExact);
    case header:
        return fromAnsi(r.headerText);
    case entries:
        return locale.toString(qulonglong(r.entries));
    case bytes:
        return locale.toString(qulonglong(r.fileBytes));
    case indexed:
        return QDateTime::fromSecsSinceEpoch(r.indexedAt)
            .toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    case file:
        return m_tables ? m_tables->caption(stateCaption(l.state)) : QString();
    default:
        return QString::fromStdString(r.path);
    }
}

QVariant CatalogListsModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole || !m_tables || section < 0 ||
        section >= columnCount_)
        return {};
    return m_tables->caption(kHeaders[section]);
}

Qt::ItemFlags CatalogListsModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && (index.column() == label || index.column() == note))
        f |= Qt::ItemIsEditable;
    return f;
}

bool CatalogListsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable) || !m_edit) return false;
    catalog::ListRecord& r = m_lists[std::size_t(index.row())].record;
    const Column c = Column(index.column());
    const std::string text = value.toString().trimmed().toStdString();
    if (text == (c == label ? r.label : r.note)) return false;
    if (!m_edit(r.id, c, text)) return false;
    (c == label ? r.label : r.note) = text;
    emit dataChanged(index, index);
    return true;
}

} // namespace kx
