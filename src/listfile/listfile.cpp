// Opening and saving a whole list file.
#include "listfile/listfile.h"

#include "listfile/io/paths.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kx {

namespace {

using paths::folderOf;

// Removes a file when it goes out of scope, whatever way the scope is left. The file is found
// through its folder, held open from the start, so that it is removed even when the folder is
// renamed meanwhile.
class RemoveOnExit {
public:
    explicit RemoveOnExit(const std::string& path)
        : m_folder(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)),
          m_path(path), m_name(path.substr(path.find_last_of('/') + 1)) {}
    ~RemoveOnExit() {
        if (m_folder < 0) {
            ::unlink(m_path.c_str());
            return;
        }
        ::unlinkat(m_folder, m_name.c_str(), 0);
        ::close(m_folder);
    }
    RemoveOnExit(const RemoveOnExit&) = delete;
    RemoveOnExit& operator=(const RemoveOnExit&) = delete;

private:
    int m_folder;
    std::string m_path, m_name;
};

} // namespace

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

bool saveListFile(ListContainer& container, EntryTree& tree, const std::string& listPath,
                  const WriteProgress& progress, const std::function<void()>& beforePack) {
    const std::string tempPath = temporaryListPath(listPath);
    FileSink sink(tempPath); // exclusive create: never someone else's file
    RemoveOnExit cleanup(tempPath);
    if (!writeInnerList(tree, sink, progress)) return false;
    sink.finish();
    if (beforePack) beforePack();
    return container.packListFile(tempPath, listPath, progress);
}

std::unique_ptr<EntryTree> openListFile(ListContainer& container, const std::string& listPath,
                                        FolderTreeSink* sink) {
    auto source = container.openEntry(listPath);
    if (source->remaining() == 0) throw ListFileError("The list file holds an empty list.");
    auto tree = readInnerList(*source, sink);
    source->verify();
    return tree;
}

} // namespace kx
