// The main window and the catalogue: the "find in catalogue" window (Ctrl+Shift+K), the way from
// one of its rows to the Entry in its list, and the refresh of a catalogued list after a save.
#include "browser/gui/infofileform.h"

#include "catalog/catalog.h"
#include "catalog/gui/catalogform.h"
#include "listfile/codepage.h"
#include "query/rowformat.h"
#include "query/search.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeView>

#include <string_view>

namespace kx {

namespace {

// The Entry a catalogue row names in the open list: at its place in the walk when that Entry
// still has the row's path and kind (the folders the user opened may have been regrouped since),
// else the first Entry along the row's path, or null.
const Entry* entryOfRow(const Entry* root, const CatalogRow& row) {
    const Entry* at = catalog::entryAtOrd(root, row.ord);
    if (at && at != root && at->isFolder() == row.folder && captionBelowRoot(at) == row.caption)
        return at;
    const Entry* folder = root;
    std::string_view rest = row.caption;
    while (folder) {
        const std::size_t cut = rest.find('\\');
        const std::string_view name = rest.substr(0, cut);
        const bool last = cut == std::string_view::npos;
        const Entry* next = nullptr;
        for (const Entry* c : folder->children())
            if (c->name() == name && (last ? c->isFolder() == row.folder : c->isFolder())) {
                next = c;
                break;
            }
        if (last || !next) return next;
        folder = next;
        rest = rest.substr(cut + 1);
    }
    return nullptr;
}

} // namespace

TCatalogForm* TInfoFileForm::catalogForm() {
    if (!m_catalogForm) {
        m_catalogForm = new TCatalogForm(this);
        m_catalogForm->setFindHandler([this] { guarded([&] { catalogFindClick(); }); });
        m_catalogForm->setOpenHandler(
            [this](const CatalogRow& row) { guarded([&] { catalogOpenRow(row); }); });
    }
    return m_catalogForm;
}

void TInfoFileForm::catalogClick() {
    catalogForm()->applyTexts(m_tables);
    m_catalogForm->show();
    m_catalogForm->raise();
    m_catalogForm->activateWindow();
    m_catalogForm->fields->ledMask->setFocus();
}

void TInfoFileForm::catalogFindClick() {
    EntryFilter filter;
    bool storable = true;
    if (!readFilterOf(*m_catalogForm->fields, filter, storable)) return;
    const std::string db = catalog::defaultCatalogPath();
    if (!QFileInfo::exists(QFile::decodeName(db.c_str()))) {
        m_catalogForm->setNoLists();
        return;
    }
    std::vector<CatalogRow> rows;
    std::size_t found = 0;
    bool noLists = false;
    ui::TOpenSaveForm busy(m_catalogForm, m_tables.caption(ui::Cap::searchingData));
    busy.showAndPaint();
    m_catalogForm->setEnabled(false);
    try {
        runInBackground([&] {
            const auto catalog = catalog::Catalog::open(db);
            noLists = catalog->lists().empty();
            // A mask that the code page cannot store is in no name or comment.
            if (noLists || !storable) return;
            catalog->find(filter, [&](const catalog::ListRecord& list, const Entry& e,
                                      const std::string& caption, std::uint32_t ord) {
                if (found++ >= TCatalogForm::kShownRows) return;
                CatalogRow r;
                r.listPath = list.path;
                r.caption = caption;
                r.name = std::string(e.name());
                r.folder = e.isFolder();
                r.ord = ord;
                r.size = sizeCell(e.sizeValue());
                r.changed = textOrDashes(e.changed());
                r.comment = textOrDashes(e.comment());
                rows.push_back(std::move(r));
            });
        });
    } catch (const Error& e) {
        busy.close();
        m_catalogForm->setEnabled(true);
        showMessage(m_tables.message(ui::Msg::catalogueUnusable).arg(errorWithPath(e)),
                    UserDialogs::Icon::Error);
        return;
    }
    busy.close();
    m_catalogForm->setEnabled(true);
    if (noLists)
        m_catalogForm->setNoLists();
    else
        m_catalogForm->setFound(std::move(rows), found);
    m_catalogForm->lvFound->setFocus();
}

void TInfoFileForm::catalogOpenRow(const CatalogRow& row) {
    const bool isOpen =
        m_doc && catalog::absoluteListPath(localPath(m_listFilePath)) == row.listPath;
    if (!isOpen) {
        if (!settleUnsavedChanges()) return;
        const QString chosen = QFile::decodeName(row.listPath.c_str());
        openChosenFile(chosen, spbtOpen);               // as Open does it, behind "Loading Data..."
        if (!m_doc || m_listFilePath != chosen) return; // the open said what went wrong
    }
    const Entry* e = entryOfRow(root(), row);
    if (!e) {
        showMessage(m_tables.message(ui::Msg::entryNoLongerInList), UserDialogs::Icon::Error);
        return;
    }
    applyMove(m_nav.reveal(e));
    raise();
    activateWindow();
}

void TInfoFileForm::refreshCatalogue() {
    const std::string db = catalog::defaultCatalogPath();
    // Without a catalogue there is nothing to refresh, and none is made here.
    if (!QFileInfo::exists(QFile::decodeName(db.c_str()))) return;
    const std::string path = localPath(m_listFilePath);
    try {
        std::unique_ptr<catalog::Catalog> catalog = catalog::Catalog::open(db);
        if (!catalog->contains(path)) return;
        // A cancelled refresh keeps what the catalogue had; the next add refreshes it.
        const Progress progress = m_progress.callback();
        runWithProgress(m_tables.message(ui::Msg::catalogueUpdating),
                        [&] { catalog->add(path, progress); });
    } catch (const Error& e) {
        // The catalogue names its file; the list is the one just saved.
        const QString failure = isCatalogueError(e.code()) ? errorWithPath(e) : errorMessage(e);
        showMessage(m_tables.message(ui::Msg::catalogueNotUpdated).arg(failure),
                    UserDialogs::Icon::Error);
    }
}

} // namespace kx
