// The main window's handlers that pass on to its controllers, and the state they answer.
#include "browser/gui/infofileform.h"

#include "browser/gui/catalogcontroller.h"
#include "browser/gui/documentcontroller.h"
#include "browser/gui/exportcontroller.h"
#include "browser/gui/navigationcontroller.h"
#include "browser/gui/searchcontroller.h"
#include "browser/gui/spacecontroller.h"

namespace kx {

// ---- document ----
bool TInfoFileForm::openFromCommandLine() const {
    return m_documentCtl->openFromCommandLine();
}
bool TInfoFileForm::FormCloseQuery() {
    return m_documentCtl->closeQuery();
}
void TInfoFileForm::spbtOpenClick(QWidget* initiator) {
    m_documentCtl->open(initiator);
}
bool TInfoFileForm::spbtSaveClick(QWidget* /*initiator*/) {
    return m_documentCtl->save();
}
bool TInfoFileForm::openDroppedFiles(const QStringList& paths) {
    return m_documentCtl->openDropped(paths);
}

// ---- navigation ----
const Entry* TInfoFileForm::selectedNode() const {
    return m_navigationCtl->selectedNode();
}
std::vector<int> TInfoFileForm::selectedRows() const {
    return m_navigationCtl->selectedRows();
}
int TInfoFileForm::firstSelectedRow() const {
    return m_navigationCtl->firstSelectedRow();
}
void TInfoFileForm::showFolder(const Entry* folder) {
    m_navigationCtl->showFolder(folder);
}
void TInfoFileForm::showSearchResults() {
    m_navigationCtl->showSearchResults();
}
void TInfoFileForm::tvTreeOfFileClick() {
    m_navigationCtl->treeClick();
}
void TInfoFileForm::tvTreeOfFileKeyMove() {
    m_navigationCtl->treeKeyMove();
}
void TInfoFileForm::tvTreeOfFileMouseUp(const QPoint& viewportPos) {
    m_navigationCtl->treeMouseUp(viewportPos);
}
void TInfoFileForm::lvInfoDblClick() {
    m_navigationCtl->rowActivated();
}
void TInfoFileForm::lvInfoKeyDown(int key) {
    m_navigationCtl->rowKey(key);
}
void TInfoFileForm::lvInfoChange() {
    m_navigationCtl->rowSelectionChanged();
}
void TInfoFileForm::lvInfoColumnClick(int column) {
    m_navigationCtl->columnClick(column);
}
void TInfoFileForm::spbtBackClick() {
    m_navigationCtl->back();
}
void TInfoFileForm::spbtForwardClick() {
    m_navigationCtl->forward();
}
void TInfoFileForm::spbtUpClick() {
    m_navigationCtl->up();
}
void TInfoFileForm::prepareForOpen() {
    m_navigationCtl->prepareForOpen();
}
void TInfoFileForm::updateForwardHint() {
    m_navigationCtl->updateForwardHint();
}

// ---- search and the windows beside ----
void TInfoFileForm::spbtSearchClick() {
    m_searchCtl->searchClick();
}
void TInfoFileForm::searchAgainClick() {
    m_searchCtl->searchAgainClick();
}
void TInfoFileForm::filteredSearchClick() {
    m_searchCtl->filteredSearchClick();
}
void TInfoFileForm::filterFindClick() {
    m_searchCtl->filterFindClick();
}
TFilterForm* TInfoFileForm::filterForm() {
    return m_searchCtl->filterForm();
}
void TInfoFileForm::summaryClick() {
    m_searchCtl->summaryClick();
}
TSummaryForm* TInfoFileForm::summaryForm() {
    return m_searchCtl->summaryForm();
}

// ---- where the space goes ----
void TInfoFileForm::treemapClick() {
    m_spaceCtl->showClick(TSpaceForm::treemapTab);
}
void TInfoFileForm::typesClick() {
    m_spaceCtl->showClick(TSpaceForm::typesTab);
}
void TInfoFileForm::largestClick() {
    m_spaceCtl->showClick(TSpaceForm::largestTab);
}
TSpaceForm* TInfoFileForm::spaceForm() {
    return m_spaceCtl->spaceForm();
}
TSpaceForm* TInfoFileForm::catalogueSpaceForm() {
    return m_spaceCtl->catalogueForm();
}

// ---- catalogue ----
void TInfoFileForm::catalogClick() {
    m_catalogCtl->catalogClick();
}
void TInfoFileForm::catalogFindClick() {
    m_catalogCtl->findClick();
}
TCatalogForm* TInfoFileForm::catalogForm() {
    return m_catalogCtl->catalogForm();
}
void TInfoFileForm::catalogOpenRow(const CatalogRow& row) {
    m_catalogCtl->openRow(row);
}
void TInfoFileForm::catalogOpenList(const std::string& listPath, std::uint32_t ord) {
    m_catalogCtl->openList(listPath, ord);
}

// ---- export and print ----
void TInfoFileForm::mmSaveTextClick() {
    m_exportCtl->saveTextClick();
}
void TInfoFileForm::mmSaveCsvClick() {
    m_exportCtl->saveCsvClick();
}
void TInfoFileForm::mmPrintClick() {
    m_exportCtl->printClick();
}

} // namespace kx
