// CSV export: one row per Entry below the root, for spreadsheets, and writing it to a file.
#pragma once

#include "listfile/entry.h"
#include "listfile/innerlist.h"
#include "output/exportfile.h"
#include "query/belowroot.h"
#include "query/filter.h"

#include <QString>

#include <string>
#include <string_view>
#include <vector>

namespace kx::out {

// The first row of every CSV export.
inline constexpr std::string_view kCsvHeader =
    "path,kind,size,created,changed,attributes,mark,comment";

// Appends one text cell. A text that a spreadsheet would take for a formula (one that starts with
// "=", "+", "-", "@", TAB or CR) gets a "'" in front, so that it shows as text and never runs.
// Then as RFC 4180 wants it: enclosed in double quotes when it holds a comma, a double quote, CR
// or LF, every double quote inside then doubled; otherwise as it is. Numbers are ours and are
// written without it.
void appendCsvCell(std::string& line, std::string_view text);

// Writes the CSV of the tree below root: the header row, then one row per Entry below the root
// that passes the filter, in list order (pre-order, children in their current order), the root
// never a row. UTF-8 (the texts converted from the list's code page), RFC 4180 quoting, CR LF
// after every row. The cells:
// - path: the names from the root's child down to the Entry, joined in the root's style
//   (pathBelowRoot with separatorOf: "/" below a POSIX root, else "\");
// - kind: the stored kind character ("D" a folder, "F" a file), empty when it is NUL;
// - size: the stored size in bytes (rowformat's sizeBytes: whole bytes, empty for infinity and
//   NaN);
// - created, changed: the stored texts, a date as ISO 8601 (isoDateText), empty when empty;
// - attributes: one letter per set bit in bit order, R read-only, H hidden, S system, V volume
//   label, A archive, T temporary, C compressed, E damaged; empty when none;
// - mark: the stored mark byte in decimal (0 none, 1 required, 2 useless, others as stored);
// - comment: the stored comment.
// Every text cell (path, kind, dates, comment) goes through appendCsvCell.
// An empty mask in the filter puts no condition on names. A null root writes the header only.
// Tells the progress of each Entry visited below the root (see walkExportPaths) and stops as soon
// as it says so. Returns false when stopped. Sink errors (kx::Error) propagate.
bool writeCsvLines(const kx::Entry* root, const EntryFilter& filter, kx::ByteSink& out,
                   const kx::Progress& progress);

// Writes the CSV to a file with writeExportFile's refusals and errors; true when it was written
// in full, false when the progress stopped it.
bool exportCsvToFile(const kx::Entry* root, const EntryFilter& filter, const QString& path,
                     const kx::Progress& progress, const QString& protectedPath = {});

// The CSV of some Entries (the rows a window shows): the header row, then one row per Entry in
// the order given, with the cells of writeCsvLines and nothing below a folder. Tells the
// progress, before each row, the rows reached of the rows in all, and stops as soon as it says
// so; false when stopped.
bool writeCsvRows(const std::vector<kx::Entry*>& entries, kx::ByteSink& out,
                  const kx::Progress& progress);
bool exportCsvRowsToFile(const std::vector<kx::Entry*>& entries, const QString& path,
                         const kx::Progress& progress, const QString& protectedPath = {});

} // namespace kx::out
