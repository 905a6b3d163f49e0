// The cells of a detail-list row and the folder paths that name a shown folder.
#pragma once

#include "listfile/entry.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kx {

// Size column text for a non-zero size: kilobytes rounded halves-to-even, at least 1, plain
// digits without grouping.
std::string formatSizeKb(std::uint64_t bytes);
// Size column text for any stored size: the value divided by 1024 and rounded halves-to-even,
// computed exactly whatever its magnitude. Zero (either sign) shows "0"; any other value shows
// at least "1" or at most "-1", so a non-empty size never reads as empty; negative values carry
// a "-"; infinity and NaN show "----".
std::string sizeCell(const ExtendedFloat& size);
// The same for a whole byte count.
std::string sizeCell(std::uint64_t bytes);
// A stored size in bytes: the value rounded halves-to-even to a whole number, exactly whatever its
// magnitude, at least "1" or at most "-1" when not zero, "-" in front of negative values; empty
// for infinity and NaN.
std::string sizeBytes(const ExtendedFloat& size);
// One letter per set attribute bit, in bit order: R read-only, H hidden, S system, V volume
// label, A archive, T temporary, C compressed, E damaged; empty when none is set.
std::string attributeFlags(std::uint8_t attributes);
// The attributes cell: attributeFlags, or "----" when none is set.
std::string attributeLetters(std::uint8_t attributes);
// A stored text as its cell shows it: "----" when empty.
std::string textOrDashes(std::string_view s);

} // namespace kx
