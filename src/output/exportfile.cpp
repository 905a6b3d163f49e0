// The file of an export: the refusals, the buffered writer and its failures.
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

bool writeExportFile(const QString& path, const QString& protectedPath,
                     const std::function<bool(kx::ByteSink&)>& writeBody) {
    const QByteArray native = QFile::encodeName(path);
    const std::string name = native.toStdString();
    const auto refuse = [&name](kx::ErrorCode code, int sysErrno = 0) {
        return kx::Error(code, name, sysErrno);
    };
    if (native.isEmpty()) throw refuse(kx::ErrorCode::exportCreateFailed);
    struct stat st {};
    // Not opened at all when it is no regular file: a FIFO would wait for a reader.
    if (::stat(native.constData(), &st) == 0 && !S_ISREG(st.st_mode))
        throw refuse(kx::ErrorCode::exportNotRegularFile);
    int fd;
    do {
        fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                    0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && errno == ENXIO) throw refuse(kx::ErrorCode::exportNotRegularFile); // a FIFO
    kx::io::UniqueFd file(fd);
    if (!file) throw refuse(kx::ErrorCode::exportCreateFailed, errno);
    // Checked on the file opened, so that nothing put in its place meanwhile slips through.
    if (::fstat(file.get(), &st) != 0) throw refuse(kx::ErrorCode::exportCreateFailed, errno);
    if (!S_ISREG(st.st_mode)) throw refuse(kx::ErrorCode::exportNotRegularFile);
    struct stat list {};
    if (!protectedPath.isEmpty() &&
        ::stat(QFile::encodeName(protectedPath).constData(), &list) == 0 &&
        list.st_dev == st.st_dev && list.st_ino == st.st_ino)
        throw refuse(kx::ErrorCode::exportOverList);
    if (::ftruncate(file.get(), 0) != 0 || ::fcntl(file.get(), F_SETFL, 0) != 0)
        throw refuse(kx::ErrorCode::exportCreateFailed, errno);
    // Every failure of a write, the flush or the close throws: a full disk is reported instead
    // of leaving a silently short file.
    try {
        kx::io::FileSink sink(file.get(), name, 64 * 1024);
        const bool complete = writeBody(sink);
        sink.finish();
        file.close(name);
        return complete;
    } catch (const kx::Error& e) {
        throw refuse(kx::ErrorCode::exportWriteFailed, e.sysErrno());
    }
}

} // namespace kx::out
