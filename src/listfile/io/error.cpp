// The program's error type and its English sentences.
#include "listfile/io/error.h"

#include <cerrno>
#include <cstring>

namespace kx {

Error::Error(ErrorCode code, std::string path, int sysErrno, std::string detail)
    : std::runtime_error(errorText(code, path, sysErrno, detail)), m_code(code),
      m_path(std::move(path)), m_errno(sysErrno), m_detail(std::move(detail)) {}

const char* errorCodeText(ErrorCode code) {
    switch (code) {
    case ErrorCode::notFound:
        return "no such file";
    case ErrorCode::notRegularFile:
        return "not a regular file";
    case ErrorCode::noPermission:
        return "permission denied";
    case ErrorCode::readFailed:
        return "cannot read the file";
    case ErrorCode::notZip:
        return "not a ZIP archive";
    case ErrorCode::notOneEntry:
        return "the archive does not hold exactly one entry";
    case ErrorCode::multiDisk:
        return "the archive is spread over several disks";
    case ErrorCode::encrypted:
        return "the archive's entry is encrypted";
    case ErrorCode::unsupportedMethod:
        return "the archive's entry uses an unsupported compression method";
    case ErrorCode::zip64:
        return "ZIP64 archives are not supported";
    case ErrorCode::damagedArchive:
        return "the archive is damaged";
    case ErrorCode::crcMismatch:
        return "the list's data does not match its CRC-32 (damaged)";
    case ErrorCode::emptyList:
        return "the list file holds an empty list";
    case ErrorCode::brokenList:
        return "the list inside the file is damaged";
    case ErrorCode::pathTooLong:
        return "a path below the root is longer than the 32767 characters any disk names";
    case ErrorCode::createFailed:
        return "cannot create the file";
    case ErrorCode::writeFailed:
        return "cannot write the file";
    case ErrorCode::noSpace:
        return "no space left on the device";
    case ErrorCode::replaceFailed:
        return "cannot replace the list file";
    case ErrorCode::tooLarge:
        return "the list is too large for a list file (over 4 GiB)";
    case ErrorCode::alreadyExists:
        return "the file exists already; choose a new name";
    case ErrorCode::notFolder:
        return "not a folder";
    case ErrorCode::noSuchFolder:
        return "no such folder in the list";
    case ErrorCode::readOnlyList:
        return "the list file is read-only; nothing was written";
    case ErrorCode::listBusy:
        return "the list file is being saved by another program; try again later";
    case ErrorCode::changedOnDisk:
        return "the list file was changed on disk since it was opened; nothing was written";
    case ErrorCode::exportCreateFailed:
        return "cannot create the export";
    case ErrorCode::exportWriteFailed:
        return "writing the export failed; it is incomplete";
    case ErrorCode::exportNotRegularFile:
        return "not a regular file; nothing was written";
    case ErrorCode::exportOverList:
        return "the list file itself; the export would overwrite it";
    case ErrorCode::printRefused:
        return "the printer did not accept the print job";
    case ErrorCode::catalogueNoHome:
        return "neither XDG_DATA_HOME nor HOME is set";
    case ErrorCode::catalogueMissing:
        return "there is no catalogue";
    case ErrorCode::catalogueFolderFailed:
        return "the folder of the catalogue cannot be made";
    case ErrorCode::catalogueNotRegularFile:
        return "the catalogue is not a regular file";
    case ErrorCode::catalogueOpenFailed:
        return "the catalogue cannot be opened";
    case ErrorCode::notCatalogue:
        return "not a catalogue";
    case ErrorCode::catalogueTooNew:
        return "the catalogue was made by a newer version of kxtool";
    case ErrorCode::catalogueDamaged:
        return "the catalogue is damaged";
    case ErrorCode::catalogueUnreadable:
        return "the catalogue cannot be read";
    case ErrorCode::catalogueFailed:
        return "the catalogue failed";
    case ErrorCode::threadFailed:
        return "cannot start a worker thread";
    case ErrorCode::other:
        break;
    }
    return "failed";
}

bool isCatalogueError(ErrorCode code) {
    return code >= ErrorCode::catalogueNoHome && code <= ErrorCode::catalogueFailed;
}

namespace {

// The sentence of a code whose sentence has a shape of its own, or the empty text. The
// catalogue's sentences name it with its path when there is one; SQLite's reason is the detail.
std::string ownSentence(ErrorCode code, const std::string& path, int sysErrno,
                        const std::string& detail) {
    const std::string catalogue = path.empty() ? "The catalogue" : "The catalogue " + path;
    const std::string leftAlone = "; it was left as it is.";
    switch (code) {
    case ErrorCode::noSuchFolder:
        return "There is no folder \"" + path + "\" in the list.";
    case ErrorCode::exportCreateFailed:
        return "Cannot create " + path + ".";
    case ErrorCode::exportWriteFailed:
        return "Writing " + path + " failed; the export is incomplete.";
    case ErrorCode::exportNotRegularFile:
        return path + " is not a regular file; nothing was written.";
    case ErrorCode::exportOverList:
        return path + " is the list file itself; the export would overwrite it.";
    case ErrorCode::printRefused:
        return "The printer did not accept the print job.";
    case ErrorCode::catalogueNoHome:
        return "Neither XDG_DATA_HOME nor HOME is set; name the catalogue with --db FILE.";
    case ErrorCode::catalogueMissing:
        return "There is no catalogue " + path + "; add a list to make one.";
    case ErrorCode::catalogueFolderFailed:
        return "The folder of the catalogue " + path +
               " cannot be made: " + std::strerror(sysErrno) + ".";
    case ErrorCode::catalogueNotRegularFile:
        return catalogue + " is not a regular file.";
    case ErrorCode::catalogueOpenFailed:
        return catalogue + " cannot be opened: " + detail + ".";
    case ErrorCode::notCatalogue:
        return catalogue + " is not a catalogue" + leftAlone;
    case ErrorCode::catalogueTooNew:
        return catalogue + " was made by a newer version of kxtool" + leftAlone;
    case ErrorCode::catalogueDamaged:
        return catalogue + " is damaged (" + detail + ")" + leftAlone;
    case ErrorCode::catalogueUnreadable:
        return catalogue + " cannot be read: " + detail + ".";
    case ErrorCode::catalogueFailed:
        return catalogue + " failed: " + detail + ".";
    default:
        return {};
    }
}

} // namespace

std::string errorText(ErrorCode code, const std::string& path, int sysErrno,
                      const std::string& detail) {
    std::string s = ownSentence(code, path, sysErrno, detail);
    if (!s.empty()) return s;
    if (!path.empty()) s = path + ": ";
    s += errorCodeText(code);
    if (!detail.empty()) s += " (" + detail + ")";
    // The system's reason adds nothing where the code already is that reason.
    if (sysErrno != 0 && code != ErrorCode::notFound && code != ErrorCode::noPermission &&
        code != ErrorCode::noSpace)
        s += std::string(": ") + std::strerror(sysErrno);
    s += '.';
    return s;
}

ErrorCode codeForErrno(int sysErrno, ErrorCode otherwise) {
    switch (sysErrno) {
    case ENOENT:
    case ENOTDIR:
        return ErrorCode::notFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return ErrorCode::noPermission;
    case ENOSPC:
    case EDQUOT:
        return ErrorCode::noSpace;
    default:
        return otherwise;
    }
}

void throwSystemError(ErrorCode otherwise, const std::string& path, std::string detail) {
    const int e = errno;
    throw Error(codeForErrno(e, otherwise), path, e, std::move(detail));
}

} // namespace kx
