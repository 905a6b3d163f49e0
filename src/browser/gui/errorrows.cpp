// The row of the message table for each error code.
#include "browser/gui/errorrows.h"

namespace kx {

ui::Msg messageRowOf(ErrorCode code) {
    using ui::Msg;
    // No default: a new code without a row is a warning of the build.
    switch (code) {
    case ErrorCode::notFound:
        return Msg::fileNotFound;
    case ErrorCode::notRegularFile:
        return Msg::notRegularFile;
    case ErrorCode::noPermission:
        return Msg::accessDenied;
    case ErrorCode::readFailed:
        return Msg::readFailed;
    case ErrorCode::notZip:
        return Msg::notZip;
    case ErrorCode::notOneEntry:
        return Msg::notOneEntry;
    case ErrorCode::multiDisk:
        return Msg::multiVolume;
    case ErrorCode::encrypted:
        return Msg::encrypted;
    case ErrorCode::unsupportedMethod:
        return Msg::unsupportedMethod;
    case ErrorCode::zip64:
        return Msg::zip64;
    case ErrorCode::damagedArchive:
        return Msg::damagedArchive;
    case ErrorCode::crcMismatch:
        return Msg::checksumMismatch;
    case ErrorCode::emptyList:
        return Msg::fileEmpty;
    case ErrorCode::brokenList:
        return Msg::loadFailed;
    case ErrorCode::pathTooLong:
        return Msg::pathTooLong;
    case ErrorCode::createFailed:
    case ErrorCode::alreadyExists:
        return Msg::createFailed;
    case ErrorCode::writeFailed:
        return Msg::writeFailed;
    case ErrorCode::noSpace:
        return Msg::noSpace;
    case ErrorCode::replaceFailed:
        return Msg::replaceFailed;
    case ErrorCode::tooLarge:
        return Msg::tooLarge;
    case ErrorCode::notFolder:
        return Msg::notFolder;
    case ErrorCode::noSuchFolder:
        return Msg::noSuchFolder;
    case ErrorCode::readOnlyList:
        return Msg::readOnlyList;
    case ErrorCode::listBusy:
        return Msg::listBusy;
    case ErrorCode::changedOnDisk:
        return Msg::changedOnDisk;
    // An export tells a failed write as it tells a failed creation, as it always has.
    case ErrorCode::exportCreateFailed:
    case ErrorCode::exportWriteFailed:
        return Msg::createFailed;
    case ErrorCode::exportNotRegularFile:
        return Msg::exportNotRegularFile;
    case ErrorCode::exportOverList:
        return Msg::exportOverList;
    case ErrorCode::printRefused:
        return Msg::printRefused;
    case ErrorCode::catalogueNoHome:
        return Msg::catalogueNoHome;
    case ErrorCode::catalogueMissing:
        return Msg::catalogueMissing;
    case ErrorCode::catalogueFolderFailed:
        return Msg::catalogueFolderFailed;
    case ErrorCode::catalogueNotRegularFile:
        return Msg::catalogueNotRegularFile;
    case ErrorCode::catalogueOpenFailed:
        return Msg::catalogueOpenFailed;
    case ErrorCode::notCatalogue:
        return Msg::notCatalogue;
    case ErrorCode::catalogueTooNew:
        return Msg::catalogueTooNew;
    case ErrorCode::catalogueDamaged:
        return Msg::catalogueDamaged;
    case ErrorCode::catalogueUnreadable:
        return Msg::catalogueUnreadable;
    case ErrorCode::catalogueFailed:
        return Msg::catalogueFailed;
    case ErrorCode::threadFailed:
        return Msg::threadFailed;
    case ErrorCode::other:
        break;
    }
    return Msg::unexpectedError;
}

} // namespace kx
