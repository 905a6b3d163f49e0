// The filtered-search window.
#include "browser/gui/filterform.h"

#include "support/strings.h"

namespace kx {

void TFilterForm::applyTexts(const ui::StringTables& t) {
    setWindowTitle(t.caption(ui::Cap::filterTitle));
    fields->applyTexts(t);
}

} // namespace kx
