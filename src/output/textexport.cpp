// Text export: the walk that writes the file lines, its file, and the name rules.
#include "output/textexport.h"

#include <string>

namespace kx::out {

namespace {

// Where the file part of a path starts (after the last '/').
qsizetype fileStart(const QString& path) {
    return path.lastIndexOf(QLatin1Char('/')) + 1;
}

// The position of the last '.' that starts an extension in the file part, or -1. A dot that
// opens the file part (".profile") does not start an extension.
qsizetype extensionDot(const QString& path) {
    const qsizetype start = fileStart(path);
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > start ? dot : -1;
}

} // namespace

QString proposedExportName(const QString& listFileName, const QString& extension) {
    const qsizetype dot = extensionDot(listFileName);
    return (dot < 0 ? listFileName : listFileName.left(dot)) + QLatin1Char('.') + extension;
}

QString withTxtExtension(const QString& chosen, const QString& extension) {
    if (chosen.isEmpty() || chosen.endsWith(QLatin1Char('/'))) return chosen;
    // "report." already carries the dot: only the letters are missing.
    if (chosen.endsWith(QLatin1Char('.')) && chosen.size() - 1 > fileStart(chosen))
        return chosen + extension;
    return extensionDot(chosen) < 0 ? chosen + QLatin1Char('.') + extension : chosen;
}

bool writeExportLines(const kx::Entry* root, kx::ByteSink& out, const kx::Progress& progress,
                      NameForm form) {
    std::string lastWritten; // the folder path of the last file line written
    std::string line;
    const auto visit = [&](const kx::Entry* e, const FolderPath& folder) {
        if (e->isFolder()) return true;
        if (lastWritten != folder.text()) {
            out.write("\r\n", 2);
            lastWritten = folder.text();
        }
        line.clear();
        // Two flags, one character: crossed out (exactly 1) and damaged.
        if (e->crossedOut() == 1) line += '*';
        if (e->isDamaged()) line += '*';
        if (form == NameForm::codePage)
            folder.appendChild(line, e->name());
        else
            folder.appendChild(line, nameIn(e, form));
        line += "\r\n";
        out.write(line.data(), line.size());
        return false; // the children that a broken list gives a file are no lines
    };
    return walkExportPaths(root, progress, visit, form);
}

bool exportToFile(const kx::Entry* root, const QString& path, const kx::Progress& progress,
                  const QString& protectedPath, NameForm form) {
    return writeExportFile(path, protectedPath, [&](kx::ByteSink& sink) {
        return writeExportLines(root, sink, progress, form);
    });
}

} // namespace kx::out
