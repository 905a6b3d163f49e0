// The list file's ZIP container: one entry holding the inner list.
#pragma once

#include "listfile/innerlist.h"
#include "listfile/zip/entrysource.h"

#include <memory>
#include <string>

namespace kx {

// The file name without its folder, cut at the first occurrence of its extension (the text from
// the last "."): disk1.kx gives disk1, a.kx.kx gives a; a name without extension stays whole.
std::string baseName(const std::string& path);

class ListContainer {
public:
    // Opens the one entry of the list file for reading (the list file is only read). Throws
    // Error for anything that is not a readable one-entry archive (see EntrySource::open).
    std::unique_ptr<EntrySource> openEntry(const std::string& listPath);

    // Packs the temporary list file as the only entry of a new archive that replaces the list
    // file. The new archive is written beside the list file under a temporary name, flushed to
    // the device and renamed over the list file; on any failure the list file is left as it was
    // and Error is thrown (readFailed, createFailed, writeFailed, noSpace, noPermission,
    // replaceFailed, tooLarge). `progress.packStep` hears how far the compression is; when
    // `progress.abort` is set after a step, the pack stops, the list file stays as it was and the
    // result is false.
    bool packListFile(const std::string& tempListPath, const std::string& listPath,
                      const WriteProgress& progress = {});

private:
    // The folder the entry's name is taken relative to: the folder of the list last opened, or
    // the temporary folder when a folder named like that list's base name lies beside it; before
    // any open, the folder of the list being packed.
    std::string m_nameFolder;
};

// The entry name a pack gives a file: its path relative to `folder` when it lies inside, else
// its full path without the leading separator. "\" becomes "/".
std::string entryNameFor(const std::string& filePath, const std::string& folder);

} // namespace kx
