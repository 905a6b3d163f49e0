// The main window's commands: marks, comments, search, text export, printing and the about
// window.
#include "browser/gui/infofileform.h"

#include "browser/gui/commentform.h"
#include "browser/gui/filterform.h"
#include "browser/gui/maskform.h"
#include "browser/gui/summaryform.h"
#include "listfile/codepage.h"
#include "output/csvexport.h"
#include "output/printing.h"
#include "output/textexport.h"
#include "support/gui/aboutform.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QToolButton>
#include <QTreeView>

namespace kx {

namespace {
// A print of more pages first says how many and asks.
constexpr int kPagesPrintedWithoutAsking = 50;
} // namespace

// ---------------------------------------------------------------- marks and comments

void TInfoFileForm::applyMarkCommand(MarkCommand cmd) {
    if (!m_doc) return;
    // The rows of the folder shown: the Entries behind them, whatever their names, in the list's
    // own order however the rows are sorted.
    m_doc->mark(
        selectedEntries(m_model->rowEntries(), selectedListRows(), m_model->hasUpRow(), false),
        cmd);
}

void TInfoFileForm::N1Click() {
    applyMarkCommand(MarkCommand::Needed);
}

void TInfoFileForm::N2Click() {
    applyMarkCommand(MarkCommand::NotNeeded);
}

void TInfoFileForm::N6Click() {
    applyMarkCommand(MarkCommand::Clear);
}

bool TInfoFileForm::lvInfoContextPopup() {
    const QList<QAction*> items = {N1, N2, N8, pupComment};
    for (QAction* a : items)
        a->setVisible(true);
    const int first = firstSelectedRow();
    bool offer = true;
    if (first < 0) {
        showMessage(m_tables.message(ui::Msg::nothingSelected));
        offer = false;
    } else if (m_model->isUpRow(first)) {
        offer = false;
    }
    if (!offer) {
        for (QAction* a : items)
            a->setVisible(false);
        return false;
    }
    if (m_doc) m_doc->setModified(true);
    return true;
}

void TInfoFileForm::spbtCommentClick() {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        showMessage(m_tables.message(ui::Msg::selectToComment));
        return;
    }
    if (rows.size() > 1) {
        showMessage(m_tables.message(ui::Msg::selectedMoreThanOne));
        return;
    }
    const int row = rows.front();
    Entry* e = m_model->entryAt(row);
    if (!e) return;
    TCommentForm* form = commentForm();
    form->setMessenger([this](const QString& text) { showMessage(text); });
    form->prepare(m_tables, fromAnsi(e->comment()), e->kind(), m_model->caption(row));
    if (m_dialogs->execDialog(*form) != QDialog::Accepted) return;
    bool ok = true;
    const std::string ansi = toAnsi(form->buffer(), &ok);
    if (!ok) {
        showMessage(m_tables.message(ui::Msg::commentNotStorable));
        return;
    }
    m_doc->setComment(e, ansi);
}

void TInfoFileForm::undoClick() {
    if (m_doc) m_doc->undo();
}

void TInfoFileForm::redoClick() {
    if (m_doc) m_doc->redo();
}

void TInfoFileForm::copyPathsClick() {
    QStringList paths;
    for (int row : selectedRows())
        if (m_model->entryAt(row)) paths << fromAnsi(m_model->rowDiskPath(row));
    if (!paths.isEmpty()) QGuiApplication::clipboard()->setText(paths.join(QLatin1Char('\n')));
}

// ---------------------------------------------------------------- search

void TInfoFileForm::spbtSearchClick() {
    if (!root()) {
        showMessage(m_tables.message(ui::Msg::listEmpty));
        return;
    }
    TMaskForm* form = maskForm();
    form->applyTexts(m_tables);
    if (m_dialogs->execDialog(*form) != QDialog::Accepted) return;
    searchFor(form->mask());
}

void TInfoFileForm::searchAgainClick() {
    if (!root() || m_lastMask.isEmpty()) {
        spbtSearchClick();
        return;
    }
    searchFor(m_lastMask);
}

void TInfoFileForm::searchFor(const QString& maskText) {
    m_lastMask = maskText;
    // A character that the code page cannot store is in no name, so such a mask finds nothing
    // (converted, it would turn into a "?" that names may hold).
    bool storable = true;
    const std::string mask = toAnsi(maskText, &storable);
    m_initiator = spbtSearch;
    runSearch([&] { return searchByMask(root(), storable ? mask : std::string()); });
}

