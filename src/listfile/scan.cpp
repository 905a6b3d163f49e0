// Making a list of a folder of this computer.
#include "listfile/scan.h"

#include "listfile/exactname.h"
#include "listfile/io/paths.h"
#include "listfile/listfile.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kx {

namespace {

std::string formatTime(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%d.%m.%Y %H:%M:%S", &tm);
    return buf;
}

void fillRecord(std::uint8_t* e, const std::string& name, const struct stat& st, bool isRoot) {
    setNameField(e, name);
    // The file system keeps no creation time everywhere; the status change time stands in.
    setTextField(e, rec::created, rec::createdSize, formatTime(st.st_ctime));
    setTextField(e, rec::changed, rec::changedSize, formatTime(st.st_mtime));
    const bool folder = S_ISDIR(st.st_mode);
    e[rec::kind] = std::uint8_t(folder ? kFolder : kFile);
    std::uint8_t attributes = 0;
    if (!(st.st_mode & S_IWUSR)) attributes |= readOnly;
    if (!isRoot && !name.empty() && name[0] == '.') attributes |= hidden;
    if (!folder) attributes |= archive;
    e[rec::attributes] = attributes;
    uint64ToExtended(folder ? 0 : std::uint64_t(st.st_size), e + rec::size);
    writeI32(e, rec::lastChild, -1);
}

} // namespace

void setTextField(std::uint8_t* record, std::size_t offset, std::size_t size,
                  std::string_view text) {
    std::memset(record + offset, 0, size);
    if (!text.empty()) std::memcpy(record + offset, text.data(), std::min(text.size(), size - 1));
}

std::unique_ptr<EntryTree> scanFolder(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) throwSystemError(ErrorCode::readFailed, folder);
    if (!S_ISDIR(st.st_mode)) throw Error(ErrorCode::notFolder, folder);
    auto tree = std::make_unique<EntryTree>();
    tree->headerText = "Fentaro list";
    char resolved[PATH_MAX];
    const std::string rootPath = ::realpath(folder.c_str(), resolved) ? resolved : folder;
    std::uint8_t record[kRecordSize] = {};
    fillRecord(record, rootPath, st, true);
    Entry* root = tree->add(nullptr, record);

    // Explicit stack of folders to read: no recursion, whatever the depth.
    struct Pending {
        Entry* folder;
        std::string path;
        std::int32_t depth;
    };
    std::vector<Pending> pending{{root, rootPath, 0}};
    while (!pending.empty()) {
        auto [parent, path, depth] = pending.back();
        pending.pop_back();
        DIR* dir = ::opendir(path.c_str());
        if (!dir) continue; // unreadable folders are listed empty
        std::vector<std::string> names;
        while (dirent* d = ::readdir(dir)) {
            if (std::strcmp(d->d_name, ".") != 0 && std::strcmp(d->d_name, "..") != 0)
                names.push_back(d->d_name);
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        for (const auto& n : names) {
            struct stat cst {};
            const std::string childPath = path + "/" + n;
            if (::lstat(childPath.c_str(), &cst) != 0) continue;
            std::memset(record, 0, kRecordSize);
            fillRecord(record, n, cst, false);
            writeI32(record, rec::depth, depth + 1);
            Entry* e = tree->add(parent, record);
            if (S_ISDIR(cst.st_mode)) pending.push_back({e, childPath, depth + 1});
        }
    }
    return tree;
}

void writeNewListFile(const EntryTree& tree, const std::string& out, bool keepRootName) {
    if (paths::exists(out)) throw Error(ErrorCode::alreadyExists, out);
    ListContainer container;
    saveListFile(container, tree, out, {}, {}, {}, nullptr,
                 keepRootName ? PathNames::keep : PathNames::clear);
}

void scanFolderToListFile(const std::string& folder, const std::string& out) {
    auto tree = scanFolder(folder);
    writeNewListFile(*tree, out);
}

} // namespace kx
