// Opening and saving a whole list file: the steps that the viewer's open and save flows and the
// command-line tool share.
#pragma once

#include "listfile/container.h"
#include "listfile/innerlist.h"

#include <functional>
#include <memory>
#include <string>

namespace kx {

// The file a save writes the inner list to before packing it: "~tmp~" + base name in the list's
// folder; when that name is taken, the same name in TMP, then TEMP, then the system's temporary
// folder; when it is taken there too, a free variant of it. Never an existing file.
std::string temporaryListPath(const std::string& listPath);

// Saves the tree into the list file: writes the header and every Entry to the temporary list
// file, packs it over the list file and deletes the temporary list file (on every path).
// Returns false when the abort flag stopped the write or the pack; the list file is then
// untouched.
// Throws Error on failure (see ListContainer::packListFile; createFailed when the temporary list
// file cannot be made); the list file is then untouched too.
// `beforePack` runs between the write and the pack (the window sets its busy pointer there).
bool saveListFile(ListContainer& container, EntryTree& tree, const std::string& listPath,
                  const WriteProgress& progress = {}, const std::function<void()>& beforePack = {});

// Opens a list file in one call as the viewer's open does: the entry is inflated straight into
// the reader (ListContainer::openEntry), nothing is written to disk, and the CRC is checked at the
// end. Throws Error: the codes of EntrySource::open, crcMismatch, emptyList and brokenList, each
// with the list's path. `readStarted`, when given, is set once the archive has been found sound
// and its list begins to be read. The root's children are not regrouped here; see
// regroupRootFolder.
std::unique_ptr<EntryTree> openListFile(ListContainer& container, const std::string& listPath,
                                        bool* readStarted = nullptr);

// Opening shows the root folder, which brings its folders before its files.
inline void regroupRootFolder(EntryTree& tree) {
    if (tree.root()) foldersFirst(tree.root()->children);
}

} // namespace kx
