// What every export (text, CSV) shares: the walk that names each Entry's folder, and the file,
// created with the export's refusals and written through a buffer.
#pragma once

#include "listfile/entry.h"
#include "listfile/io/bytes.h"
#include "query/belowroot.h"
#include "support/progress.h"

#include <QString>

#include <functional>

namespace kx::out {

// Calls visit(entry, folder) for every Entry below root in pre-order, children in their current
// order; folder is the path of the Entry's folder with the export join (belowroot.h), empty for
// the root's own children. visit returns whether the walk goes on below the Entry. Tells the
// progress, before each visit, the Entries reached of the Entries below the root, and stops as
// soon as it says so. Returns false when stopped. Names in `form`, joined by `separator`.
template <class Visit>
bool walkExportPaths(const kx::Entry* root, const kx::Progress& progress, Visit&& visit,
                     NameForm form = NameForm::codePage, char separator = '\\') {
    if (!root) return true;
    const std::uint64_t total = progress ? kx::countBelow(root) : 0;
    std::uint64_t reached = 0;
    return walkWithPaths(
        root->children(), PathJoin::exportPath,
        [&](const kx::Entry* e, const FolderPath& folder) {
            if (!kx::goOn(progress, ++reached, total)) return WalkOn::stop;
            return visit(e, folder) ? WalkOn::into : WalkOn::over;
        },
        form, separator);
}

// Creates the file (truncating an existing one) and lets writeBody write it through a buffer;
// writeBody returns false when it was aborted. True when the export was written in full; false
// when it was aborted, keeping what was written so far. Throws kx::Error with the file's path:
// exportCreateFailed when the file cannot be created; exportWriteFailed when a write, the flush
// to the device or the close fails (a kx::Error from writeBody). A file there that is not a
// regular file (exportNotRegularFile) or that is the file at `protectedPath` by device and
// inode, under whatever name or link (exportOverList), is left alone.
bool writeExportFile(const QString& path, const QString& protectedPath,
                     const std::function<bool(kx::ByteSink&)>& writeBody);

} // namespace kx::out
