// Making a list of a folder of this computer (for demos, benchmarks and tests).
#pragma once

#include "listfile/entry.h"

#include <memory>
#include <string>

namespace kx {

// Builds the entry tree of `folder`: names (in the list's 8-bit code page), sizes, times as
// "dd.mm.yyyy hh:mm:ss", the attributes the file system has (read-only, hidden for dot names),
// depth and child counts. Children are sorted by name. Symbolic links are recorded, not followed.
// Throws Error: notFound, noPermission, readFailed, notFolder.
std::unique_ptr<EntryTree> scanFolder(const std::string& folder);

// scanFolder, then writes the list file `out`, which must not exist yet (else Error alreadyExists).
void scanFolderToListFile(const std::string& folder, const std::string& out);

// Writes a tree as a new list file at `out` (header, records, ZIP container). The root keeps its
// name (the scanned folder's path) unless `keepRootName` is false, as in a save.
void writeNewListFile(const EntryTree& tree, const std::string& out, bool keepRootName = true);

// Sets a record's text field (truncated so that it keeps a terminating NUL).
void setTextField(std::uint8_t* record, std::size_t offset, std::size_t size,
                  std::string_view text);

} // namespace kx
