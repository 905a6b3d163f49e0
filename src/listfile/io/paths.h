// Path helpers shared by the container and the save: folders, file names, temporary folders.
#pragma once

#include <string>
#include <vector>

namespace kx::paths {

// The folder part of a path, ending in "/" ("./" for a bare name).
std::string folderOf(const std::string& path);
// The file name part of a path.
std::string fileNameOf(const std::string& path);
bool exists(const std::string& path); // anything at all, a dangling link included
bool isDirectory(const std::string& path);
bool writableFolder(const std::string& folder);
// The temporary folders that name a saved list's entry, in the order they are tried: TMP, then
// TEMP, each ending in "/"; only those that are set, exist and can be written.
std::vector<std::string> temporaryFolders();

} // namespace kx::paths
