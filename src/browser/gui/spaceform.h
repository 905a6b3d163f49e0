// The window of where the space goes, beside the main window or the catalogue window: the
// treemap (Back, Up, the colouring, the export as PNG and SVG, a legend of the type colours), the
// files and bytes by type with the largest files of the type clicked, and the largest files. What
// it shows comes from a source: a folder of the open list, or the whole catalogue.
#pragma once

#include "browser/gui/spaceviews.h"
#include "browser/gui/treemapview.h"

#include <QDialog>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;

namespace kx {

class SpaceSource {
public:
    virtual ~SpaceSource() = default;
    // What is shown: a folder's path, the catalogue.
    virtual QString place(const ui::StringTables& t) const = 0;
    virtual TreemapView::Content treemap(bool byMarks) = 0;
    virtual TypeTotals types() = 0;
    virtual std::vector<LargeRow> largest(const TypeChoice& choice) = 0;
};

class TSpaceForm : public QDialog {
    Q_OBJECT
public:
    enum Tab { treemapTab, typesTab, largestTab };

    // The tables must outlive the window.
    TSpaceForm(QWidget* parent, const ui::StringTables& tables);
    void applyTexts();
    // Shows what the source holds now; the tabs not shown are filled when they are.
    void setSource(std::shared_ptr<SpaceSource> source);
    SpaceSource* source() const { return m_source.get(); }
    // The source's figures changed (a mark, another folder): everything is read again.
    void refresh();
    void showTab(Tab tab);

    // What the owner does with the user's clicks.
    struct Handlers {
        std::function<void(const TreemapCell&)> cellClicked, cellDoubleClicked;
        std::function<void()> back, up;
        std::function<void(std::size_t key)> fileActivated;
        std::function<void(bool svg)> save;
        // Runs a read of the source, telling what fails (a catalogue may be gone or busy).
        std::function<void(const std::function<void()>&)> guard;
    };
    void setHandlers(Handlers h) { m_handlers = std::move(h); }
    bool byMarks() const;

    QLabel* lblPlace = nullptr;
    QTabWidget* tabs = nullptr;
    QPushButton *btBack = nullptr, *btUp = nullptr, *btLargest = nullptr, *btPng = nullptr,
                *btSvg = nullptr;
    QComboBox* cbColouring = nullptr;
    TreemapView* treemap = nullptr;
    TypesView* types = nullptr;
    LargestView* typeFiles = nullptr; // the largest files of the type clicked
    LargestView* largest = nullptr;

private:
    QWidget* buildTreemapTab();
    QWidget* buildTypesTab();
    void fillShownTab();
    void showTypeFiles();
    void guarded(const std::function<void()>& read);

    const ui::StringTables& m_t;
    std::shared_ptr<SpaceSource> m_source;
    Handlers m_handlers;
    QLabel* m_legend[kTypeGroups] = {};
    QLabel* m_typeFilesLabel = nullptr;
    bool m_stale[3] = {true, true, true};
};

} // namespace kx
