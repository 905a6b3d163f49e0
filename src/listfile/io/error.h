// The one error type of the program: a code, the path it concerns and the system's error number,
// for the list file, the exports, printing and the catalogue. The window turns the code into a
// row of its message tables; kxtool prints errorText(), one English sentence.
#pragma once

#include <stdexcept>
#include <string>

namespace kx {

enum class ErrorCode {
    // The list file as a file.
    notFound,       // no such file or folder
    notRegularFile, // a folder, a FIFO, a device
    noPermission,   // the system refused the access
    readFailed,     // a read of the file failed
    // The archive.
    notZip,            // no ZIP end record: not an archive at all
    notOneEntry,       // an archive without an entry, or with more than one
    multiDisk,         // spread over several disks
    encrypted,         // the entry is encrypted
    unsupportedMethod, // neither stored nor deflated
    zip64,             // sizes or offsets only a ZIP64 archive can hold
    damagedArchive,    // records that disagree or point outside the file, bad deflate data
    crcMismatch,       // the inflated bytes do not have the recorded CRC-32
    // The inner list.
    emptyList,   // the entry holds no bytes
    brokenList,  // a record cut short, counts that promise more than the data holds
    pathTooLong, // a path below the root longer than any disk names (kMaxPathLength)
    // Writing.
    createFailed,  // a new file could not be created
    writeFailed,   // a write, flush or close failed
    noSpace,       // the device or the quota is full
    replaceFailed, // the new archive could not take the list file's place
    tooLarge,      // the list is too large for an archive without ZIP64
    alreadyExists, // a new list file would replace a file that is there
    notFolder,     // a folder to scan is a file
    noSuchFolder,  // a folder named by its path is not in the list (the path is that path)
    readOnlyList,  // the list file may not be written (no write permission bit)
    listBusy,      // another save of the same list file is under way
    changedOnDisk, // the list file is no longer the one that was read
    // An export (the path is the export's file).
    exportCreateFailed,   // the file could not be created or emptied
    exportWriteFailed,    // a write, the flush or the close failed: the file is incomplete
    exportNotRegularFile, // a folder, a FIFO, a device: nothing was written
    exportOverList,       // the file is the open list file itself: nothing was written
    // Printing.
    printRefused, // the job could not start, or the printer did not take it
    // The catalogue (the path is the catalogue's file when it is known; the detail is SQLite's).
    catalogueNoHome,         // neither XDG_DATA_HOME nor HOME says where it lives
    catalogueMissing,        // no catalogue file where one must be (nothing was made)
    catalogueFolderFailed,   // its folder could not be made
    catalogueNotRegularFile, // a folder, a FIFO, a device
    catalogueOpenFailed,     // SQLite could not open the file
    notCatalogue,            // a database of another program: left alone
    catalogueTooNew,         // made by a newer version: left alone
    catalogueDamaged,        // left alone
    catalogueUnreadable,     // a query could not be prepared
    catalogueFailed,         // a query failed (busy too long, I/O, full disk)
    // The program.
    threadFailed, // a worker thread could not be started
    other,        // stays last: the codes run from 0 to other
};

// True for the codes of the catalogue itself (not of a list it reads).
bool isCatalogueError(ErrorCode code);

class Error : public std::runtime_error {
public:
    // `detail` adds to the sentence where the code alone says too little (which record, which
    // field); it is English, for kxtool and logs, and the window never shows it.
    Error(ErrorCode code, std::string path = {}, int sysErrno = 0, std::string detail = {});

    ErrorCode code() const { return m_code; }
    const std::string& path() const { return m_path; }
    int sysErrno() const { return m_errno; }
    const std::string& detail() const { return m_detail; }

private:
    ErrorCode m_code;
    std::string m_path;
    int m_errno;
    std::string m_detail;
};

// What a code means, as a short English phrase without a full stop ("not a ZIP archive").
const char* errorCodeText(ErrorCode code);

// One English sentence: the path, what is wrong, the detail and the system's reason
// ("disk1.kx: not a ZIP archive." / "/a/b.kx: cannot write: No space left on device."). The
// exports, printing and the catalogue have sentences of their own ("Cannot create out.txt.",
// "The catalogue /a/c.sqlite is damaged (file is not a database); it was left as it is.").
std::string errorText(ErrorCode code, const std::string& path, int sysErrno,
                      const std::string& detail = {});

// The code that fits a system error number of a failed open, read or write: ENOENT gives
// notFound, EACCES and EPERM noPermission, ENOSPC and EDQUOT noSpace, else `otherwise`.
ErrorCode codeForErrno(int sysErrno, ErrorCode otherwise);

// Throws Error with the code that fits errno (see codeForErrno) and errno itself.
[[noreturn]] void throwSystemError(ErrorCode otherwise, const std::string& path,
                                   std::string detail = {});

} // namespace kx
