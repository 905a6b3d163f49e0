// The string tables, built once for the support tests.
#pragma once

#include "support/strings.h"

namespace kxtest {
const kx::ui::StringTables& builtTables();
}