std::size_t TInfoFileForm::runSearch(const std::function<SearchResults()>& find) {
    ui::TOpenSaveForm busy(this, m_tables.caption(ui::Cap::searchingData));
    busy.showAndPaint();
    setEnabled(false);
    m_model->clear();
    SearchResults results;
    try {
        results = find();
    } catch (...) {
        busy.close();
        setEnabled(true);
        throw;
    }
    busy.close();
    setEnabled(true);
    const std::size_t found = results.entries.size();
    applyMove(m_nav.showSearch(std::move(results)));
    return found;
}

TFilterForm* TInfoFileForm::filterForm() {
    if (!m_filterForm) {
        m_filterForm = new TFilterForm(this);
        m_filterForm->setFindHandler([this] { guarded([&] { filterFindClick(); }); });
    }
    return m_filterForm;
}

bool TInfoFileForm::showBeside(QDialog* form) {
    if (!root()) {
        showMessage(m_tables.message(ui::Msg::listEmpty));
        return false;
    }
    form->show();
    form->raise();
    form->activateWindow();
    return true;
}

bool TInfoFileForm::readFilterOf(const FilterFields& form, EntryFilter& filter, bool& storable) {
    QString problem;
    if (form.readFilter(filter, storable, problem)) return true;
    showMessage(problem, UserDialogs::Icon::Error);
    return false;
}

void TInfoFileForm::filteredSearchClick() {
    filterForm()->applyTexts(m_tables);
    showBeside(m_filterForm);
}

void TInfoFileForm::filterFindClick() {
    if (!root()) {
        showMessage(m_tables.message(ui::Msg::listEmpty));
        return;
    }
    EntryFilter filter;
    bool storable = true;
    if (!readFilterOf(*m_filterForm->fields, filter, storable)) return;
    // A mask that the code page cannot store is in no name or comment.
    const std::size_t found = runSearch([&] {
        return storable ? searchFiltered(root(), filter) : SearchResults{{}, {}};
    });
    m_filterForm->fields->setFoundCount(found);
}

// ---------------------------------------------------------------- summary

TSummaryForm* TInfoFileForm::summaryForm() {
    if (!m_summaryForm) m_summaryForm = new TSummaryForm(this);
    return m_summaryForm;
}

void TInfoFileForm::summaryClick() {
    summaryForm()->applyTexts(m_tables);
    if (showBeside(m_summaryForm)) updateSummary();
}

void TInfoFileForm::listChangedForSummary() {
    m_allSummary.reset();
    m_shownSummary.reset();
    updateSummary();
}

void TInfoFileForm::updateSummary() {
    if (!m_summaryForm || !m_summaryForm->isVisible()) return;
    if (!m_allSummary) m_allSummary = summarizeBelow(root());
    const Entry* shown = m_nav.shown();
    if (!shown) {
        // The search results: the rows themselves.
        m_shownSummary = summarize(m_model->rowEntries());
    } else if (!m_shownSummary || m_summaryShown != shown) {
        m_shownSummary = shown == root() ? *m_allSummary : summarizeBelow(shown);
    }
    m_summaryShown = shown;
    const Summary selected = summarize(
        selectedEntries(m_model->rowEntries(), selectedListRows(), m_model->hasUpRow(), false));
    m_summaryForm->showFigures(QDir::toNativeSeparators(m_listFilePath), fromAnsi(headerText()),
                               root() ? fromAnsi(root()->name()) : QString(), *m_allSummary,
                               *m_shownSummary, selected);
}

// ---------------------------------------------------------------- export, print, about

QString TInfoFileForm::chooseExportFile(const QString& title, const QString& filter,
                                        const QString& extension) {
    const QString proposedName = out::proposedExportName(
        m_folders->data(m_folders->indexOf(rootNode()), Qt::DisplayRole).toString(), extension);
    const QString proposed = QFileInfo(m_listFilePath).dir().filePath(proposedName);
    QString chosen = m_dialogs->getSaveFileName(this, title, proposed, qtFileFilter(filter));
    if (chosen.isEmpty()) return chosen;
    chosen = out::withTxtExtension(chosen, extension);
    if (QFileInfo::exists(chosen) &&
        m_dialogs->question(this, m_tables.message(ui::Msg::questionTitle),
                            m_tables.message(ui::Msg::replaceFile),
                            false) != UserDialogs::Answer::Yes)
        return QString();
    return chosen;
}

