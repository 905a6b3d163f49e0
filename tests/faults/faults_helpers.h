// Fault injection for the save and export tests: scratch folders, forked children with a file
// size limit or another user, kxtool runs, small tmpfs mounts and generated lists.
#pragma once

#include "listfile/entry.h"
#include "listfile/io/error.h"

#include <sys/types.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kxfault {

// A fresh folder under the system's temporary folder (mode 0755, so that a child that runs as
// another user can reach into it), removed with everything in it at the end.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// The names in a folder (no "." and ".."), sorted; empty when the folder cannot be read.
std::vector<std::string> listing(const std::string& folder);

// How a child ended: its exit status, or the signal that ended it; plus what it said.
struct ChildResult {
    int exitCode = -1; // -1 when a signal ended it
    int signal = 0;
    std::string message; // the text the child sent back (the library's error, or kxtool's stderr)
    // The code of the kx::Error that ended a runInChild body, if one did.
    std::optional<kx::ErrorCode> error;
};

// How to run a child: a limit on the size of any file it writes (writes beyond it fail with
// EFBIG; SIGXFSZ is ignored) and the user to run as (-1: unchanged).
struct ChildSetup {
    long long fileSizeLimit = -1;
    int uid = -1;
    std::vector<std::pair<std::string, std::string>> environment; // set in the child
};

// Runs `body` in a forked child. body returns the child's exit code and may fill `message`. A
// kx::Error that escapes body ends the child with exit code 1, its sentence as the message and
// its code in `error`.
ChildResult runInChild(const std::function<int(std::string& message)>& body,
                       const ChildSetup& setup = {});

// Runs kxtool with `args` and returns its exit status and standard error.
ChildResult runTool(const std::vector<std::string>& args, const ChildSetup& setup = {});

// Starts kxtool with `args` (standard output and error to /dev/null) and returns its process id.
pid_t startTool(const std::vector<std::string>& args, const ChildSetup& setup = {});

// saveListFile in a child: opens `listPath` as the viewer does, replaces its tree by `tree` when
// given, and saves; `afterFlush`, when given, runs as io::FileReplacement::afterFlush does. Exit
// code 0: saved; 1: a kx::Error (see runInChild); 2: the save said it was stopped; 3: any other
// failure.
ChildResult saveInChild(const std::string& listPath, kx::EntryTree* tree,
                        const ChildSetup& setup = {},
                        long long archiveSizeLimit = -1, // limit set only once the pack starts
                        void (*afterFlush)(const std::string& target) = nullptr);

// A tmpfs of `bytes` mounted on `folder` (which must exist) for the object's lifetime.
// ok() is false when mounting is not permitted; reason() says why.
class TmpfsMount {
public:
    TmpfsMount(const std::string& folder, std::size_t bytes);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;
    bool ok() const { return m_mounted; }
    const std::string& reason() const { return m_reason; }

private:
    std::string m_folder, m_reason;
    bool m_mounted = false;
};

// A generated list of `entries` Entries (the root included), folders and files with varied
// names; the same seed gives the same tree.
std::unique_ptr<kx::EntryTree> generatedTree(std::size_t entries, unsigned seed = 1);

// The number of Entries of the list file at `path` (the CRC checked), or -1 with `error` set
// when it does not open.
long long openedEntryCount(const std::string& path, std::string* error = nullptr);

// True when `text` is one line that ends in ".".
bool isOneSentence(const std::string& text);

} // namespace kxfault
