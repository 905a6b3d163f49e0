// The file of an export: the refusals, the buffered writer and the outcome.
#include "output/exportfile.h"

#include "listfile/io/error.h"
#include "listfile/io/fd.h"
#include "listfile/io/filesink.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kx::out {

ExportResult writeExportFile(const QString& path, const QString& protectedPath,
                             const std::function<bool(kx::ByteSink&)>& writeBody) {
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
        const bool complete = writeBody(sink);
        sink.finish();
        file.close(name);
        return complete ? ExportResult::Done : ExportResult::Aborted;
    } catch (const kx::Error&) {
        return ExportResult::WriteFailed;
    }
}

} // namespace kx::out
