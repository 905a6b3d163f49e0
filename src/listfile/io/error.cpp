// The list-file library's error type and its English sentences.
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
    case ErrorCode::readOnlyList:
        return "the list file is read-only; nothing was written";
    case ErrorCode::listBusy:
        return "the list file is being saved by another program; try again later";
    case ErrorCode::changedOnDisk:
        return "the list file was changed on disk since it was opened; nothing was written";
    case ErrorCode::threadFailed:
        return "cannot start a worker thread";
    case ErrorCode::other:
        break;
    }
    return "failed";
}

std::string errorText(ErrorCode code, const std::string& path, int sysErrno,
                      const std::string& detail) {
    std::string s;
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
