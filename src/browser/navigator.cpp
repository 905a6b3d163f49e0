// Moving between folders: the rules of every navigation action over Entries.
#include "browser/navigator.h"

#include "browser/marks.h"
#include "listfile/codepage.h"
#include "listfile/exactname.h"

namespace kx {

Move Navigator::start(const Entry* root, const QString& rootText) {
    clear();
    m_root = root;
    m_rootText = rootText;
    m_current = root;
    Move m;
    m.selectNode = root;
    m.expand = root;
    m.focusTree = true;
    showFolder(m, root);
    return m;
}

void Navigator::clear() {
    m_root = m_current = m_shown = nullptr;
    m_rootText.clear();
    m_searchMode = m_resultsBehind = false;
    m_results = SearchResults(); // the row last opened from results is kept across lists
    m_history.reset();
}

void Navigator::record(bool onlyIfNotOnTop) {
    if (m_current) m_history.record(m_current, onlyIfNotOnTop);
}

void Navigator::showFolder(Move& m, const Entry* folder) {
    if (m_regroup) m_regroup(folder);
    m.show = folder;
    m.showResults = false;
    m_shown = folder;
    m_resultsBehind = false;
}

ChildList Navigator::rowEntries() const {
    // Without a folder shown, the rows are the search results (none before a search).
    if (m_shown) return m_shown->children();
    auto& found = const_cast<std::vector<Entry*>&>(m_results.entries);
    return ChildList(found.data(), std::uint32_t(found.size()));
}

int Navigator::rowCount() const {
    return int(rowEntries().size()) + firstEntryRow(hasUpRow());
}

Entry* Navigator::entryAt(int row) const {
    const int index = row - firstEntryRow(hasUpRow());
    const ChildList rows = rowEntries();
    return index >= 0 && index < int(rows.size()) ? rows[std::size_t(index)] : nullptr;
}

int Navigator::rowOf(const Entry* e) const {
    for (int r = 0, n = rowCount(); r < n; ++r)
        if (entryAt(r) == e) return r;
    return -1;
}

QString Navigator::rowCaption(int row) const {
    if (hasUpRow() && row == 0) return QStringLiteral("..");
    const Entry* e = entryAt(row);
    if (!e) return QString();
    if (!m_shown)
        return QString::fromStdString(resultCaption(m_results, std::size_t(row), NameForm::shown));
    return nameText(*e);
}

QString Navigator::nodeText(const Entry* node) const {
    if (!node) return QString();
    return node == m_root ? m_rootText : nameText(*node);
}

const Entry* Navigator::parentNode(const Entry* node) const {
    return node && node != m_root ? node->parent() : nullptr;
}

int Navigator::firstRealRow() const {
    const int n = rowCount();
    if (n == 0) return -1;
    return n > 1 ? firstEntryRow(hasUpRow()) : 0;
}

int Navigator::findRow(const QString& caption, int fromRow, Qt::CaseSensitivity cs) const {
    for (int r = fromRow, n = rowCount(); r < n; ++r)
        if (rowCaption(r).compare(caption, cs) == 0) return r;
    return -1;
}

Move Navigator::prepareForOpen(const Entry* treeSelection) {
    Move m;
    if (!treeSelection) return m;
    m_searchMode = false;
    record(true);
    m_current = treeSelection;
    showFolder(m, treeSelection);
    m.selectNode = m_root;
    m.focusTree = true;
    m_history.clearForward();
    return m;
}

Move Navigator::treeClick(const Entry* treeSelection) {
    Move m;
    m.openImage = treeSelection;
    m_searchMode = false;
    return m;
}

Move Navigator::treeRelease(const Entry* node, const Entry* treeSelection) {
    Move m;
    if (!node) return m;
    // Outside the search mode only a newly selected node moves; the shown node's again does not.
    if (!m_searchMode && !(node == treeSelection && node != m_current)) return m;
    m_searchMode = false;
    record(true);
    m_current = node;
    showFolder(m, node);
    m_history.clearForward();
    return m;
}

Move Navigator::treeKey(const Entry* treeSelection) {
    const Entry* openImage = treeClick(treeSelection).openImage;
    Move m = treeRelease(treeSelection, treeSelection);
    m.openImage = openImage;
    return m;
}

Move Navigator::activateRow(int firstRow, const Entry* treeSelection) {
    Move m;
    if (!m_shown) {
        // A search result: a found folder is shown, its first row selected.
        if (!treeSelection || firstRow < 0) return m;
        m_searchRow = firstRow;
        const Entry* e = entryAt(firstRow);
        if (!e) return m;
        if (!e->isFolder()) return showFoundFile(m, e);
        m.selectNode = e;
        showFolder(m, e);
        m.selectRow = firstRealRow();
        m_searchMode = false;
        return m;
    }
    // The rows belong to the folder that is shown, whatever the tree's selection says.
    const Entry* t = m_shown;
    if (firstRow < 0) return m;
    const Entry* next = treeSelection;
    if (hasUpRow() && firstRow == 0) {
        // The ".." row leads up, also from a folder that holds nothing else.
        if (const Entry* p = parentNode(t)) {
            showFolder(m, p);
            const int row = findRow(nodeText(t), 1, Qt::CaseInsensitive);
            m.selectRow = row >= 0 ? row : firstRealRow();
            m.focusRow = true;
            record(false);
            m_current = p;
            m.selectNode = next = p;
            m.collapse = t;
            m_history.clearForward();
        }
    } else if (const Entry* e = entryAt(firstRow); e && e->isFolder()) {
        showFolder(m, e);
        m.selectRow = firstRealRow();
        m.focusRow = true;
        record(false);
        m_current = e;
        m.expand = e;
        m.selectNode = next = e;
        m_history.clearForward();
    }
    m.openImage = next;
    return m;
}

Move Navigator::showFoundFile(Move& m, const Entry* file) {
    const Entry* folder = file->parent();
    if (!folder) return m;
    record(false);
    m_current = folder;
    m_history.clearForward();
    showFolder(m, folder);
    m.selectNode = folder;
    m.selectRow = rowOf(file);
    m.focusRow = true;
    // The folder's rows work as those of any folder shown; only Back returns to the results.
    m_searchMode = false;
    m_resultsBehind = true;
    return m;
}

Move Navigator::reveal(const Entry* e) {
    Move m;
    if (!e) return m;
    // As a found file is shown, but no results wait behind it.
    showFoundFile(m, e);
    m_resultsBehind = false;
    return m;
}

Move Navigator::showResultsAgain() {
    Move m;
    m.showResults = true;
    m_shown = nullptr;
    m_searchMode = true;
    m_resultsBehind = false;
    if (m_searchRow < rowCount()) m.selectRow = m_searchRow;
    return m;
}

Move Navigator::back(const Entry* /*treeSelection*/) {
    if (m_searchMode || m_resultsBehind) return showResultsAgain();
    if (!m_history.canBack() || !m_current) return {};
    const Entry* n = m_history.popBack();
    m_history.pushForward(m_current);
    return returnTo(n);
}

Move Navigator::forward(const Entry* treeSelection) {
    if (!m_history.canForward()) return {};
    if (m_searchMode) return up(treeSelection);
    const Entry* n = m_history.popForward();
    record(false);
    return returnTo(n);
}

Move Navigator::returnTo(const Entry* node) {
    // The row of the folder that was left is selected when it is among the rows.
    Move m;
    m.selectNode = node;
    const QString left = nodeText(m_current);
    m_current = node;
    showFolder(m, node);
    const int row = findRow(left, 0, Qt::CaseSensitive);
    m.selectRow = row >= 0 ? row : firstRealRow();
    return m;
}

Move Navigator::up(const Entry* treeSelection) {
    if (m_searchMode) return showResultsAgain();
    Move m;
    const Entry* s = treeSelection;
    const Entry* p = parentNode(s);
    if (!p) return m;
    m.selectNode = p;
    m.collapse = s;
    record(false);
    m_current = p;
    showFolder(m, p);
    m_history.clearForward();
    const int row = findRow(nodeText(s), 1, Qt::CaseInsensitive);
    m.selectRow = row >= 0 ? row : firstRealRow();
    return m;
}

Move Navigator::showSearch(SearchResults results) {
    m_results = std::move(results);
    m_searchMode = true;
    m_resultsBehind = false;
    m_shown = nullptr;
    Move m;
    m.showResults = true;
    return m;
}

QString Navigator::backHint(const QString& fallback) const {
    return m_history.canBack() && !m_resultsBehind ? nodeText(m_history.backTop()) : fallback;
}

QString Navigator::forwardHint(int firstRow, const Entry* treeSelection,
                               const QString& fallback) const {
    if (m_history.canForward()) return nodeText(m_history.forwardTop());
    if (firstRow < 0) return fallback;
    if (hasUpRow() && firstRow == 0) {
        const Entry* from = m_shown ? m_shown : treeSelection;
        return nodeText(parentNode(from));
    }
    if (const Entry* e = entryAt(firstRow); e && e->isFolder()) return nameText(*e);
    return fallback;
}

} // namespace kx
