// What kxtool writes: cells and rows on standard output, and the one sentence of a failure on
// standard error.
#pragma once

#include "listfile/entry.h"
#include "output/exportfile.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kxtool {

// Text on one line that is safe to show on a terminal, the one form of every cell, message and
// progress line kxtool prints: a backslash is doubled, TAB, LF and CR become \t, \n and \r, every
// other control character (U+0000-U+001F, U+007F-U+009F) becomes \xHH with its code, and a byte
// that is no part of a UTF-8 character (a file name in another encoding, a stray 0x9B) becomes
// \ooo, its value in three octal digits. Reading \xHH back as the character U+00HH and \ooo as
// the byte undoes it; what comes out is always UTF-8.
std::string escaped(std::string_view text);
// The same, appended to `out`.
void appendEscaped(std::string& out, std::string_view text);

// Text in the list's code page as a cell.
std::string ansiCell(std::string_view ansi);

// The cells of a detail-list row: the caption in UTF-8 (names as shown), the other texts in the
// list's code page.
struct RowCells {
    std::string_view caption;
    const std::uint8_t* size; // the record's ten bytes
    std::string_view created, changed;
    std::uint8_t attributes;
    std::string_view comment;
};

// Rows of the detail list on standard output through one large buffer: caption, size, created,
// changed, attributes, comment (and mark), each cell escaped (a text in the code page as ansiCell
// makes it). What is left is
// written when the writer goes.
class RowWriter {
public:
    RowWriter();
    ~RowWriter();
    RowWriter(const RowWriter&) = delete;
    RowWriter& operator=(const RowWriter&) = delete;
    // `caption` in UTF-8 (names as shown: an exact name where the record keeps one).
    void row(const kx::Entry* e, std::string_view caption, bool marks);
    // A row led by a cell already escaped (a list's path), or by none when `lead` is empty.
    void row(std::string_view lead, const RowCells& cells);
    // A row led by e's path below the root (names as shown, joined with "\"). Rows of a walk
    // share their folders' part of it with the row before: only what differs is made again.
    void pathRow(const kx::Entry* e, bool marks);
    void flush();

private:
    void entryRow(const kx::Entry* e, std::string_view escapedLead, bool marks);
    // The previous path row's chain below the root, and where each link's part of m_path ends.
    std::vector<const kx::Entry*> m_chain, m_links;
    std::vector<std::size_t> m_ends;
    std::string m_path;
    void ansi(std::string_view text);
    void ansiOrDashes(std::string_view text);
    void size(const std::uint8_t* tenBytes);
    std::string m_out;
};

// One row through a RowWriter of its own.
void printRow(const kx::Entry* e, const std::string& caption, bool marks);

// The English sentence that tells a failure: the library's error by its code, path, system error
// and detail (the catalogue's and the exports' as they say).
std::string sentenceOf(const std::exception& e);

// "kxtool: " and the sentence, escaped, on standard error.
void printMessage(const std::string& sentence);

// The same as a progress line that the next one writes over (led by a CR); the last one ends the
// line.
void printProgress(const std::string& text, bool last);

} // namespace kxtool
