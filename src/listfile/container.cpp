// The list file's ZIP container: the one entry opened for reading, and a new archive written
// beside the list file before it replaces it in one rename.
#include "listfile/container.h"

#include "listfile/codepage.h"
#include "listfile/io/error.h"
#include "listfile/io/paths.h"
#include "listfile/io/tempfile.h"
#include "listfile/zip/records.h"
#include "listfile/zip/writer.h"

#include <algorithm>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

namespace kx {

using paths::fileNameOf;
using paths::folderOf;

std::unique_ptr<EntrySource> ListContainer::openEntry(const std::string& listPath) {
    auto source = EntrySource::open(listPath);
    const std::string listFolder = folderOf(listPath);
    m_nameFolder = paths::isDirectory(listFolder + baseName(listPath))
                       ? paths::temporaryFolders().front()
                       : listFolder;
    return source;
}

std::string baseName(const std::string& path) {
    const std::string name = fileNameOf(path);
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos) return name;
    const std::string ext = name.substr(dot);
    return name.substr(0, name.find(ext));
}

std::string entryNameFor(const std::string& filePath, const std::string& folder) {
    std::string name;
    if (!folder.empty() && filePath.size() > folder.size() &&
        filePath.compare(0, folder.size(), folder) == 0)
        name = filePath.substr(folder.size());
    else
        name = filePath.substr(filePath.find_first_not_of("/\\") == std::string::npos
                                   ? filePath.size()
                                   : filePath.find_first_not_of("/\\"));
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

bool ListContainer::packListFile(const std::string& tempListPath, const std::string& listPath,
                                 const WriteProgress& progress) {
    io::UniqueFd in(::open(tempListPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in) throwSystemError(ErrorCode::readFailed, tempListPath);
    struct stat st {};
    if (::fstat(in.get(), &st) != 0) throwSystemError(ErrorCode::readFailed, tempListPath);
    const auto total = std::uint64_t(st.st_size);
    if (total >= 0xFFFFFFFFull) throw Error(ErrorCode::tooLarge, listPath);

    const std::string folder = m_nameFolder.empty() ? folderOf(listPath) : m_nameFolder;
    const QString name = QString::fromUtf8(entryNameFor(tempListPath, folder).c_str());
    zip::EntryHeader entry;
    entry.oemName = toOem(name);
    entry.extra = zip::unicodeNameField(name);
    if (entry.oemName.size() > 0xFFFF || entry.extra.size() > 0xFFFF)
        throw Error(ErrorCode::tooLarge, listPath, 0, "the entry name is too long");
    zip::timeToDos(st.st_mtime ? st.st_mtime : std::time(nullptr), entry.dosTime, entry.dosDate);
    // The DOS attribute bits: archive, and read-only when the file cannot be written.
    entry.attributes = 0x20 | ((st.st_mode & S_IWUSR) ? 0 : 0x01);

    // The new archive goes beside the list file and replaces it only once it is complete; it is
    // removed on every other way out.
    io::TempFile archive =
        io::TempFile::withFreeName(folderOf(listPath), "." + fileNameOf(listPath) + ".saving-");
    struct stat old {};
    ::fchmod(archive.fd(), ::stat(listPath.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
    const bool complete = zip::writeArchive(in.get(), tempListPath, total, archive.fd(),
                                            archive.path(), entry, [&](std::uint64_t done) {
                                                if (progress.packStep)
                                                    progress.packStep(done, total);
                                                return !(progress.abort && *progress.abort);
                                            });
    if (!complete) return false;
    archive.syncAndClose();
    archive.commit(listPath);
    return true;
}

} // namespace kx
