// What kxtool writes: cells and rows on standard output, and the one sentence of a failure on
// standard error.
#pragma once

#include "listfile/entry.h"
#include "output/exportfile.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace kxtool {

// UTF-8 text on one line: a backslash is doubled, TAB, LF and CR become \t, \n and \r, and every
// other control character (U+0000-U+001F, U+007F-U+009F) becomes \xHH with its code, so that no
// cell breaks a row and nothing reaches the terminal as a control sequence. Reading \xHH back as
// the character U+00HH undoes it. Bytes that are not UTF-8 (a file name) are kept as they are.
std::string escaped(std::string_view utf8);

// Text in the list's code page as a cell.
std::string ansiCell(std::string_view ansi);

// A row of the detail list: caption, size, created, changed, attributes, comment (and mark).
void printRow(const kx::Entry* e, const std::string& caption, bool marks);

// The English sentence that tells a failure: the library's error by its code, path, system error
// and detail (the catalogue's and the exports' as they say).
std::string sentenceOf(const std::exception& e);

// "kxtool: " and the sentence, escaped, on standard error.
void printMessage(const std::string& sentence);

} // namespace kxtool