void TInfoFileForm::mmSaveTextClick() {
    if (!root()) {
        showMessage(m_tables.message(ui::Msg::nothingToExport));
        return;
    }
    if (m_nav.searchMode()) return;
    const QString chosen = chooseExportFile(m_tables.caption(ui::Cap::exportTextTitle),
                                            QStringLiteral("*.TXT|*.txt"), QStringLiteral("txt"));
    if (chosen.isEmpty()) return;
    const Progress progress = m_progress.callback();
    runAndTell(m_tables.message(ui::Msg::exportTextProgress),
               [&] { out::exportToFile(root(), chosen, progress, m_listFilePath); });
}

void TInfoFileForm::mmSaveCsvClick() {
    if (!root()) {
        showMessage(m_tables.message(ui::Msg::nothingToExport));
        return;
    }
    const int which = m_dialogs->choose(
        this, m_tables.caption(ui::Cap::exportCsvTitle), m_tables.message(ui::Msg::csvWhichRows),
        {m_tables.caption(ui::Cap::shownRows), m_tables.caption(ui::Cap::wholeList),
         m_tables.caption(ui::Cap::cancelDialog)});
    if (which != 0 && which != 1) return;
    const QString chosen =
        chooseExportFile(m_tables.caption(ui::Cap::exportCsvTitle),
                         m_tables.caption(ui::Cap::csvFileFilter), QStringLiteral("csv"));
    if (chosen.isEmpty()) return;
    const Progress progress = m_progress.callback();
    if (which == 0) {
        // The rows as they are shown: sorted when sorted, the ".." row left out.
        const std::vector<Entry*> rows = m_model->shownEntries();
        runAndTell(m_tables.message(ui::Msg::exportCsvProgress),
                   [&] { out::exportCsvRowsToFile(rows, chosen, progress, m_listFilePath); });
    } else {
        runAndTell(m_tables.message(ui::Msg::exportCsvProgress), [&] {
            out::exportCsvToFile(root(), EntryFilter(), chosen, progress, m_listFilePath);
        });
    }
}

void TInfoFileForm::mmPrintClick() {
    if (!root()) {
        showMessage(m_tables.message(ui::Msg::nothingToPrint));
        return;
    }
    if (m_nav.searchMode()) return;
    if (!m_dialogs->hasDefaultPrinter()) {
        showMessage(m_tables.message(ui::Msg::noDefaultPrinter), UserDialogs::Icon::Error);
        return;
    }
    // The lines are gathered and measured on the printer away from this thread.
    std::vector<Entry*> entries = m_model->rowEntries();
    QStringList lines;
    int pages = 0;
    setEnabled(false);
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    try {
        runInBackground([&] {
            lines =
                out::collectPrintLines(ChildList(entries.data(), std::uint32_t(entries.size())));
            if (!lines.isEmpty()) pages = m_dialogs->pageCountOnDefaultPrinter(lines);
        });
    } catch (...) {
        QGuiApplication::restoreOverrideCursor();
        setEnabled(true);
        throw;
    }
    QGuiApplication::restoreOverrideCursor();
    setEnabled(true);
    if (lines.isEmpty()) {
        showMessage(m_tables.message(ui::Msg::noFilesToPrint));
        return;
    }
    if (pages > kPagesPrintedWithoutAsking &&
        m_dialogs->question(this, m_tables.message(ui::Msg::questionTitle),
                            m_tables.message(ui::Msg::printPagesQuestion).arg(pages),
                            false) != UserDialogs::Answer::Yes)
        return;

    // A cancelled job prints nothing and needs no word; a refused one is reported.
    const Progress progress = m_progress.callback();
    runAndTell(m_tables.message(ui::Msg::printProgress),
               [&] { m_dialogs->printOnDefaultPrinter(lines, ui::applicationTitle(), progress); });
}

void TInfoFileForm::spbtAboutClick() {
    ui::TAboutForm* about = aboutForm();
    about->setUrlOpener([this](const QUrl& url) { return m_dialogs->openUrl(url); });
    about->setMessageBox([this](const QString& title, const QString& text) {
        m_dialogs->message(this, UserDialogs::Icon::None, title, text);
    });
    m_dialogs->execDialog(*about);
}

void TInfoFileForm::spbtLinkBrelvikClick() {
    ui::openWebAddress(
        this, m_tables.aboutText(ui::About::homeAddress), m_tables,
        [this](const QUrl& url) { return m_dialogs->openUrl(url); },
        [this](const QString& title, const QString& text) {
            m_dialogs->message(this, UserDialogs::Icon::None, title, text);
        });
}

} // namespace kx
