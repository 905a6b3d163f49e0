// What every export (text, CSV) shares: the walk that names each Entry's folder, and the file,
// created with the export's refusals and written through a buffer.
#pragma once

#include "listfile/entry.h"
#include "listfile/io/bytes.h"
#include "support/progress.h"

#include <QString>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kx::out {

// Calls visit(entry, folderPath) for every Entry below root in pre-order, children in their
// current order; folderPath holds the names from the root's child down to the Entry's folder,
// joined by "\" (empty for the root's own children). visit returns whether the walk goes on below
// the Entry. Tells the progress, before each visit, the Entries reached of the Entries below the
// root, and stops as soon as it says so. Returns false when stopped. An explicit stack instead
// of recursion: a list may be nested very deeply.
template <class Visit>
bool walkExportPaths(const kx::Entry* root, const kx::Progress& progress, Visit&& visit) {
    if (!root) return true;
    const std::uint64_t total = progress ? kx::countBelow(root) : 0;
    std::uint64_t reached = 0;
    struct Frame {
        const kx::Entry* folder;
        std::size_t next;
        std::size_t prefixLength; // the path's length before this folder's name was added
    };
    std::vector<Frame> stack{{root, 0, 0}};
    std::string folderPath;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.folder->children().size()) {
            folderPath.resize(frame.prefixLength);
            stack.pop_back();
            continue;
        }
        const kx::Entry* e = frame.folder->children()[frame.next++];
        if (!kx::goOn(progress, ++reached, total)) return false;
        if (!visit(e, std::as_const(folderPath)) || e->children().empty()) continue;
        stack.push_back({e, 0, folderPath.size()}); // frame is not used after this
        if (!folderPath.empty()) folderPath += '\\';
        folderPath += e->name();
    }
    return true;
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
