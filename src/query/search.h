// The search by mask: every Entry below the root whose name contains a text, ignoring case.
#pragma once

#include "listfile/entry.h"
#include "query/belowroot.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kx {

// Found Entries and the search base. A result's path is made when it is asked for (resultPath):
// stored for every result, paths would grow with the depth of the tree times the number found.
struct SearchResults {
    std::vector<Entry*> entries;
    std::string base;
};

// The root's name without one trailing "\" (when not empty).
std::string searchBase(std::string_view rootName);

// Walks every Entry below the root in pre-order (the root itself is never a result) and keeps
// those whose name, upper-cased by the list's code page, contains the upper-cased mask. A
// leading "*" of the mask is removed; any other character, any other "*" included, is literal,
// and an empty mask matches nothing. Folders are then brought to the front: each file at position i
// is exchanged with the first folder after it (F1 D1 F2 D2 gives D1 D2 F2 F1). maskAnsi is the mask
// in the list's 8-bit code page. A null root gives no results. searchFiltered (browser/filter.h)
// does the same with conditions on marks, comments and sizes.
// An Entry with an exact name (listfile/exactname.h) is matched by that name, upper-cased by
// Unicode, against `typedMask` (UTF-8; when empty, the code-page mask read as text); when the
// code page cannot hold the typed mask (!fitsCodePage), only exact names can match it.
SearchResults searchByMask(const Entry* root, std::string_view maskAnsi,
                           std::string_view typedMask = {}, bool fitsCodePage = true);

// The mask exact names are matched against: the typed mask, or else the code-page mask as
// UTF-8; a containment mask without its leading "*".
std::string exactMaskOf(std::string_view typedMask, std::string_view maskAnsi, bool glob);

// A name or mask (UTF-8) upper-cased by Unicode, as exact names are matched, back in UTF-8; bytes
// that are no UTF-8 come out as U+FFFD.
std::string unicodeUpper(std::string_view utf8);

// The path of result i: base + "\" + the folder names from the root down, each + "\", ending
// with the Entry's own name.
std::string resultPath(const SearchResults& r, std::size_t i);

// The caption of result row i: its path without the base and the "\" after it (its
// captionBelowRoot, belowroot.h).
std::string resultCaption(const SearchResults& r, std::size_t i,
                          NameForm form = NameForm::codePage);

} // namespace kx
