// Text export: the walk that writes the file lines, the export file writer and the name rules.
#include "output/textexport.h"

#include "listfile/io/error.h"
#include "listfile/io/fd.h"
#include "listfile/io/filesink.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

QString proposedExportName(const QString& listFileName) {
    const qsizetype dot = extensionDot(listFileName);
    return (dot < 0 ? listFileName : listFileName.left(dot)) + QStringLiteral(".txt");
}

QString withTxtExtension(const QString& chosen) {
    if (chosen.isEmpty() || chosen.endsWith(QLatin1Char('/'))) return chosen;
    // "report." already carries the dot: only the letters are missing.
    if (chosen.endsWith(QLatin1Char('.')) && chosen.size() - 1 > fileStart(chosen))
        return chosen + QStringLiteral("txt");
    return extensionDot(chosen) < 0 ? chosen + QStringLiteral(".txt") : chosen;
}

bool writeExportLines(const kx::Entry* root, kx::ByteSink& out, const kx::WriteProgress& progress) {
    if (!root) return true;
    // An explicit stack instead of recursion: a list may be nested very deeply.
    struct Frame {
        const kx::Entry* folder;
        std::size_t next;
        std::size_t prefixLength; // the prefix's length before this folder's name was added
    };
    std::vector<Frame> stack{{root, 0, 0}};
    std::string prefix;      // folder names from the root's child down, joined by backslashes
    std::string lastWritten; // the prefix of the last file line written
    std::string line;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.folder->children().size()) {
            prefix.resize(frame.prefixLength);
            stack.pop_back();
            continue;
        }
        const kx::Entry* e = frame.folder->children()[frame.next++];
        if (progress.step) progress.step();
        if (progress.abort && *progress.abort) return false;

        if (e->isFolder()) {
            const std::size_t before = prefix.size();
            if (!prefix.empty()) prefix += '\\';
            prefix += e->name();
            stack.push_back({e, 0, before});
            continue;
        }
        if (lastWritten != prefix) {
            out.write("\r\n", 2);
            lastWritten = prefix;
        }
        line.clear();
        // Two flags, one character: crossed out (exactly 1) and damaged.
        if (e->crossedOut() == 1) line += '*';
        if (e->isDamaged()) line += '*';
        if (!prefix.empty()) {
            line += prefix;
            line += '\\';
        }
        line += e->name();
        line += "\r\n";
        out.write(line.data(), line.size());
    }
    return true;
}

ExportResult exportToFile(const kx::Entry* root, const QString& path,
                          const kx::WriteProgress& progress, const QString& protectedPath) {
    const QByteArray native = QFile::encodeName(path);
    if (native.isEmpty()) return ExportResult::CreateFailed;
    struct stat st {};
    // Not opened at all when it is no regular file: a FIFO would wait for a reader.
    if (::stat(native.constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return ExportResult::NotRegularFile;
    int fd;
    do {
        fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                    0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && errno == ENXIO) return ExportResult::NotRegularFile; // a FIFO after all
    kx::io::UniqueFd file(fd);
    if (!file) return ExportResult::CreateFailed;
    // Checked on the file opened, so that nothing put in its place meanwhile slips through.
    if (::fstat(file.get(), &st) != 0) return ExportResult::CreateFailed;
    if (!S_ISREG(st.st_mode)) return ExportResult::NotRegularFile;
    struct stat list {};
    if (!protectedPath.isEmpty() &&
        ::stat(QFile::encodeName(protectedPath).constData(), &list) == 0 &&
        list.st_dev == st.st_dev && list.st_ino == st.st_ino)
        return ExportResult::IsTheList;
    if (::ftruncate(file.get(), 0) != 0 || ::fcntl(file.get(), F_SETFL, 0) != 0)
        return ExportResult::CreateFailed;
    const std::string name = native.toStdString();
    // Every failure of a write, the flush or the close throws: a full disk is reported instead
    // of leaving a silently short file.
    try {
        kx::io::FileSink sink(file.get(), name, 64 * 1024);
        const bool complete = writeExportLines(root, sink, progress);
        sink.finish();
        file.close(name);
        return complete ? ExportResult::Done : ExportResult::Aborted;
    } catch (const kx::Error&) {
        return ExportResult::WriteFailed;
    }
}

} // namespace kx::out
