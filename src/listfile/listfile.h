// Opening and saving a whole list file: the steps that the viewer's open and save flows and the
// command-line tool share.
#pragma once

#include "listfile/container.h"
#include "listfile/innerlist.h"
#include "listfile/io/replacement.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kx {

// Saves the tree into the list file: the header and every Entry are streamed into the
// compressor, and the new archive, written beside the list file (beside the end of its links),
// replaces it as io::FileReplacement says: links, owner, group, mode, ACL, extended attributes
// and hard links kept. The progress hears the records written of the records in all (the pack
// keeps pace with them); returns false when it stopped the save, the list file then untouched.
// Throws Error on failure, the list file untouched too: notRegularFile, readOnlyList, listBusy,
// changedOnDisk (see `checks`), createFailed, writeFailed, noSpace, noPermission, replaceFailed,
// alreadyExists (a new list file whose name was taken meanwhile), tooLarge. `beforePack` runs
// before the new archive is made (the window sets its busy pointer there). `saved`, when given,
// receives the identity of the saved file. `names` and `clearedNames`: see writeEntry. The tree
// is only read, so a job may save it (see entry.h).
bool saveListFile(ListContainer& container, const EntryTree& tree, const std::string& listPath,
                  const Progress& progress = {}, const std::function<void()>& beforePack = {},
                  const io::ReplaceChecks& checks = {}, io::FileIdentity* saved = nullptr,
                  PathNames names = PathNames::clear,
                  std::vector<std::uint32_t>* clearedNames = nullptr);

// Opens a list file in one call as the viewer's open does: the entry is inflated straight into
// the reader (ListContainer::openEntry), nothing is written to disk, and the CRC is checked at the
// end. Throws Error: the codes of EntrySource::open, crcMismatch, emptyList and brokenList, each
// with the list's path; the detail of a code of damage names the complete list that a save kept
// (keptSaveAfterDamage). `readStarted`, when given, is set once the archive has been found sound
// and its list begins to be read. The root's children are not regrouped here; see
// regroupRootFolder.
std::unique_ptr<EntryTree> openListFile(ListContainer& container, const std::string& listPath,
                                        bool* readStarted = nullptr);

// The complete list that a save kept beside the list file when its write in place did not end
// (see io::keptSaveOf), when `code` says that the list file is damaged; none otherwise.
std::optional<std::string> keptSaveAfterDamage(ErrorCode code, const std::string& listPath);

// Opening shows the root folder, which brings its folders before its files.
inline void regroupRootFolder(EntryTree& tree) {
    if (tree.root()) foldersFirst(tree.root()->children());
}

} // namespace kx
