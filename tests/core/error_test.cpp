// The English sentences of the error codes, as kxtool prints them.
#include "listfile/io/error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <string>

namespace {

using kx::ErrorCode;

TEST(ErrorText, SentencesOfEachShape) {
    const struct {
        ErrorCode code;
        const char* path;
        int sysErrno;
        const char* detail;
        const char* sentence;
    } cases[] = {
        {ErrorCode::notZip, "disk1.kx", 0, "", "disk1.kx: not a ZIP archive."},
        {ErrorCode::brokenList, "", 0, "shorter than its header",
         "the list inside the file is damaged (shorter than its header)."},
        {ErrorCode::writeFailed, "/a/b.kx", EIO, "",
         "/a/b.kx: cannot write the file: "
         "Input/output error."},
        {ErrorCode::noSpace, "/a/b.kx", ENOSPC, "", "/a/b.kx: no space left on the device."},
        {ErrorCode::exportCreateFailed, "out.txt", ENOENT, "", "Cannot create out.txt."},
        {ErrorCode::exportWriteFailed, "out.txt", ENOSPC, "",
         "Writing out.txt failed; the export is incomplete."},
        {ErrorCode::exportNotRegularFile, "/dev/full", 0, "",
         "/dev/full is not a regular file; nothing was written."},
        {ErrorCode::exportOverList, "l.kx", 0, "",
         "l.kx is the list file itself; the export would overwrite it."},
        {ErrorCode::printRefused, "", 0, "", "The printer did not accept the print job."},
        {ErrorCode::catalogueNoHome, "", 0, "",
         "Neither XDG_DATA_HOME nor HOME is set; name the catalogue with --db FILE."},
        {ErrorCode::catalogueMissing, "/r/c.sqlite", ENOENT, "",
         "There is no catalogue /r/c.sqlite; add a list to make one."},
        {ErrorCode::catalogueFolderFailed, "/r/c.sqlite", EACCES, "",
         "The folder of the catalogue /r/c.sqlite cannot be made: Permission denied."},
        {ErrorCode::catalogueNotRegularFile, "/c", 0, "",
         "The catalogue /c is not a regular file."},
        {ErrorCode::catalogueOpenFailed, "/c", 0, "unable to open database file",
         "The catalogue /c cannot be opened: unable to open database file."},
        {ErrorCode::notCatalogue, "/c", 0, "",
         "The catalogue /c is not a catalogue; it was left as it is."},
        {ErrorCode::catalogueTooNew, "/c", 0, "",
         "The catalogue /c was made by a newer version of kxtool; it was left as it is."},
        {ErrorCode::catalogueDamaged, "", 0, "a bad index",
         "The catalogue is damaged (a bad index); it was left as it is."},
        {ErrorCode::catalogueDamaged, "/c", 0, "file is not a database",
         "The catalogue /c is damaged (file is not a database); it was left as it is."},
        {ErrorCode::catalogueUnreadable, "", 0, "no such table: lists",
         "The catalogue cannot be read: no such table: lists."},
        {ErrorCode::catalogueFailed, "/c", 0, "database is locked",
         "The catalogue /c failed: database is locked."},
    };
    for (const auto& c : cases) {
        const kx::Error e(c.code, c.path, c.sysErrno, c.detail);
        EXPECT_STREQ(e.what(), c.sentence);
    }
}

TEST(ErrorText, EveryCodeHasAPhraseOfItsOwn) {
    std::set<std::string> phrases;
    for (int c = 0; c < int(ErrorCode::other); ++c)
        EXPECT_TRUE(phrases.insert(kx::errorCodeText(ErrorCode(c))).second)
            << kx::errorCodeText(ErrorCode(c));
    EXPECT_FALSE(phrases.count(kx::errorCodeText(ErrorCode::other)));
}

} // namespace
