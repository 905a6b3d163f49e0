// The filtered-search window: the filter fields; Find lists the entries that pass in the main
// window, and the window shows how many were found.
#pragma once

#include "query/gui/filterfields.h"

namespace kx {
namespace ui {
struct StringTables;
}

class TFilterForm : public FilterWindow {
    Q_OBJECT
public:
    explicit TFilterForm(QWidget* parent) : FilterWindow(parent) {}

    // The texts of the captions table. The tables must outlive the window.
    void applyTexts(const ui::StringTables& t);
};

} // namespace kx
