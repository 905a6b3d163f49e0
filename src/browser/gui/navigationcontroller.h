// The main window's navigation: each handler asks the navigator what to show and applies it to
// the folder tree and the detail list; the Back and Forward hints follow.
#pragma once

#include <QString>

#include <vector>

class QPoint;
class QWidget;

namespace kx {

class Entry;
class TInfoFileForm;
struct Move;

class NavigationController {
public:
    explicit NavigationController(TInfoFileForm& window) : m_w(window) {}

    // ---- the views ----
    const Entry* selectedNode() const;
    std::vector<int> selectedRows() const;
    int firstSelectedRow() const;
    // The selected rows as the navigator counts them: the first as shown, and all ascending.
    int firstSelectedListRow() const;
    std::vector<int> selectedListRows() const;
    void showFolder(const Entry* folder);
    void showSearchResults();
    // The header's sort indicator as the model sorts.
    void showSortIndicator();
    void applyMove(const Move& m);
    void setBackHint();
    void updateForwardHint();

    // ---- the handlers ----
    void prepareForOpen();
    void treeClick();
    void treeKeyMove();
    void treeMouseUp(const QPoint& viewportPos);
    void rowActivated();
    void rowKey(int key);
    void rowSelectionChanged();
    void columnClick(int column);
    void back();
    void forward();
    void up();

private:
    void setHint(QWidget* w, const QString& text);
    void selectNode(const Entry* node);
    // Selects a row given as the navigator counts rows (the list's own order).
    void selectRow(int listRow, bool focus);

    TInfoFileForm& m_w;
};

} // namespace kx
