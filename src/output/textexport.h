// Text export: the file names of a whole list as 8-bit CR LF lines, and writing them to a file.
#pragma once

#include "listfile/entry.h"
#include "listfile/innerlist.h"
#include "output/exportfile.h"

#include <QString>

namespace kx::out {

// The proposed export name: the list file's name without its last extension, plus ".txt" (or
// another extension) ("my.list.kx" -> "my.list.txt", "disk" -> "disk.txt"). A folder part, when
// given, is kept.
QString proposedExportName(const QString& listFileName, const QString& extension = "txt");

// ".txt" (or another extension) appended when the chosen name (its file part) has no extension.
QString withTxtExtension(const QString& chosen, const QString& extension = "txt");

// Writes the export lines of the whole tree below root: one line per file with its path relative
// to the root, "*" in front for a damaged file and another for crossedOut exactly 1, an empty line
// before the first file of each new folder run, the names' bytes as stored, CR LF endings.
// Tells the progress of each Entry visited below the root (see walkExportPaths) and stops as soon
// as it says so. Returns false when stopped. Sink errors (kx::Error) propagate.
// NameForm::shown writes the same lines in UTF-8 (names as shown) for readers outside.
bool writeExportLines(const kx::Entry* root, kx::ByteSink& out, const kx::Progress& progress,
                      NameForm form = NameForm::codePage);

// Writes the export lines of the whole tree to a file with writeExportFile's refusals and errors;
// true when it was written in full, false when the progress stopped it.
bool exportToFile(const kx::Entry* root, const QString& path, const kx::Progress& progress,
                  const QString& protectedPath = {}, NameForm form = NameForm::codePage);

} // namespace kx::out
