// The main window's searches and the windows beside it: the mask search and F3, the filtered
// search window, and the summary window kept up to date while it is open.
#pragma once

#include "query/search.h"
#include "query/summary.h"

#include <QString>

#include <cstddef>
#include <functional>
#include <optional>

class QDialog;

namespace kx {

class Entry;
class FilterFields;
class TFilterForm;
class TInfoFileForm;
class TSummaryForm;
struct EntryFilter;

class SearchController {
public:
    explicit SearchController(TInfoFileForm& window) : m_w(window) {}

    void searchClick();
    void searchAgainClick();
    void filteredSearchClick();
    void filterFindClick();
    TFilterForm* filterForm();
    void summaryClick();
    TSummaryForm* summaryForm();
    void applyTexts();

    // What a filter window asks for; false, once a bad value has been told, when it asks for none.
    bool readFilterOf(const FilterFields& form, EntryFilter& filter, bool& storable);
    // Refills the summary window when it is open. The totals of the whole list and of the shown
    // folder are walked again only after a change of the list or of the folder shown.
    void updateSummary();
    void listChanged();
    void forgetSummaries();

private:
    void searchFor(const QString& mask);
    // Runs a search behind the busy panel and shows its results; `then` is told how many were
    // found.
    void runSearch(std::function<SearchResults()> find, std::function<void(std::size_t)> then = {});
    // Shows a window that stays open beside the main one; without a list, says so instead.
    bool showBeside(QDialog* form);

    TInfoFileForm& m_w;
    QString m_lastMask; // the mask of the last search, for F3
    TFilterForm* m_filterForm = nullptr;
    TSummaryForm* m_summaryForm = nullptr;
    std::optional<Summary> m_allSummary, m_shownSummary;
    const Entry* m_summaryShown = nullptr; // the folder m_shownSummary is of
};

} // namespace kx
