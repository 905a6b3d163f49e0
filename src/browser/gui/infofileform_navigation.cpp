// The main window's navigation: each handler asks the navigator what to show and applies it to
// the folder tree and the detail list; the Back and Forward hints follow.
#include "browser/gui/infofileform.h"

#include "query/rowformat.h"

#include <QCursor>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QToolButton>
#include <QToolTip>
#include <QTreeView>

#include <algorithm>

namespace kx {

// ---------------------------------------------------------------- the views

const Entry* TInfoFileForm::selectedNode() const {
    const QModelIndexList rows = tvTreeOfFile->selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : FolderModel::entryOf(rows.first());
}

void TInfoFileForm::selectNode(const Entry* node) {
    const QModelIndex i = m_folders->indexOf(node);
    if (i.isValid())
        tvTreeOfFile->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
}

void TInfoFileForm::showFolder(const Entry* folder) {
    lvInfo->setUpdatesEnabled(false);
    // The Navigator has regrouped the folder already, before it chose the rows to select.
    m_model->showFolderRows(folder->children(), folder != root(), folderDiskPath(folder));
    lvInfo->setUpdatesEnabled(true);
}

void TInfoFileForm::showSearchResults() {
    lvInfo->setUpdatesEnabled(false);
    m_model->showSearchRows(m_nav.results());
    lvInfo->setUpdatesEnabled(true);
}

std::vector<int> TInfoFileForm::selectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& i : lvInfo->selectionModel()->selectedRows())
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int TInfoFileForm::firstSelectedRow() const {
    int first = -1;
    for (const QItemSelectionRange& range : lvInfo->selectionModel()->selection())
        if (first < 0 || range.top() < first) first = range.top();
    return first;
}

int TInfoFileForm::firstSelectedListRow() const {
    const int first = firstSelectedRow();
    return first < 0 ? -1 : m_model->listRow(first);
}

std::vector<int> TInfoFileForm::selectedListRows() const {
    std::vector<int> rows;
    for (int row : selectedRows())
        rows.push_back(m_model->listRow(row));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TInfoFileForm::showSortIndicator() {
    lvInfo->header()->setSortIndicator(m_model->sortColumn(), m_model->sortOrder());
}

void TInfoFileForm::selectRow(int listRow, bool focus) {
    if (listRow < 0 || listRow >= m_model->rowCount()) return;
    const int row = m_model->viewRow(listRow);
    const QModelIndex index = m_model->index(row, 0);
    const auto how = QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    if (focus) {
        lvInfo->selectionModel()->setCurrentIndex(index, how);
        lvInfo->scrollTo(index);
    } else {
        lvInfo->selectionModel()->select(index, how);
    }
}

void TInfoFileForm::applyMove(const Move& m) {
    if (m.show)
        showFolder(m.show);
    else if (m.showResults)
        showSearchResults();
    if (m.collapse) tvTreeOfFile->collapse(m_folders->indexOf(m.collapse));
    if (m.selectNode) selectNode(m.selectNode);
    if (m.expand) tvTreeOfFile->expand(m_folders->indexOf(m.expand));
    if (m.focusTree) tvTreeOfFile->setFocus();
    if (m.selectRow >= 0) selectRow(m.selectRow, m.focusRow);
    if (m.openImage) m_folders->setOpenImage(m.openImage);
    setBackHint();
    updateForwardHint();
    updateSummary();
}

// ---------------------------------------------------------------- hints

void TInfoFileForm::setHint(QWidget* w, const QString& text) {
    w->setToolTip(text);
    // A hint on show follows its new text at once.
    if (QToolTip::isVisible() && w->underMouse()) QToolTip::showText(QCursor::pos(), text, w);
}

void TInfoFileForm::setBackHint() {
    setHint(spbtBack, m_nav.backHint(m_tables.hint(ui::Hint::back)));
}

void TInfoFileForm::updateForwardHint() {
    setHint(spbtForward, m_nav.forwardHint(firstSelectedListRow(), selectedNode(),
                                           m_tables.hint(ui::Hint::forward)));
}

// ---------------------------------------------------------------- handlers

void TInfoFileForm::prepareForOpen() {
    applyMove(m_nav.prepareForOpen(selectedNode()));
}

void TInfoFileForm::tvTreeOfFileClick() {
    applyMove(m_nav.treeClick(selectedNode()));
}

void TInfoFileForm::tvTreeOfFileKeyMove() {
    applyMove(m_nav.treeKey(selectedNode()));
}

void TInfoFileForm::tvTreeOfFileMouseUp(const QPoint& viewportPos) {
    const Entry* node = FolderModel::entryOf(tvTreeOfFile->indexAt(viewportPos));
    if (node) applyMove(m_nav.treeRelease(node, selectedNode()));
}

void TInfoFileForm::lvInfoDblClick() {
    applyMove(m_nav.activateRow(firstSelectedListRow(), selectedNode()));
}

void TInfoFileForm::lvInfoKeyDown(int key) {
    // The key goes on to the list's own handling afterwards.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) lvInfoDblClick();
}

void TInfoFileForm::lvInfoChange() {
    if (!m_nav.history().canForward() && firstSelectedRow() >= 0) updateForwardHint();
    updateSummary();
}

void TInfoFileForm::lvInfoColumnClick(int column) {
    Qt::SortOrder order = Qt::AscendingOrder;
    if (column == m_model->sortColumn()) {
        if (m_model->sortOrder() == Qt::DescendingOrder)
            column = -1;
        else
            order = Qt::DescendingOrder;
    }
    m_model->setSortOrder(column, order);
    showSortIndicator();
}

void TInfoFileForm::spbtBackClick() {
    applyMove(m_nav.back(selectedNode()));
}

void TInfoFileForm::spbtForwardClick() {
    applyMove(m_nav.forward(selectedNode()));
}

void TInfoFileForm::spbtUpClick() {
    applyMove(m_nav.up(selectedNode()));
}

} // namespace kx
