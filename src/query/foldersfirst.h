// Folders before files: the order a folder's rows take when it is shown (and so the order the
// next save writes), and the order of search results, in the window, in kxtool and in the
// catalogue alike.
//
// Every file that stands before a folder is exchanged with the first folder after it, in one
// pass: F1 D1 F2 D2 gives D1 D2 F2 F1. Folders keep their order; files may not. Only kind 'F'
// counts as a file and only kind 'D' as a folder: an Entry of any other kind stays where it is.
//
// The rule itself is foldersFirst of listfile/entry.h, kept there because opening a list
// regroups its root (regroupRootFolder); this header is where the query layer and everything
// above it find it.
#pragma once

#include "listfile/entry.h"

namespace kx {

// A shown folder's children regrouped in place; nothing for a null folder.
inline void regroupFolder(Entry* folder) {
    if (folder) foldersFirst(folder->children());
}

} // namespace kx
