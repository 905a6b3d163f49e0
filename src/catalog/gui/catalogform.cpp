// The "find in catalogue" window.
#include "catalog/gui/catalogform.h"

#include "listfile/codepage.h"
#include "support/strings.h"

#include <QEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTreeView>
#include <QVBoxLayout>

namespace kx {

namespace {
constexpr int kColumns = 5;
} // namespace

void CatalogRowsModel::setRows(std::vector<CatalogRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void CatalogRowsModel::setHeaders(const QStringList& headers) {
    m_headers = headers;
    emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
}

int CatalogRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CatalogRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant CatalogRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(m_rows.size())) return {};
    const CatalogRow& r = m_rows[std::size_t(index.row())];
    if (role == Qt::TextAlignmentRole && index.column() == 2)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    switch (index.column()) {
    case 0:
        return QString::fromStdString(r.listPath);
    case 1:
        return fromAnsi(r.caption);
    case 2:
        return QString::fromLatin1(r.size);
    case 3:
        return fromAnsi(r.changed);
    default:
        return fromAnsi(r.comment);
    }
}

QVariant CatalogRowsModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole || section >= m_headers.size()) return {};
    return m_headers[section];
}

TCatalogForm::TCatalogForm(QWidget* parent) : FilterWindow(parent, Qt::WindowMaximizeButtonHint) {
    rows = new CatalogRowsModel(this);
    lvFound = new QTreeView(this);
    lvFound->setObjectName(QStringLiteral("lvFound"));
    lvFound->setRootIsDecorated(false);
    lvFound->setUniformRowHeights(true);
    lvFound->setAllColumnsShowFocus(true);
    lvFound->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvFound->setSelectionMode(QAbstractItemView::SingleSelection);
    lvFound->setModel(rows);
    lvFound->header()->setStretchLastSection(true);
    lvFound->setColumnWidth(0, 220);
    lvFound->setColumnWidth(1, 260);
    lvFound->setColumnWidth(2, 80);
    lvFound->setColumnWidth(3, 130);
    lvFound->installEventFilter(this);
    fields->grid()->setColumnStretch(1, 1); // the fields take the width, not their labels
    column()->addWidget(lvFound, 1);
    setMinimumSize(480, 360);
    resize(860, 560);
    connect(lvFound, &QTreeView::doubleClicked, this, [this] { openCurrentRow(); });
}

void TCatalogForm::applyTexts(const ui::StringTables& t) {
    fields->applyTexts(t);
    setWindowTitle(t.caption(ui::Cap::catalogueTitle));
    // The size, change and comment columns are named as in the detail list.
    rows->setHeaders({t.caption(ui::Cap::listColumn), t.caption(ui::Cap::pathColumn),
                      t.caption(ui::Cap::columnSize), t.caption(ui::Cap::columnChanged),
                      t.caption(ui::Cap::columnComments)});
    showCount();
}

void TCatalogForm::setFound(std::vector<CatalogRow> found, std::size_t count) {
    rows->setRows(std::move(found));
    m_found = count;
    m_state = State::found;
    showCount();
    if (!rows->rows().empty()) lvFound->setCurrentIndex(rows->index(0, 0));
}

void TCatalogForm::setNoLists() {
    rows->setRows({});
    m_state = State::noLists;
    showCount();
}

void TCatalogForm::showCount() {
    const ui::StringTables* t = fields->tables();
    if (!t) return;
    switch (m_state) {
    case State::none:
        fields->lblFound->clear();
        break;
    case State::noLists:
        fields->lblFound->setText(t->caption(ui::Cap::catalogueHoldsNoLists));
        break;
    case State::found:
        if (m_found > rows->rows().size())
            fields->lblFound->setText(
                t->caption(ui::Cap::foundFirstShown).arg(m_found).arg(rows->rows().size()));
        else
            fields->lblFound->setText(t->caption(ui::Cap::foundCount).arg(m_found));
        break;
    }
}

void TCatalogForm::openCurrentRow() {
    const QModelIndex at = lvFound->currentIndex();
    if (!at.isValid() || !m_open) return;
    // A copy: opening the list may run events that refill the table.
    const CatalogRow row = rows->rows()[std::size_t(at.row())];
    m_open(row);
}

bool TCatalogForm::eventFilter(QObject* watched, QEvent* e) {
    if (watched == lvFound && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openCurrentRow();
            return true;
        }
    }
    return FilterWindow::eventFilter(watched, e);
}

} // namespace kx
