// Path helpers shared by the container and the save.
#include "listfile/io/paths.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace kx::paths {

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

std::string fileNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool writableFolder(const std::string& folder) {
    return isDirectory(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::vector<std::string> temporaryFolders() {
    std::vector<std::string> folders;
    for (const char* var : {"TMP", "TEMP"}) {
        const char* v = std::getenv(var);
        if (!v || !*v) continue;
        std::string folder(v);
        if (folder.back() != '/') folder += '/';
        if (writableFolder(folder)) folders.push_back(folder);
    }
    return folders;
}

} // namespace kx::paths
