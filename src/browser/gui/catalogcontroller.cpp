// The main window and the catalogue: its find window, its rows, and its refresh after a save.
#include "browser/gui/catalogcontroller.h"

#include "browser/gui/documentcontroller.h"
#include "browser/gui/infofileform.h"
#include "browser/gui/navigationcontroller.h"
#include "browser/gui/searchcontroller.h"

#include "catalog/catalog.h"
#include "catalog/gui/catalogform.h"
#include "listfile/codepage.h"
#include "query/filter.h"
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

TCatalogForm* CatalogController::catalogForm() {
    if (!m_catalogForm) {
        m_catalogForm = new TCatalogForm(&m_w);
        m_catalogForm->setFindHandler([this] { m_w.guarded([&] { findClick(); }); });
        m_catalogForm->setOpenHandler(
            [this](const CatalogRow& row) { m_w.guarded([&] { openRow(row); }); });
    }
    return m_catalogForm;
}

void CatalogController::applyTexts() {
    if (m_catalogForm) m_catalogForm->applyTexts(m_w.m_tables);
}

void CatalogController::catalogClick() {
    catalogForm()->applyTexts(m_w.m_tables);
    m_catalogForm->show();
    m_catalogForm->raise();
    m_catalogForm->activateWindow();
    m_catalogForm->fields->ledMask->setFocus();
}

void CatalogController::findClick() {
    EntryFilter filter;
    bool storable = true;
    if (!m_w.m_searchCtl->readFilterOf(*m_catalogForm->fields, filter, storable)) return;
    const std::string db = catalog::defaultCatalogPath();
    if (!QFileInfo::exists(QFile::decodeName(db.c_str()))) {
        m_catalogForm->setNoLists();
        return;
    }
    struct Found {
        std::vector<CatalogRow> rows;
        std::size_t count = 0;
        bool noLists = false;
    };
    m_w.runBehindPanel(
        m_w.m_tables.caption(ui::Cap::searchingData), m_catalogForm,
        [db, filter, storable] {
            Found f;
            const auto catalog = catalog::Catalog::open(db);
            f.noLists = catalog->lists().empty();
            // A mask that the code page cannot store is in no name or comment.
            if (f.noLists || !storable) return f;
            catalog->find(filter, [&](const catalog::ListRecord& list, const Entry& e,
                                      const std::string& caption, std::uint32_t ord) {
                if (f.count++ >= TCatalogForm::kShownRows) return true;
                CatalogRow r;
                r.listPath = list.path;
                r.caption = caption;
                r.name = std::string(e.name());
                r.folder = e.isFolder();
                r.ord = ord;
                r.size = sizeCell(e.sizeValue());
                r.changed = textOrDashes(e.changed());
                r.comment = textOrDashes(e.comment());
                f.rows.push_back(std::move(r));
                return true;
            });
            return f;
        },
        [this](auto& outcome) {
            Found* f = nullptr;
            try {
                f = &outcome.get();
            } catch (const Error& e) {
                m_w.showMessage(m_w.m_tables.message(ui::Msg::catalogueUnusable)
                                    .arg(m_w.m_documentCtl->errorWithPath(e)),
                                UserDialogs::Icon::Error);
                return;
            }
            if (f->noLists)
                m_catalogForm->setNoLists();
            else
                m_catalogForm->setFound(std::move(f->rows), f->count);
            m_catalogForm->lvFound->setFocus();
        });
}

void CatalogController::openRow(const CatalogRow& row) {
    const bool isOpen =
        m_w.m_doc && catalog::absoluteListPath(DocumentController::localPath(m_w.m_listFilePath)) ==
                         row.listPath;
    if (isOpen) {
        revealRow(row);
        return;
    }
    // As Open does it, behind "Loading Data...", after the question about unsaved changes; an
    // open that fails has said what went wrong.
    const QString chosen = QFile::decodeName(row.listPath.c_str());
    const auto go = [this, chosen, row] {
        m_w.m_documentCtl->openFile(chosen, m_w.spbtOpen, [this, chosen, row] {
            if (m_w.m_doc && m_w.m_listFilePath == chosen) revealRow(row);
        });
    };
    if (m_w.m_documentCtl->settleUnsavedChanges(go)) go();
}

void CatalogController::browseOffline(std::int64_t, std::uint32_t) {
    // Not yet: the catalogue does not rebuild a list's tree.
}

void CatalogController::openList(const std::string& listPath, std::uint32_t ord) {
    CatalogRow row;
    row.listPath = listPath;
    row.ord = ord;
    openRow(row);
}

void CatalogController::revealRow(const CatalogRow& row) {
    const Entry* e = entryOfRow(m_w.root(), row);
    if (!e) {
        m_w.showMessage(m_w.m_tables.message(ui::Msg::entryNoLongerInList),
                        UserDialogs::Icon::Error);
        return;
    }
    m_w.m_navigationCtl->applyMove(m_w.m_nav.reveal(e));
    m_w.raise();
    m_w.activateWindow();
}

void CatalogController::refreshCatalogue(std::function<void()> then) {
    const std::string db = catalog::defaultCatalogPath();
    const std::string path = DocumentController::localPath(m_w.m_listFilePath);
    std::shared_ptr<catalog::Catalog> catalog;
    QString failure;
    try {
        // Without a catalogue there is nothing to refresh, and none is made here.
        if (QFileInfo::exists(QFile::decodeName(db.c_str()))) catalog = catalog::Catalog::open(db);
        if (catalog && !catalog->contains(path)) catalog.reset();
    } catch (const Error& e) {
        failure = m_w.m_documentCtl->errorWithPath(e);
    }
    const auto finish = [this, then](const QString& failure) {
        if (!failure.isEmpty())
            m_w.showMessage(m_w.m_tables.message(ui::Msg::catalogueNotUpdated).arg(failure),
                            UserDialogs::Icon::Error);
        if (then) then();
    };
    if (!catalog) {
        finish(failure);
        return;
    }
    // A cancelled refresh keeps what the catalogue had; the next add refreshes it.
    const Progress progress = m_w.m_progress.callback();
    m_w.runWithProgress(
        m_w.m_tables.message(ui::Msg::catalogueUpdating),
        [catalog, path, progress] { catalog->add(path, progress); },
        [this, finish](bool, auto& outcome) {
            QString failure;
            try {
                outcome.get();
            } catch (const Error& e) {
                // The catalogue names its file; the list is the one just saved.
                failure = isCatalogueError(e.code()) ? m_w.m_documentCtl->errorWithPath(e)
                                                     : m_w.m_documentCtl->errorMessage(e);
            }
            finish(failure);
        });
}

} // namespace kx
