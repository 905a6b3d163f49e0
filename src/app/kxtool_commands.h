// kxtool's commands, each a few calls of the library that the viewer uses, and the filter options
// that several of them share.
#pragma once

#include "kxtool_cli.h"
#include "query/filter.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kx {
class Document;
struct Entry;
} // namespace kx

namespace kxtool {

extern const Handler infoCommand, lsCommand, summaryCommand, findCommand, exportCommand,
    resaveCommand, scanCommand, diffCommand, catalogCommand, treemapCommand, typesCommand;

// ls's arguments LIST (as `listHelp` says) and FOLDER and its option --marks.
void declareFolderRows(CommandLine& line, const char* listHelp);
// The rows of ls: the root folder's, or those of the folder at `folderPath` (names below the
// root separated by "/" or "\\"; null for the root), with the ".." row below the root. Throws
// noSuchFolder.
void printFolderRows(kx::Document& doc, const std::string* folderPath, bool marks);
// The folder at `folderPath` as ls finds it (the root for null), shown as the viewer shows it:
// regrouped. Throws noSuchFolder.
kx::Entry* folderNamed(kx::Document& doc, const std::string* folderPath);
// The help of a list file argument.
extern const char* const kListHelp;

// The options of a filter (--comments, --mark, ...) and the note on how options are written.
void declareFilters(CommandLine& line);
// The filter that the options ask for; the mask is the caller's to set. A bad value is a usage
// error.
kx::EntryFilter filterOf(const CommandLine& line);
// --limit N of find and catalog find: the most rows to print (no limit when not given).
void declareLimit(CommandLine& line);
std::uint64_t limitOf(const CommandLine& line);
// The last number given to `option`, if any; every value given must be a whole number (digits
// only) up to `most`, else a usage error says that the option takes `whatItTakes`.
std::optional<std::uint64_t> numberOption(const CommandLine& line, const char* option,
                                          std::uint64_t most, const char* whatItTakes);
// The whole number of bytes given to `option` (the last one), if any. A bad value is a usage
// error.
std::optional<std::uint64_t> byteCount(const CommandLine& line, const char* option);

} // namespace kxtool
