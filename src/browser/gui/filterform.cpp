// The filtered-search window.
#include "browser/gui/filterform.h"

#include "support/strings.h"

namespace kx {

namespace {
constexpr int rowTitle = 34; // the captions table's title of this window
} // namespace

void TFilterForm::applyTexts(const ui::StringTables& t) {
    setWindowTitle(t.caption(rowTitle));
    fields->applyTexts(t);
}

} // namespace kx
