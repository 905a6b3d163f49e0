// The main window's searches, the filtered-search window and the summary window.
#include "browser/gui/searchcontroller.h"

#include "browser/gui/filterform.h"
#include "browser/gui/infofileform.h"
#include "browser/gui/maskform.h"
#include "browser/gui/navigationcontroller.h"
#include "browser/gui/summaryform.h"
#include "listfile/codepage.h"
#include "listfile/exactname.h"
#include "query/filter.h"

#include <QDir>

namespace kx {

// ---------------------------------------------------------------- search

void SearchController::searchClick() {
    if (!m_w.root()) {
        m_w.showMessage(m_w.m_tables.message(ui::Msg::listEmpty));
        return;
    }
    TMaskForm* form = m_w.maskForm();
    form->applyTexts(m_w.m_tables);
    if (m_w.m_dialogs->execDialog(*form) != QDialog::Accepted) return;
    searchFor(form->mask());
}

void SearchController::searchAgainClick() {
    if (!m_w.root() || m_lastMask.isEmpty()) {
        searchClick();
        return;
    }
    searchFor(m_lastMask);
}

void SearchController::searchFor(const QString& maskText) {
    m_lastMask = maskText;
    // A character that the code page cannot store is in no name there, only in exact names.
    EntryFilter filter;
    filter.setMaskText(maskText.toStdString());
    const Entry* root = m_w.root();
    runSearch([root, filter] { return searchFiltered(root, filter); });
}

void SearchController::runSearch(std::function<SearchResults()> find,
                                 std::function<void(std::size_t)> then) {
    m_w.m_model->clear();
    m_w.runBehindPanel(m_w.m_tables.caption(ui::Cap::searchingData), &m_w, std::move(find),
                       [this, then](auto& outcome) {
                           SearchResults results = std::move(outcome.get());
                           const std::size_t found = results.entries.size();
                           m_w.m_navigationCtl->applyMove(m_w.m_nav.showSearch(std::move(results)));
                           if (then) then(found);
                       });
}

// ---------------------------------------------------------------- the filtered search

TFilterForm* SearchController::filterForm() {
    if (!m_filterForm) {
        m_filterForm = new TFilterForm(&m_w);
        m_filterForm->setFindHandler([this] { m_w.guarded([&] { filterFindClick(); }); });
    }
    return m_filterForm;
}

bool SearchController::showBeside(QDialog* form) {
    if (!m_w.root()) {
        m_w.showMessage(m_w.m_tables.message(ui::Msg::listEmpty));
        return false;
    }
    form->show();
    form->raise();
    form->activateWindow();
    return true;
}

bool SearchController::readFilterOf(const FilterFields& form, EntryFilter& filter, bool& storable) {
    QString problem;
    if (form.readFilter(filter, storable, problem)) return true;
    m_w.showMessage(problem, UserDialogs::Icon::Error);
    return false;
}

void SearchController::filteredSearchClick() {
    filterForm()->applyTexts(m_w.m_tables);
    showBeside(m_filterForm);
}

void SearchController::filterFindClick() {
    if (!m_w.root()) {
        m_w.showMessage(m_w.m_tables.message(ui::Msg::listEmpty));
        return;
    }
    EntryFilter filter;
    bool storable = true;
    if (!readFilterOf(*m_filterForm->fields, filter, storable)) return;
    // A mask that the code page cannot store is in no name or comment there (the filter knows).
    const Entry* root = m_w.root();
    runSearch([root, filter] { return searchFiltered(root, filter); },
              [this](std::size_t found) { m_filterForm->fields->setFoundCount(found); });
}

// ---------------------------------------------------------------- summary

TSummaryForm* SearchController::summaryForm() {
    if (!m_summaryForm) m_summaryForm = new TSummaryForm(&m_w);
    return m_summaryForm;
}

void SearchController::summaryClick() {
    summaryForm()->applyTexts(m_w.m_tables);
    if (showBeside(m_summaryForm)) updateSummary();
}

void SearchController::applyTexts() {
    if (m_filterForm) m_filterForm->applyTexts(m_w.m_tables);
    if (m_summaryForm) m_summaryForm->applyTexts(m_w.m_tables);
}

void SearchController::forgetSummaries() {
    m_allSummary.reset();
    m_shownSummary.reset();
}

void SearchController::listChanged() {
    forgetSummaries();
    updateSummary();
}

void SearchController::updateSummary() {
    if (!m_summaryForm || !m_summaryForm->isVisible()) return;
    const Entry* root = m_w.root();
    if (!m_allSummary) m_allSummary = summarizeBelow(root);
    const Entry* shown = m_w.m_nav.shown();
    if (!shown) {
        // The search results: the rows themselves.
        m_shownSummary = summarize(m_w.m_model->rowEntries());
    } else if (!m_shownSummary || m_summaryShown != shown) {
        m_shownSummary = shown == root ? *m_allSummary : summarizeBelow(shown);
    }
    m_summaryShown = shown;
    // A selected folder counts with everything below it.
    const Summary selected = summarizeWithin(selectedEntries(
        m_w.m_model->rowEntries(), m_w.m_navigationCtl->selectedListRows(), m_w.hasUpRow(), false));
    m_summaryForm->showFigures(QDir::toNativeSeparators(m_w.m_listFilePath),
                               fromAnsi(m_w.headerText()), root ? nameText(*root) : QString(),
                               *m_allSummary, *m_shownSummary, selected);
}

} // namespace kx
