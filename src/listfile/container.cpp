// The list file's ZIP container: the one entry opened for reading, and the record of the entry
// that a save writes.
#include "listfile/container.h"

#include "listfile/codepage.h"
#include "listfile/io/error.h"
#include "listfile/io/paths.h"
#include "listfile/zip/records.h"
#include "listfile/zip/writer.h"

#include <algorithm>
#include <ctime>

namespace kx {

using paths::fileNameOf;
using paths::folderOf;

std::unique_ptr<EntrySource> ListContainer::openEntry(const std::string& listPath) {
    auto source = EntrySource::open(listPath);
    const std::string listFolder = folderOf(listPath);
    const std::vector<std::string> temporary = paths::temporaryFolders();
    m_nameFolder = !temporary.empty() && paths::isDirectory(listFolder + baseName(listPath))
                       ? temporary.front()
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

std::string temporaryListPath(const std::string& listPath) {
    const std::string name = "~tmp~" + baseName(listPath);
    std::vector<std::string> folders{folderOf(listPath)};
    for (const auto& folder : paths::temporaryFolders())
        folders.push_back(folder);
    for (const auto& folder : folders) {
        if (paths::writableFolder(folder) && !paths::exists(folder + name)) return folder + name;
    }
    // Every usual place holds a file of that name: use a free variant beside the list.
    for (int i = 1;; ++i) {
        const std::string candidate = folders.front() + name + "~" + std::to_string(i);
        if (!paths::exists(candidate)) return candidate;
    }
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

zip::EntryHeader ListContainer::entryHeaderFor(const std::string& listPath) const {
    const std::string folder = m_nameFolder.empty() ? folderOf(listPath) : m_nameFolder;
    const QString name =
        QString::fromUtf8(entryNameFor(temporaryListPath(listPath), folder).c_str());
    zip::EntryHeader entry;
    entry.oemName = toOem(name);
    entry.extra = zip::unicodeNameField(name);
    if (entry.oemName.size() > 0xFFFF || entry.extra.size() > 0xFFFF)
        throw Error(ErrorCode::tooLarge, listPath, 0, "the entry name is too long");
    zip::timeToDos(std::time(nullptr), entry.dosTime, entry.dosDate);
    entry.attributes = 0x20; // the DOS archive bit
    return entry;
}

} // namespace kx
