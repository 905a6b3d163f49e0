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
#include <QLineEdit>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeView>

#include <string_view>

namespace kx {

// The Entry a catalogue row names in the open list: at its place in the walk when that Entry
// still has the row's path and kind (the folders the user opened may have been regrouped since),
// else the first Entry along the row's path, or null. A row without a path is taken at its place.
const Entry* entryOfRow(const Entry* root, const CatalogRow& row) {
    const Entry* at = catalog::entryAtOrd(root, row.ord);
    if (row.caption.empty()) return at == root ? nullptr : at;
    if (at && at != root && at->isFolder() == row.folder &&
        captionBelowRoot(at, NameForm::shown) == row.caption)
        return at;
    const Entry* folder = root;
    std::string_view rest = row.caption;
    while (folder) {
        const std::size_t cut = rest.find('\\');
        const std::string_view name = rest.substr(0, cut);
        const bool last = cut == std::string_view::npos;
        const Entry* next = nullptr;
        for (const Entry* c : folder->children())
            if ((last ? c->isFolder() == row.folder : c->isFolder()) &&
                nameIn(c, NameForm::shown) == name) {
                next = c;
                break;
            }
        if (last || !next) return next;
        folder = next;
        rest = rest.substr(cut + 1);
    }
    return nullptr;
}

TCatalogForm* CatalogController::catalogForm() {
    if (!m_catalogForm) {
        m_catalogForm = std::make_unique<TCatalogForm>();
        m_catalogForm->setFindHandler([this] { m_w.guarded([&] { findClick(); }); });
        // A found row: the list file when it is there as indexed, else the catalogue's copy.
        m_catalogForm->setOpenHandler([this](const CatalogRow& row) {
            m_w.guarded([&] {
                const CatalogList* list = m_catalogForm->lists->byId(row.listId);
                if (list && list->state == catalog::ListFileState::present)
                    openRow(row);
                else
                    browseOffline(row.listId, row.ord);
            });
        });
        m_catalogForm->setFailureHandler([this](const Error& e, bool told) {
            if (told)
                tellUnusable(e);
            else
                m_catalogForm->showProblem(failureText(e));
        });
        connectListCommands();
    }
    return m_catalogForm.get();
}

void CatalogController::applyTexts() {
    if (m_catalogForm) m_catalogForm->applyTexts(m_w.m_tables);
    showOfflineTexts();
}

void CatalogController::catalogClick() {
    catalogForm()->applyTexts(m_w.m_tables);
    m_catalogForm->setCatalogPath(catalog::defaultCatalogPath());
    showLists();
    m_catalogForm->show();
    m_catalogForm->raise();
    m_catalogForm->activateWindow();
    m_catalogForm->fields->ledMask->setFocus();
}

void CatalogController::findClick() {
    EntryFilter filter;
    bool storable = true; // a mask the code page cannot hold still finds exact names
    if (!m_w.m_searchCtl->readFilterOf(*m_catalogForm->fields, filter, storable)) return;
    m_catalogForm->setCatalogPath(catalog::defaultCatalogPath());
    m_catalogForm->search(filter, true);
    m_catalogForm->lvFound->setFocus();
}

void CatalogController::openRow(const CatalogRow& row) {
    const bool isOpen = m_w.m_doc && !m_w.readOnly() &&
                        catalog::absoluteListPath(
                            DocumentController::localPath(m_w.m_listFilePath)) == row.listPath;
    if (isOpen) {
        revealRow(row);
        return;
    }
    // As Open does it, behind "Loading Data...", after the question about unsaved changes; an
    // open that fails has said what went wrong.
    const QString chosen = QFile::decodeName(row.listPath.c_str());
    const auto go = [this, chosen, row] {
        m_w.m_documentCtl->openFile(chosen, m_w.spbtOpen, [this, chosen, row] {
            if (m_w.m_doc && !m_w.readOnly() && m_w.m_listFilePath == chosen) revealRow(row);
        });
    };
    if (m_w.m_documentCtl->settleUnsavedChanges(go)) go();
}

void CatalogController::revealRow(const CatalogRow& row) {
    const Entry* e = entryOfRow(m_w.root(), row);
    if (!e && (row.ord || !row.caption.empty())) {
        m_w.showMessage(m_w.m_tables.message(ui::Msg::entryNoLongerInList),
                        UserDialogs::Icon::Error);
        return;
    }
    if (e) m_w.m_navigationCtl->applyMove(m_w.m_nav.reveal(e));
    m_w.raise();
    m_w.activateWindow();
}

void CatalogController::refreshCatalogue(std::function<void()> then) {
    const std::string db = catalog::defaultCatalogPath();
    const std::string path = DocumentController::localPath(m_w.m_listFilePath);
    const auto finish = [this, then](const QString& failure) {
        if (!failure.isEmpty())
            m_w.showMessage(m_w.m_tables.message(ui::Msg::catalogueNotUpdated).arg(failure),
                            UserDialogs::Icon::Error);
        if (then) then();
    };
    // Without a catalogue there is nothing to refresh, and none is made here.
    if (!QFile::exists(QFile::decodeName(db.c_str()))) {
        finish({});
        return;
    }
    // The catalogue is read on the job's thread, never here: its file may take long to answer.
    // A cancelled refresh keeps what the catalogue had; the next add refreshes it.
    const Progress progress = m_w.m_progress.callback();
    m_w.runWithProgress(
        m_w.m_tables.message(ui::Msg::catalogueUpdating),
        [db, path, progress, stop = stopOnAbort()] {
            std::unique_ptr<catalog::Catalog> catalog;
            try {
                catalog = catalog::Catalog::open(db, catalog::OpenMode::existing);
            } catch (const Error& e) {
                if (e.code() == ErrorCode::catalogueMissing) return; // gone since
                throw;
            }
            catalog->stopWhen(stop);
            if (catalog->contains(path)) catalog->add(path, progress);
        },
        [this, finish](bool cancelled, auto& outcome) {
            QString failure;
            try {
                outcome.get();
            } catch (const Error& e) {
                // The catalogue names its file; the list is the one just saved.
                if (!cancelled)
                    failure = isCatalogueError(e.code()) ? m_w.m_documentCtl->errorWithPath(e)
                                                         : m_w.m_documentCtl->errorMessage(e);
            }
            finish(failure);
        });
}

std::function<bool()> CatalogController::stopOnAbort() const {
    std::atomic<bool>* abort = &m_w.m_progress.abortFlag();
    return [abort] { return abort->load(); };
}

void CatalogController::installNotices() {
    // Told on a worker thread; shown in the status bar on the window's, without a question.
    const auto show = [this](std::function<void()> onUiThread) {
        QMetaObject::invokeMethod(&m_w, std::move(onUiThread), Qt::QueuedConnection);
    };
    catalog::setWaitNotice([this, show] {
        show([this] {
            m_w.statusBar()->showMessage(m_w.m_tables.message(ui::Msg::catalogueWaiting),
                                         kNoticeMs);
        });
    });
    catalog::setReadableNotice([this, show](const std::string& path) {
        show([this, path] {
            if (m_toldReadable) return; // once a session
            m_toldReadable = true;
            m_w.statusBar()->showMessage(m_w.m_tables.message(ui::Msg::catalogueReadableByOthers)
                                             .arg(QFile::decodeName(path.c_str())),
                                         kNoticeMs);
        });
    });
}

void CatalogController::removeNotices() {
    catalog::setWaitNotice({});
    catalog::setReadableNotice({});
}

} // namespace kx
