// Making a list of a folder of this computer.
#pragma once

#include "listfile/entry.h"
#include "listfile/io/bytes.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kx {

// How a scan goes, told to its progress now and then (at most about ten times a second).
struct ScanStatus {
    std::uint64_t entries = 0;
    double seconds = 0;
    std::string folder; // the folder being read, as the file system names it
};

struct ScanOptions {
    bool crossFileSystems = false;    // enter folders on other file systems (never pseudo ones)
    std::optional<std::string> label; // the header text (UTF-8); else the folder, disk and time
    unsigned threads = 0;             // threads that read folders; 0: four
    int listBeingWritten = -1;        // a descriptor of the list file being written: not listed
    std::function<void(const ScanStatus&)> progress;
};

// What a scan found. `unreadable` counts the folders that could not be read (whole) and the
// entries whose status could not be read: each is in the list with the damaged attribute.
// `inexact` counts the names the list's code page could not hold exactly; the first few of them
// are in `inexactNames`.
struct ScanReport {
    std::uint64_t entries = 0, folders = 0, files = 0, bytes = 0;
    std::uint64_t unreadable = 0, inexact = 0;
    std::uint64_t otherFileSystems = 0; // folders on another file system, listed, not entered
    std::vector<std::string> inexactNames;
    double seconds = 0;
    bool exact() const { return unreadable == 0 && inexact == 0; }
};

// Writes the inner list of `folder` into `out`: the header, then the records in the list's order
// as the folders are read. Names in the list's 8-bit code page, sizes, "Changed" from the
// modification time and "Created" from the birth time where the file system keeps one (else
// empty), as "dd.mm.yyyy hh:mm:ss"; the attributes the file system has (read-only, hidden for dot
// names, damaged for what could not be read), depth and child counts. Children are sorted by name.
// Symbolic links are recorded, not followed; folders on another file system are recorded, not
// entered, unless the options say so; pseudo file systems never. The bytes written are the same
// whatever the number of threads. Throws Error for the folder itself: notFound, noPermission,
// readFailed, notFolder; and what `out` throws.
ScanReport scanFolderInto(const std::string& folder, ByteSink& out,
                          const ScanOptions& options = {});

// Scans into the list file `out`, which must not exist yet (else Error alreadyExists): the list
// is compressed on other threads while the folders are read.
ScanReport scanFolderToListFile(const std::string& folder, const std::string& out,
                                const ScanOptions& options = {});

// Writes a tree as a new list file at `out` (header, records, ZIP container). The root keeps its
// name (the scanned folder's path) unless `keepRootName` is false, as in a save.
void writeNewListFile(const EntryTree& tree, const std::string& out, bool keepRootName = true);

// A time as a list's dates are written: "dd.mm.yyyy hh:mm:ss", local time.
std::string listDate(std::time_t t);

// Sets a record's text field (truncated so that it keeps a terminating NUL).
void setTextField(std::uint8_t* record, std::size_t offset, std::size_t size,
                  std::string_view text);

} // namespace kx
