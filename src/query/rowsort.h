// The order of the detail list's rows when the user sorts them by a column: names and texts
// folded by the list's code page, sizes and dates by value, the list's own order between equals.
// Only an order of the rows is made; the Entries and their children stay as they are.
#pragma once

#include "listfile/entry.h"
#include "query/size80.h"
#include "query/storeddate.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kx {

// The detail list's columns in their order there.
enum class SortColumn { Name, Size, Created, Changed, Attributes, Comment };

// The positions 0..n-1 of `rows` in ascending order of the column, the row with the lower
// position first among equals; descending gives exactly that order reversed.
// - Name: the name (or caption(i) when given: search results show a path), by its bytes upper-
//   cased by the code page; among rows of which any has an exact name (listfile/exactname.h),
//   every name as shown, upper-cased by Unicode, in code point order;
// - Size: compareSizes;
// - Created, Changed: dateValue; texts that are no date come first, among them by their bytes
//   upper-cased;
// - Attributes: the letters (attributeFlags, empty when none), upper-cased;
// - Comment: the stored comment (empty first), upper-cased.
std::vector<std::uint32_t>
sortedRowOrder(const std::vector<Entry*>& rows, SortColumn column, bool descending,
               const std::function<std::string(std::size_t)>& caption = {});

} // namespace kx
