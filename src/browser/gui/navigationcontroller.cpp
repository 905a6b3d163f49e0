// The main window's navigation: each handler asks the navigator what to show and applies it to
// the folder tree and the detail list; the Back and Forward hints follow.
#include "browser/gui/navigationcontroller.h"

#include "browser/gui/infofileform.h"
#include "browser/gui/searchcontroller.h"
#include "browser/gui/spacecontroller.h"

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

const Entry* NavigationController::selectedNode() const {
    const QModelIndexList rows = m_w.tvTreeOfFile->selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : FolderModel::entryOf(rows.first());
}

void NavigationController::selectNode(const Entry* node) {
    const QModelIndex i = m_w.m_folders->indexOf(node);
    if (i.isValid())
        m_w.tvTreeOfFile->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
}

void NavigationController::showFolder(const Entry* folder) {
    m_w.lvInfo->setUpdatesEnabled(false);
    // The Navigator has regrouped the folder already, before it chose the rows to select.
    m_w.m_model->showFolderRows(folder->children(), folder != m_w.root(), folderDiskPath(folder));
    m_w.lvInfo->setUpdatesEnabled(true);
}

void NavigationController::showSearchResults() {
    m_w.lvInfo->setUpdatesEnabled(false);
    m_w.m_model->showSearchRows(m_w.m_nav.results());
    m_w.lvInfo->setUpdatesEnabled(true);
}

std::vector<int> NavigationController::selectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& i : m_w.lvInfo->selectionModel()->selectedRows())
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int NavigationController::firstSelectedRow() const {
    int first = -1;
    for (const QItemSelectionRange& range : m_w.lvInfo->selectionModel()->selection())
        if (first < 0 || range.top() < first) first = range.top();
    return first;
}

int NavigationController::firstSelectedListRow() const {
    const int first = firstSelectedRow();
    return first < 0 ? -1 : m_w.m_model->listRow(first);
}

std::vector<int> NavigationController::selectedListRows() const {
    std::vector<int> rows;
    for (int row : selectedRows())
        rows.push_back(m_w.m_model->listRow(row));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void NavigationController::showSortIndicator() {
    m_w.lvInfo->header()->setSortIndicator(m_w.m_model->sortColumn(), m_w.m_model->sortOrder());
}

void NavigationController::selectRow(int listRow, bool focus) {
    if (listRow < 0 || listRow >= m_w.m_model->rowCount()) return;
    const int row = m_w.m_model->viewRow(listRow);
    const QModelIndex index = m_w.m_model->index(row, 0);
    const auto how = QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    if (focus) {
        m_w.lvInfo->selectionModel()->setCurrentIndex(index, how);
        m_w.lvInfo->scrollTo(index);
    } else {
        m_w.lvInfo->selectionModel()->select(index, how);
    }
}

void NavigationController::applyMove(const Move& m) {
    if (m.show)
        showFolder(m.show);
    else if (m.showResults)
        showSearchResults();
    if (m.collapse) m_w.tvTreeOfFile->collapse(m_w.m_folders->indexOf(m.collapse));
    if (m.selectNode) selectNode(m.selectNode);
    if (m.expand) m_w.tvTreeOfFile->expand(m_w.m_folders->indexOf(m.expand));
    if (m.focusTree) m_w.tvTreeOfFile->setFocus();
    if (m.selectRow >= 0) selectRow(m.selectRow, m.focusRow);
    if (m.openImage) m_w.m_folders->setOpenImage(m.openImage);
    setBackHint();
    updateForwardHint();
    m_w.m_searchCtl->updateSummary();
    m_w.m_spaceCtl->folderShown();
}

// ---------------------------------------------------------------- hints

void NavigationController::setHint(QWidget* w, const QString& text) {
    w->setToolTip(text);
    // A hint on show follows its new text at once.
    if (QToolTip::isVisible() && w->underMouse()) QToolTip::showText(QCursor::pos(), text, w);
}

void NavigationController::setBackHint() {
    setHint(m_w.spbtBack, m_w.m_nav.backHint(m_w.m_tables.hint(ui::Hint::back)));
}

void NavigationController::updateForwardHint() {
    setHint(m_w.spbtForward, m_w.m_nav.forwardHint(firstSelectedListRow(), selectedNode(),
                                                   m_w.m_tables.hint(ui::Hint::forward)));
}

// ---------------------------------------------------------------- handlers

void NavigationController::prepareForOpen() {
    applyMove(m_w.m_nav.prepareForOpen(selectedNode()));
    // The forward history is gone: the hint is the empty text until a row is chosen again.
    setHint(m_w.spbtForward, QString());
}

void NavigationController::treeClick() {
    applyMove(m_w.m_nav.treeClick(selectedNode()));
}

void NavigationController::treeKeyMove() {
    applyMove(m_w.m_nav.treeKey(selectedNode()));
}

void NavigationController::treeMouseUp(const QPoint& viewportPos) {
    const Entry* node = FolderModel::entryOf(m_w.tvTreeOfFile->indexAt(viewportPos));
    if (node) applyMove(m_w.m_nav.treeRelease(node, selectedNode()));
}

void NavigationController::rowActivated() {
    applyMove(m_w.m_nav.activateRow(firstSelectedListRow(), selectedNode()));
}

void NavigationController::rowKey(int key) {
    // The key goes on to the list's own handling afterwards.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) rowActivated();
}

void NavigationController::rowSelectionChanged() {
    if (!m_w.m_nav.history().canForward() && firstSelectedRow() >= 0) updateForwardHint();
    m_w.m_searchCtl->updateSummary();
}

void NavigationController::columnClick(int column) {
    Qt::SortOrder order = Qt::AscendingOrder;
    if (column == m_w.m_model->sortColumn()) {
        if (m_w.m_model->sortOrder() == Qt::DescendingOrder)
            column = -1;
        else
            order = Qt::DescendingOrder;
    }
    m_w.m_model->setSortOrder(column, order);
    showSortIndicator();
}

void NavigationController::back() {
    applyMove(m_w.m_nav.back(selectedNode()));
}

void NavigationController::forward() {
    applyMove(m_w.m_nav.forward(selectedNode()));
}

void NavigationController::up() {
    applyMove(m_w.m_nav.up(selectedNode()));
}

} // namespace kx
