// The list file's ZIP container: one entry holding the inner list.
#pragma once

#include "listfile/innerlist.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace kx {

// A list file that cannot be read as a one-entry archive, or a pack that failed. The message is
// one plain sentence that names what is wrong.
class ContainerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The file name without its folder, cut at the first occurrence of its extension (the text from
// the last "."): disk1.kx gives disk1, a.kx.kx gives a; a name without extension stays whole.
std::string baseName(const std::string& path);

// The bytes of a list file's one entry, inflated as they are read: opening reads the inner list
// straight from the archive, with nothing written to disk. remaining() is the declared size still
// to come. verify() reads what the reader left (bytes after the root's subtree) and checks the
// CRC-32 and the size; it throws ContainerError when they do not match.
class EntrySource : public ByteSource {
public:
    ~EntrySource() override;
    std::size_t read(void* into, std::size_t n) override;
    std::uint64_t remaining() const override;
    void verify();
    struct State;

private:
    friend class ListContainer;
    explicit EntrySource(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

class ListContainer {
public:
    // Opens the one entry of the list file for reading (the list file is only read). Throws
    // ContainerError for anything that is not a readable one-entry archive.
    std::unique_ptr<EntrySource> openEntry(const std::string& listPath);

    // Extracts the one entry of the list file to a working file and returns the working file's
    // path. The list file is only read, never written. The working file is the base name in the
    // list's folder, or in TMP / TEMP / the system's temporary folder when a folder of that name
    // is in the way or the list's folder cannot be written; it never replaces an existing file
    // (a free name is chosen). Throws ContainerError for anything that is not a readable
    // one-entry archive (the message says what), including a CRC or size mismatch.
    std::string unpackListFile(const std::string& listPath);

    // Packs the temporary list file as the only entry of a new archive that replaces the list
    // file. The new archive is written beside the list file under a temporary name, flushed to
    // the device and renamed over the list file; on any failure the list file is left as it was
    // and ContainerError is thrown. `progress.packStep` hears how far the compression is; when
    // `progress.abort` is set after a step, the pack stops, the list file stays as it was and the
    // result is false.
    bool packListFile(const std::string& tempListPath, const std::string& listPath,
                      const WriteProgress& progress = {});

    // The folder (ending in "/") of the last unpack; the pack names the entry relative to it.
    const std::string& extractionFolder() const { return m_extractionFolder; }

private:
    std::string m_extractionFolder;
};

// The entry name a pack gives a file: its path relative to `folder` when it lies inside, else
// its full path without the leading separator. "\" becomes "/".
std::string entryNameFor(const std::string& filePath, const std::string& folder);

} // namespace kx
