// The string tables, built once for the support tests.
#include "tables_helpers.h"

namespace kxtest {

const kx::ui::StringTables& builtTables() {
    static const kx::ui::StringTables tables = [] {
        kx::ui::StringTables t;
        kx::ui::buildStringTables(t);
        return t;
    }();
    return tables;
}

} // namespace kxtest
