// A temporary file: created only where nothing is yet, removed again on every path unless it was
// moved into place.
#pragma once

#include "listfile/io/fd.h"

#include <string>
#include <sys/types.h>

namespace kx::io {

// The file is found through its folder, held open from the start, so that it is removed (or
// renamed) even when the folder itself was renamed meanwhile.
class TempFile {
public:
    // Creates `path` with `mode` (less the umask). Anything already there, a dangling link
    // included, makes the create fail: Error (createFailed, noPermission, noSpace).
    explicit TempFile(const std::string& path, mode_t mode = 0644);
    // Creates a file of a free name, `prefix` + six letters or digits, in `folder` (ending in
    // "/"), with `mode` (less the umask): by default readable by its owner only. A prefix too long
    // for the file system's names is shortened.
    static TempFile withFreeName(const std::string& folder, const std::string& prefix,
                                 mode_t mode = 0600);

    TempFile(TempFile&&) noexcept = default;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile();

    int fd() const { return m_file.get(); }
    const std::string& path() const { return m_path; }

    // Flushes the file to its device and closes it; Error (writeFailed, noSpace) on failure.
    void syncAndClose();
    // Renames the closed file to `target` in one step and makes the rename durable; from then on
    // the file is no longer removed. Error (replaceFailed) when the rename fails. With
    // `replace` false, a file that is at `target` stays and the commit fails (alreadyExists).
    void commit(const std::string& target, bool replace = true);
    // The file stays where it is: it is no longer removed.
    void keep() { m_committed = true; }

private:
    TempFile(UniqueFd folder, std::string folderPath, std::string name, mode_t mode, bool freeName);
    UniqueFd m_folder, m_file;
    std::string m_path, m_name;
    bool m_committed = false;
};

} // namespace kx::io
