// The main window and the catalogue: the "find in catalogue" window (Ctrl+Shift+K), the way from
// one of its rows to the Entry in its list, and the refresh of a catalogued list after a save.
// The catalogue is searched and refreshed on the window's job runner.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kx {

class TCatalogForm;
class TInfoFileForm;
struct CatalogRow;

class CatalogController {
public:
    explicit CatalogController(TInfoFileForm& window) : m_w(window) {}

    void catalogClick();
    void findClick();
    TCatalogForm* catalogForm();
    void openRow(const CatalogRow& row);
    // Shows a catalogued list in the main window from the catalogue alone, read-only, at the
    // Entry at `ord` of its walk as indexed (0: its root folder).
    void browseOffline(std::int64_t listId, std::uint32_t ord = 0);
    // Opens the list file (to mark and save) at `ord` when the file is there; says plainly when
    // it is not.
    void openList(const std::string& listPath, std::uint32_t ord = 0);
    void applyTexts();
    // After a save: a list that the catalogue holds is indexed again there, behind the progress
    // window; a failure is told, the save stands. `then` runs when that is done.
    void refreshCatalogue(std::function<void()> then);

private:
    void revealRow(const CatalogRow& row);

    TInfoFileForm& m_w;
    TCatalogForm* m_catalogForm = nullptr;
};

} // namespace kx
