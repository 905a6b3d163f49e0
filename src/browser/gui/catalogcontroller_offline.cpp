// The catalogue's copy of a list in the main window: read from the catalogue alone behind the
// progress window, shown read-only with the title and the status bar saying whose copy it is, and
// the way back to the list file when it is there.
#include "browser/gui/catalogcontroller.h"

#include "browser/gui/documentcontroller.h"
#include "browser/gui/infofileform.h"
#include "browser/gui/navigationcontroller.h"

#include "catalog/catalog.h"
#include "catalog/gui/catalogform.h"
#include "query/belowroot.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>
#include <QToolButton>

namespace kx {

// What a load of the catalogue's copy hands to the window.
struct CatalogController::OfflineLoad {
    catalog::ListRecord record;
    catalog::ListFileState state = catalog::ListFileState::missing;
    std::unique_ptr<EntryTree> tree; // null when the user stopped the load
};

struct CatalogController::OfflineCopy {
    std::int64_t listId = 0;
    std::string listPath;
    QString name; // the label, else the path
    catalog::ListFileState state = catalog::ListFileState::missing;
};

CatalogController::CatalogController(TInfoFileForm& window) : m_w(window) {
    installNotices();
}

// The catalogue window goes with the main window; its search thread is joined here.
CatalogController::~CatalogController() {
    removeNotices();
}

void CatalogController::browseOffline(std::int64_t listId, std::uint32_t ord,
                                      std::function<void()> then) {
    const auto go = [this, listId, ord, then] {
        const std::string db = catalog::defaultCatalogPath();
        const Progress progress = m_w.m_progress.callback();
        m_w.runWithProgress(
            m_w.m_tables.message(ui::Msg::readingFromCatalogue),
            [db, listId, progress, stop = stopOnAbort()] {
                OfflineLoad load;
                const auto catalog = catalog::Catalog::open(db, catalog::OpenMode::existing);
                catalog->stopWhen(stop);
                for (catalog::ListRecord& r : catalog->lists())
                    if (r.id == listId) load.record = std::move(r);
                load.tree = catalog->loadTree(listId, progress); // names a list that is gone
                load.state = catalog->fileState(load.record);
                return load;
            },
            [this, ord, then](bool cancelled, auto& outcome) {
                OfflineLoad* load = nullptr;
                try {
                    load = &outcome.get();
                } catch (const Error& e) {
                    if (!cancelled) tellUnusable(e); // a stopped query says nothing more
                    return;
                }
                if (!load->tree) return; // stopped: nothing changes
                showOffline(*load, ord);
                if (then) then();
            });
    };
    // Unsaved marks and comments are asked about as an Open asks.
    if (m_w.m_documentCtl->settleUnsavedChanges(go)) go();
}

void CatalogController::showOffline(OfflineLoad& load, std::uint32_t ord) {
    const QString path = QFile::decodeName(load.record.path.c_str());
    m_w.m_documentCtl->showReadOnly(std::move(load.tree), path);
    m_offline = std::make_unique<OfflineCopy>();
    m_offline->listId = load.record.id;
    m_offline->listPath = load.record.path;
    m_offline->name = load.record.label.empty() ? path : QString::fromStdString(load.record.label);
    m_offline->state = load.state;
    showOfflineTexts();
    // The tree is in the order the catalogue indexed, so the place finds the Entry.
    CatalogRow row;
    row.ord = ord;
    revealRow(row);
}

void CatalogController::showOfflineTexts() {
    if (!m_offline) {
        m_w.setWindowTitle(ui::applicationTitle());
        if (m_offlineStatus) m_offlineStatus->hide();
        return;
    }
    const ui::StringTables& t = m_w.m_tables;
    using catalog::ListFileState;
    const ui::Cap state = m_offline->state == ListFileState::present ? ui::Cap::offlineFilePresent
                          : m_offline->state == ListFileState::changed
                              ? ui::Cap::offlineFileChanged
                              : ui::Cap::offlineFileMissing;
    const QString text = t.caption(ui::Cap::offlineCopy).arg(m_offline->name) +
                         QStringLiteral(", ") + t.caption(state);
    m_w.setWindowTitle(ui::applicationTitle() + QStringLiteral(" - ") + text);
    if (!m_offlineStatus) {
        m_offlineStatus = new QLabel(m_w.statusBar());
        m_offlineStatus->setObjectName(QStringLiteral("lblOffline"));
        m_offlineStatus->setTextFormat(Qt::RichText);
        m_w.statusBar()->addWidget(m_offlineStatus, 1);
        QObject::connect(m_offlineStatus, &QLabel::linkActivated, m_offlineStatus,
                         [this] { m_w.guarded([&] { openOfflineListFile(); }); });
    }
    // The link is offered also for a file that was missing: the disk may have come back.
    m_offlineStatus->setText(
        text.toHtmlEscaped() + QStringLiteral("&nbsp;&nbsp;<a href=\"open\">") +
        t.caption(ui::Cap::openListFile).toHtmlEscaped() + QStringLiteral("</a>"));
    m_offlineStatus->setToolTip(QFile::decodeName(m_offline->listPath.c_str()));
    m_offlineStatus->show();
}

void CatalogController::leaveOffline() {
    if (!m_offline) return;
    m_offline.reset();
    showOfflineTexts();
}

void CatalogController::openOfflineListFile() {
    if (!m_offline) return;
    const QString path = QFile::decodeName(m_offline->listPath.c_str());
    if (!QFileInfo(path).isFile()) {
        m_w.showMessage(m_w.m_tables.message(ui::Msg::listFileMissing).arg(path),
                        UserDialogs::Icon::Error);
        return;
    }
    // The folder shown now, found again by its path in the list file.
    const Entry* shown = m_w.m_nav.shown();
    CatalogRow row;
    row.folder = true;
    if (shown && shown != m_w.root()) row.caption = captionBelowRoot(shown, NameForm::shown);
    m_w.m_documentCtl->openFile(path, m_w.spbtOpen, [this, path, row] {
        if (row.caption.empty() || m_w.readOnly() || m_w.m_listFilePath != path) return;
        if (const Entry* folder = entryOfRow(m_w.root(), row))
            m_w.m_navigationCtl->applyMove(m_w.m_nav.treeKey(folder));
    });
}

void CatalogController::openList(const std::string& listPath, std::uint32_t ord) {
    const QString path = QFile::decodeName(listPath.c_str());
    if (QFileInfo(path).isFile()) {
        CatalogRow row;
        row.listPath = listPath;
        row.ord = ord;
        openRow(row);
        return;
    }
    // Not there: the catalogue's copy is offered when the catalogue holds the list.
    std::int64_t listId = 0;
    try {
        const auto catalog =
            catalog::Catalog::open(catalog::defaultCatalogPath(), catalog::OpenMode::existing);
        for (const catalog::ListRecord& r : catalog->lists())
            if (r.path == listPath) listId = r.id;
    } catch (const Error&) {
        // No catalogue to read: the file's absence is all there is to say.
    }
    const ui::StringTables& t = m_w.m_tables;
    if (!listId) {
        m_w.showMessage(t.message(ui::Msg::listFileMissing).arg(path), UserDialogs::Icon::Error);
        return;
    }
    if (m_w.m_dialogs->question(&m_w, t.message(ui::Msg::questionTitle),
                                t.message(ui::Msg::listFileMissingOffered).arg(path),
                                false) == UserDialogs::Answer::Yes)
        browseOffline(listId, ord);
}

} // namespace kx
