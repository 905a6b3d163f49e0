// Upper-casing by the list's code page (Windows-1251): Latin and Cyrillic letters, ё to Ё and
// the other letters of the upper half included, one byte at a time through a table. Every
// comparison that ignores case (search, sorting, the catalogue's index) folds with it.
#pragma once

#include <string>
#include <string_view>

namespace kx {

unsigned char ansiUpper(unsigned char c);
// The whole 256-byte table, for loops that upper-case many names.
const unsigned char* ansiUpperTable();
// A copy of the text, upper-cased.
std::string upperCased(std::string_view text);

} // namespace kx
