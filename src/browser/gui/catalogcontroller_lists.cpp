// The catalogue window's lists: showing them with the state of their files, editing a label or a
// note, and the commands that add, refresh, remove, browse and open them.
#include "browser/gui/catalogcontroller.h"

#include "browser/gui/documentcontroller.h"
#include "browser/gui/infofileform.h"
#include "browser/gui/spacecontroller.h"

#include "catalog/catalog.h"
#include "catalog/gui/catalogform.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>

namespace kx {

namespace {
// The share of the progress bar each list takes.
constexpr std::uint64_t kListPart = 1000;

// The lists that failed, one line each.
struct ListsOutcome {
    std::vector<Error> failures;
};
} // namespace

QString CatalogController::failureText(const Error& e) const {
    return m_w.m_documentCtl->errorWithPath(e);
}

QString CatalogController::unusableText(const Error& e) const {
    return m_w.m_tables.message(ui::Msg::catalogueUnusable).arg(failureText(e));
}

void CatalogController::tellUnusable(const Error& e) {
    m_w.showMessage(unusableText(e), UserDialogs::Icon::Error);
}

void CatalogController::connectListCommands() {
    TCatalogForm* f = m_catalogForm.get();
    const auto command = [this](QPushButton* button, void (CatalogController::*run)()) {
        QObject::connect(button, &QPushButton::clicked, m_catalogForm.get(),
                         [this, run] { m_w.guarded([&] { (this->*run)(); }); });
    };
    command(f->btAdd, &CatalogController::addClick);
    command(f->btAddFolder, &CatalogController::addFolderClick);
    command(f->btRefresh, &CatalogController::refreshClick);
    command(f->btRemove, &CatalogController::removeClick);
    command(f->btBrowse, &CatalogController::browseClick);
    command(f->btOpen, &CatalogController::openClick);
    command(f->btSpace, &CatalogController::spaceClick);
    command(f->btSpaceAll, &CatalogController::spaceAllClick);
    QObject::connect(f, &TCatalogForm::pathsDropped, f,
                     [this](const QStringList& paths) { m_w.guarded([&] { addPaths(paths); }); });
    f->lists->setEditHandler(
        [this](std::int64_t id, CatalogListsModel::Column c, const std::string& text) {
            return saveListText(id, c == CatalogListsModel::note, text);
        });
}

void CatalogController::showLists() {
    try {
        const auto catalog =
            catalog::Catalog::open(catalog::defaultCatalogPath(), catalog::OpenMode::existing);
        std::vector<CatalogList> lists;
        for (catalog::ListRecord& r : catalog->lists()) {
            const catalog::ListFileState state = catalog->fileState(r);
            lists.push_back({std::move(r), state});
        }
        m_catalogForm->setLists(std::move(lists));
    } catch (const Error& e) {
        m_catalogForm->setNoCatalogue();
        if (e.code() == ErrorCode::catalogueMissing) return; // none yet, and none is made here
        // Told in the window: its search says it again, as a message, when asked.
        m_catalogForm->lblLists->setText(unusableText(e));
    }
}

bool CatalogController::saveListText(std::int64_t id, bool note, const std::string& utf8) {
    bool saved = false;
    m_w.guarded([&] {
        const auto catalog =
            catalog::Catalog::open(catalog::defaultCatalogPath(), catalog::OpenMode::existing);
        if (note)
            catalog->setNote(id, utf8);
        else
            catalog->setLabel(id, utf8);
        saved = true;
    });
    return saved;
}

void CatalogController::addClick() {
    const QStringList files = m_w.m_dialogs->getOpenFileNames(
        m_catalogForm.get(), m_w.m_tables.caption(ui::Cap::addLists), QString(),
        qtFileFilter(m_w.m_tables.caption(ui::Cap::listFileFilter)));
    if (!files.isEmpty()) addPaths(files);
}

void CatalogController::addFolderClick() {
    const QString folder = m_w.m_dialogs->getExistingDirectory(
        m_catalogForm.get(), m_w.m_tables.message(ui::Msg::chooseListFolder), QDir::homePath());
    if (!folder.isEmpty()) addPaths({folder});
}

void CatalogController::addPaths(const QStringList& paths) {
    std::vector<std::string> local;
    for (const QString& p : paths)
        local.push_back(QFile::encodeName(p).toStdString());
    runListsJob(m_w.m_tables.message(ui::Msg::addingLists), std::move(local), ListsWork::add);
}

void CatalogController::refreshClick() {
    std::vector<std::string> changed;
    for (const CatalogList& l : m_catalogForm->lists->lists())
        if (l.state == catalog::ListFileState::changed) changed.push_back(l.record.path);
    if (changed.empty()) {
        m_w.showMessage(m_w.m_tables.message(ui::Msg::nothingToRefresh),
                        UserDialogs::Icon::Information);
        return;
    }
    runListsJob(m_w.m_tables.message(ui::Msg::refreshingLists), std::move(changed),
                ListsWork::refresh);
}

void CatalogController::removeClick() {
    std::vector<std::string> chosen;
    for (const CatalogList& l : m_catalogForm->selectedLists())
        chosen.push_back(l.record.path);
    if (chosen.empty()) {
        m_w.showMessage(m_w.m_tables.message(ui::Msg::selectList), UserDialogs::Icon::Information);
        return;
    }
    const QString question = m_w.m_tables.message(ui::Msg::removeListsQuestion).arg(chosen.size());
    if (m_w.m_dialogs->question(m_catalogForm.get(), m_w.m_tables.message(ui::Msg::questionTitle),
                                question, false) != UserDialogs::Answer::Yes)
        return;
    runListsJob(m_w.m_tables.message(ui::Msg::removingLists), std::move(chosen), ListsWork::remove);
}

void CatalogController::browseClick() {
    if (const CatalogList* l = m_catalogForm->currentList())
        browseOffline(l->record.id, 0);
    else
        m_w.showMessage(m_w.m_tables.message(ui::Msg::selectList), UserDialogs::Icon::Information);
}

void CatalogController::spaceClick() {
    if (const CatalogList* l = m_catalogForm->currentList())
        browseOffline(l->record.id, 0, [this] { m_w.treemapClick(); });
    else
        m_w.showMessage(m_w.m_tables.message(ui::Msg::selectList), UserDialogs::Icon::Information);
}

void CatalogController::spaceAllClick() {
    m_w.m_spaceCtl->showCatalogue(m_catalogForm.get());
}

void CatalogController::openClick() {
    if (const CatalogList* l = m_catalogForm->currentList())
        openList(l->record.path, 0);
    else
        m_w.showMessage(m_w.m_tables.message(ui::Msg::selectList), UserDialogs::Icon::Information);
}

void CatalogController::runListsJob(QString caption, std::vector<std::string> paths,
                                    ListsWork work) {
    const std::string db = catalog::defaultCatalogPath();
    const bool remove = work == ListsWork::remove;
    // Only an add makes the catalogue; a refresh or a removal needs one.
    const auto mode =
        work == ListsWork::add ? catalog::OpenMode::create : catalog::OpenMode::existing;
    const Progress progress = m_w.m_progress.callback();
    m_w.runWithProgress(
        caption,
        [db, paths, remove, progress, mode, stop = stopOnAbort()] {
            ListsOutcome out;
            const auto catalog = catalog::Catalog::open(db, mode);
            catalog->stopWhen(stop);
            std::vector<std::string> lists;
            for (const std::string& p : paths) {
                if (remove) {
                    lists.push_back(p);
                    continue;
                }
                try {
                    for (std::string& l : catalog::listFilesAt(p))
                        lists.push_back(std::move(l));
                } catch (const Error& e) {
                    out.failures.push_back(e);
                }
            }
            const std::uint64_t total = lists.size() * kListPart;
            for (std::size_t i = 0; i < lists.size(); ++i) {
                const std::uint64_t before = i * kListPart;
                if (!goOn(progress, before, total)) break;
                // Each list takes an equal share of the bar.
                const Progress part = [&](std::uint64_t done, std::uint64_t all) {
                    return goOn(progress, before + (all ? done * kListPart / all : 0), total);
                };
                try {
                    if (remove)
                        catalog->remove(lists[i]);
                    else if (catalog->add(lists[i], part).outcome == catalog::AddOutcome::cancelled)
                        break;
                } catch (const Error& e) {
                    if (catalog->stopped()) break;
                    if (isCatalogueError(e.code())) throw; // no other list would fare better
                    out.failures.push_back(e);
                }
            }
            return out;
        },
        [this](bool cancelled, auto& outcome) {
            m_catalogForm->listsChanged();
            showLists();
            ListsOutcome* out = nullptr;
            try {
                out = &outcome.get();
            } catch (const Error& e) {
                if (!cancelled) tellUnusable(e); // a stopped query says nothing more
                return;
            }
            if (out->failures.empty()) return;
            QStringList lines;
            for (const Error& e : out->failures)
                lines << failureText(e);
            m_w.showMessage(m_w.m_tables.message(ui::Msg::listsNotAdded).arg(lines.join('\n')),
                            UserDialogs::Icon::Error);
        });
}

} // namespace kx
