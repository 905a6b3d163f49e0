// Opening and saving a whole list file.
#include "listfile/listfile.h"

#include "listfile/io/paths.h"
#include "listfile/zip/writer.h"

namespace kx {

using paths::folderOf;

bool saveListFile(ListContainer& container, const EntryTree& tree, const std::string& listPath,
                  const Progress& progress, const std::function<void()>& beforePack,
                  const io::ReplaceChecks& checks, io::FileIdentity* saved, PathNames names,
                  std::vector<std::uint32_t>* clearedNames) {
    const std::uint64_t total =
        kHeaderSize +
        std::uint64_t(kRecordSize) * (tree.root() ? countTree(tree.root()).entries : 0);
    if (total >= 0xFFFFFFFFull) throw Error(ErrorCode::tooLarge, listPath);
    const zip::EntryHeader entry = container.entryHeaderFor(listPath);
    if (beforePack) beforePack();
    io::FileReplacement file(listPath, checks);
    zip::ArchiveSink archive(file.fd(), file.tempPath(), entry);
    if (!writeInnerList(tree, archive, progress, names, clearedNames)) return false;
    archive.finish();
    const io::FileIdentity identity = file.commit();
    if (saved) *saved = identity;
    return true;
}

namespace {

std::unique_ptr<EntryTree> readListFile(ListContainer& container, const std::string& listPath,
                                        bool* readStarted) {
    auto source = container.openEntry(listPath);
    if (source->remaining() == 0) throw Error(ErrorCode::emptyList, listPath);
    if (readStarted) *readStarted = true;
    try {
        auto tree = readInnerList(*source);
        source->verify();
        return tree;
    } catch (const Error& e) {
        // The reader of the inner list does not know the file it reads.
        if (!e.path().empty()) throw;
        throw Error(e.code(), listPath, e.sysErrno(), e.detail());
    }
}

} // namespace

std::optional<std::string> keptSaveAfterDamage(ErrorCode code, const std::string& listPath) {
    // A write in place cut short leaves any of these, whichever bytes it reached.
    if (code < ErrorCode::notZip || code > ErrorCode::brokenList) return std::nullopt;
    return io::keptSaveOf(listPath);
}

std::unique_ptr<EntryTree> openListFile(ListContainer& container, const std::string& listPath,
                                        bool* readStarted) {
    try {
        return readListFile(container, listPath, readStarted);
    } catch (const Error& e) {
        const std::optional<std::string> kept = keptSaveAfterDamage(e.code(), listPath);
        if (!kept) throw;
        const std::string said = e.detail().empty() ? "" : e.detail() + "; ";
        throw Error(e.code(), e.path(), e.sysErrno(),
                    said + "an interrupted save kept the whole new list in " + *kept);
    }
}

} // namespace kx
