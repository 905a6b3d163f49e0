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
// Size column text for any size: "0" for an empty entry.
std::string sizeCell(std::uint64_t bytes);
// One letter per set attribute bit in the order R H S V A T C E; "----" when none is set.
std::string attributeLetters(std::uint8_t attributes);
// A stored text as its cell shows it: "----" when empty.
std::string textOrDashes(std::string_view s);

// A folder path is the root's name + "*", then each folder name + "*". Its disk path has every
// "*" turned into "\" and the first "\\" reduced to one "\" (the root's name often ends in "\").
std::string diskPath(std::string_view folderPath);

} // namespace kx
