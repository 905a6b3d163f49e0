// The list file's ZIP container: one entry holding the inner list.
#pragma once

#include "listfile/innerlist.h"
#include "listfile/zip/entrysource.h"
#include "listfile/zip/writer.h"

#include <memory>
#include <string>

namespace kx {

// The name a save gives the list's entry, as the path of a file it once wrote the inner list
// to: "~tmp~" + base name in the list's folder; when a file of that name is there, the same
// name in TMP, then TEMP; when it is there too, a free variant of it beside the list. The inner
// list itself is never written to disk.
std::string temporaryListPath(const std::string& listPath);

// The file name without its folder, cut at the first occurrence of its extension (the text from
// the last "."): disk1.kx gives disk1, a.kx.kx gives a; a name without extension stays whole.
std::string baseName(const std::string& path);

class ListContainer {
public:
    // Opens the one entry of the list file for reading (the list file is only read). Throws
    // Error for anything that is not a readable one-entry archive (see EntrySource::open).
    std::unique_ptr<EntrySource> openEntry(const std::string& listPath);

    // The record of the one entry that a save of `listPath` writes: its name (see entryNameFor
    // and temporaryListPath), the time now and the archive attribute.
    zip::EntryHeader entryHeaderFor(const std::string& listPath) const;

private:
    // The folder the entry's name is taken relative to: the folder of the list last opened, or
    // TMP (else TEMP) when one is set and a folder named like that list's base name lies beside
    // it; before any open, the folder of the list being saved.
    std::string m_nameFolder;
};

// The entry name a pack gives a file: its path relative to `folder` when it lies inside, else
// its full path without the leading separator. "\" becomes "/".
std::string entryNameFor(const std::string& filePath, const std::string& folder);

} // namespace kx
