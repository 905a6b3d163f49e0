// Where the window finds the words for an error: the row of the message table for each code.
#pragma once

#include "listfile/io/error.h"
#include "support/strings.h"

namespace kx {

// The row of the message table that tells what `code` means, in both languages. Every code has
// a row of its own meaning; `other` has the unexpected error's.
ui::Msg messageRowOf(ErrorCode code);

} // namespace kx
