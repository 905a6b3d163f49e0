// Replacing a user's file with a new one written beside it: links followed, the old file's
// owner, group, mode, ACL and extended attributes kept, hard links kept by a write in place, and
// a check that the file is still the one that was read.
#pragma once

#include "listfile/io/tempfile.h"

#include <ctime>
#include <optional>
#include <string>
#include <sys/types.h>

namespace kx::io {

// What tells one version of a file from another: the same device, inode, size and change time.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec changed{};
    bool operator==(const FileIdentity& o) const;
    bool operator!=(const FileIdentity& o) const { return !(*this == o); }
};

// The identity of the file at `path` (links followed); none when nothing is there.
std::optional<FileIdentity> identityOf(const std::string& path);

// The path a chain of symbolic links ends in (relative links taken from their own folder); the
// path itself when it is no link. The end need not exist. Error (notFound) for a loop.
std::string followLinks(const std::string& path);

struct ReplaceChecks {
    // The file as it was read; when set, a file that is no longer it (or is gone) is replaced
    // only with `overwriteChanged`. When not set, the file as the save found it.
    std::optional<FileIdentity> expected{};
    bool overwriteChanged = false;
};

// One replacement of the file at `path` (the end of its links). The constructor checks the file
// and creates the new one beside it; commit() puts the new file in place; a replacement that is
// never committed removes its new file and leaves the old one as it was.
class FileReplacement {
public:
    // Refuses, with Error, what is not a regular file (notRegularFile), a file without write
    // permission (readOnlyList), a file that another save holds (listBusy) and a file that
    // changed (changedOnDisk, see ReplaceChecks). Then creates the new file: readable by its
    // owner only when it replaces a file, else as the umask (or the folder's default ACL) says.
    FileReplacement(const std::string& path, ReplaceChecks checks = {});

    int fd() const { return m_temp->fd(); }
    const std::string& tempPath() const { return m_temp->path(); }
    const std::string& target() const { return m_target; }

    // Flushes the new file and checks the old one once more (changedOnDisk). A file of one name
    // is replaced in one rename by the new file, which takes its owner (where the process may
    // set it), group, mode and extended attributes (the ACL among them); a file of several hard
    // links is written over in place, the new file kept complete until that write has ended (it
    // stays, named in the error's detail, when that write fails). A new file never replaces one
    // that appeared meanwhile (alreadyExists). Returns the identity of the file now in place.
    FileIdentity commit();

private:
    void checkUnchanged() const;
    void takeOldAttributes();
    void writeInPlace();

    std::string m_target;
    ReplaceChecks m_checks;
    std::optional<FileIdentity> m_found; // the old file as this replacement found it
    mode_t m_mode = 0;
    uid_t m_owner = 0;
    gid_t m_group = 0;
    nlink_t m_links = 0;
    UniqueFd m_old; // the old file, read only, holding the save's lock
    std::optional<TempFile> m_temp;
};

} // namespace kx::io
