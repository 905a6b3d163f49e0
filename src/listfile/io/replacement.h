// Replacing a user's file with a new one written beside it: links followed by the system, the old
// file's owner, group, mode, ACL and extended attributes kept, hard links and other owners kept by
// a write in place through the file opened at the start, and a check that the file is still the
// one that was read.
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

struct ReplaceChecks {
    // The file as it was read; when set, a file that is no longer it (or is gone) is replaced
    // only with `overwriteChanged`. When not set, the file as the save found it.
    std::optional<FileIdentity> expected{};
    bool overwriteChanged = false;
};

// One replacement of the file at `path`. The constructor opens the file as the system resolves
// the path (so its protections of links apply), checks it and creates the new file beside it, in
// the folder the opened file is in; commit() puts the new file in place; a replacement that is
// never committed removes its new file and leaves the old one as it was.
class FileReplacement {
public:
    // Refuses, with Error, what is not a regular file (notRegularFile), a file without write
    // permission (readOnlyList), a file that another save holds (listBusy), a file that changed
    // (changedOnDisk, see ReplaceChecks), a path the system refuses to follow (noPermission) and
    // a link to nothing (alreadyExists: a new file is never made through a link). Then creates
    // the new file: readable by its owner only when it replaces a file, else as the umask (or
    // the folder's default ACL) says.
    FileReplacement(const std::string& path, ReplaceChecks checks = {});

    int fd() const { return m_temp->fd(); }
    const std::string& tempPath() const { return m_temp->path(); }
    const std::string& target() const { return m_target; }

    // Flushes the new file and checks the old one once more: the file opened at the start must
    // still be the one its name and the caller's path name (changedOnDisk, nothing written).
    // A file of one name, owned by this process (or one that may give it to its owner), is
    // replaced in one rename by the new file, which takes its owner, group, mode and extended
    // attributes (the ACL among them) only after its flush. A file of several hard links, or
    // one whose owner or group this process may not give, is written over in place through the
    // file opened at the start; the new list is first kept complete beside it under a visible
    // name (keptSaveOf finds it), removed once that write has ended and left, named in the
    // error's detail, when it fails. A new file never replaces one that appeared meanwhile
    // (alreadyExists). Returns the identity of the file now in place.
    FileIdentity commit();

    // Runs in commit() once the new file is flushed, before the old one is checked again and
    // replaced. Null; a test sets it to change the folder at that moment.
    static void (*afterFlush)(const std::string& target);

private:
    bool openOld(const std::string& path);
    void checkUnchanged() const;
    void takeOldAttributes();
    FileIdentity writeInPlace();
    FileIdentity identityOfName() const;

    std::string m_path;   // as the caller named it
    std::string m_target; // the file itself: the folder it is in and its name there
    std::string m_name;
    UniqueFd m_folder;
    ReplaceChecks m_checks;
    std::optional<FileIdentity> m_found; // the old file as this replacement found it
    mode_t m_mode = 0;
    uid_t m_owner = 0;
    gid_t m_group = 0;
    bool m_inPlace = false;
    UniqueFd m_old; // the old file, opened for reading and writing, holding the save's lock
    std::optional<TempFile> m_temp;
};

// The complete new list that a save writing in place kept beside the file at `path` (links
// followed) and left because that write did not end: the newest of them, none when there is none.
std::optional<std::string> keptSaveOf(const std::string& path);

} // namespace kx::io
