// A temporary file: created only where nothing is yet, removed again on every path unless it was
// moved into place.
#pragma once

#include "listfile/io/fd.h"

#include <string>
#include <sys/types.h>

namespace kx::io {

// A folder held open by its path (ending in "/"). A folder that may be searched but not read
// still gives a handle that opens, renames and removes names in it. Empty when it cannot be
// opened (errno says why).
UniqueFd openFolder(const std::string& folder);

// Throws Error for a file at `path` that could not be created, as errno says: createFailed (a
// missing folder among its reasons), noPermission, noSpace.
[[noreturn]] void throwCreateError(const std::string& path);

// `prefix` as a name of a free name in the folder begins: shortened in its middle when the six
// letters of a free name would not fit in the longest name the folder takes.
std::string freeNamePrefix(int folder, const std::string& prefix);

// The file is found through its folder, held open from the start, so that it is removed (or
// renamed) even when the folder itself was renamed meanwhile.
class TempFile {
public:
    // Creates `path` with `mode` (less the umask). Anything already there, a dangling link
    // included, makes the create fail: Error (createFailed, noPermission, noSpace).
    explicit TempFile(const std::string& path, mode_t mode = 0644);
    // Creates a file of a free name, freeNamePrefix(prefix) + six letters or digits, in `folder`
    // (ending in "/"), with `mode` (less the umask): by default readable by its owner only.
    static TempFile withFreeName(const std::string& folder, const std::string& prefix,
                                 mode_t mode = 0600);
    // The same in a folder held open already; `folderPath` names it in paths and errors.
    static TempFile withFreeName(UniqueFd folder, const std::string& folderPath,
                                 const std::string& prefix, mode_t mode = 0600);

    TempFile(TempFile&&) noexcept = default;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile();

    int fd() const { return m_file.get(); }
    const std::string& path() const { return m_path; }

    // Flushes the file to its device and closes it; Error (writeFailed, noSpace) on failure.
    void syncAndClose();
    // Renames the closed file to `name` in its own folder in one step and makes the rename
    // durable; from then on the file is no longer removed. Error (replaceFailed) when the rename
    // fails. With `replace` false, anything at `name`, a dangling link included, stays and the
    // commit fails (alreadyExists).
    void commit(const std::string& name, bool replace = true);
    // Gives the file a free name of `prefix` (see withFreeName) in its folder, made durable; it is
    // still removed unless kept or committed. Error (replaceFailed) when no rename succeeds.
    void renameToFreeName(const std::string& prefix);
    // The file stays where it is: it is no longer removed.
    void keep() { m_committed = true; }

private:
    TempFile(UniqueFd folder, std::string folderPath, std::string name, mode_t mode, bool freeName);
    // Renames the file to `name` in its folder; false with errno set when the system refuses.
    bool moveTo(const std::string& name, bool replace);
    UniqueFd m_folder, m_file;
    std::string m_folderPath, m_path, m_name;
    bool m_committed = false;
};

} // namespace kx::io
