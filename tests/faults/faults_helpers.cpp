// Fault injection helpers: forked children, kxtool runs, tmpfs mounts, generated lists.
#include "faults_helpers.h"

#include "common/treebuilder.h"
#include "listfile/listfile.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace kxfault {

namespace {

// What a child does before its body or program runs; on any failure it ends at once.
void applySetup(const ChildSetup& setup) {
    for (const auto& [name, value] : setup.environment)
        ::setenv(name.c_str(), value.c_str(), 1);
    ::signal(SIGXFSZ, SIG_IGN); // a write beyond the limit then fails with EFBIG
    if (setup.fileSizeLimit >= 0) {
        const rlimit limit{rlim_t(setup.fileSizeLimit), rlim_t(setup.fileSizeLimit)};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(120);
    }
    if (setup.uid >= 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid_t(setup.uid)) != 0 ||
            ::setuid(uid_t(setup.uid)) != 0)
            ::_exit(121);
    }
}

ChildResult waitFor(pid_t pid, int readEnd) {
    ChildResult result;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(readEnd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        result.message.append(buf, std::size_t(n));
    }
    ::close(readEnd);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

std::vector<char*> argvOf(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

} // namespace

ScratchDir::ScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "kxfault-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
    ::chmod(m_path.c_str(), 0755);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    // A test may have taken the write permission away from a folder inside.
    for (auto it = fs::recursive_directory_iterator(m_path, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0755);
    }
    fs::remove_all(m_path, ec);
}

std::vector<std::string> listing(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

ChildResult runInChild(const std::function<int(std::string& message)>& body,
                       const ChildSetup& setup) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::close(fds[0]);
        applySetup(setup);
        std::string message;
        int code = 3;
        int error = -1;
        try {
            code = body(message);
        } catch (const kx::Error& e) {
            message = e.what();
            error = int(e.code());
            code = 1;
        } catch (const std::exception& e) {
            message = e.what();
        } catch (...) {
            message = "unknown exception";
        }
        // The error's code goes first, as a fixed-size prefix of what the child sends back.
        message.insert(0, reinterpret_cast<const char*>(&error), sizeof error);
        for (std::size_t off = 0; off < message.size();) {
            const ssize_t n = ::write(fds[1], message.data() + off, message.size() - off);
            if (n <= 0) break;
            off += std::size_t(n);
        }
        ::_exit(code); // no destructors, no test framework teardown in the child
    }
    ::close(fds[1]);
    ChildResult result = waitFor(pid, fds[0]);
    int error = -1;
    if (result.message.size() >= sizeof error) {
        std::memcpy(&error, result.message.data(), sizeof error);
        result.message.erase(0, sizeof error);
    }
    if (error >= 0) result.error = kx::ErrorCode(error);
    return result;
}

namespace {
// Starts kxtool with the arguments; its standard error goes to `errorFd` (/dev/null when -1).
pid_t spawnTool(const std::vector<std::string>& args, const ChildSetup& setup, int errorFd) {
    std::vector<std::string> all{KXTOOL_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv = argvOf(all);
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, STDOUT_FILENO);
        ::dup2(errorFd >= 0 ? errorFd : devNull, STDERR_FILENO);
        applySetup(setup);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}
} // namespace

ChildResult runTool(const std::vector<std::string>& args, const ChildSetup& setup) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = spawnTool(args, setup, fds[1]);
    ::close(fds[1]);
    return waitFor(pid, fds[0]);
}

pid_t startTool(const std::vector<std::string>& args, const ChildSetup& setup) {
    return spawnTool(args, setup, -1);
}

ChildResult saveInChild(const std::string& listPath, kx::EntryTree* tree, const ChildSetup& setup,
                        long long archiveSizeLimit, void (*afterFlush)(const std::string&)) {
    return runInChild(
        [&](std::string&) {
            kx::io::FileReplacement::afterFlush = afterFlush;
            kx::ListContainer container;
            auto opened = kx::openListFile(container, listPath);
            kx::regroupRootFolder(*opened);
            auto limitArchive = [archiveSizeLimit] {
                if (archiveSizeLimit < 0) return;
                const rlimit limit{rlim_t(archiveSizeLimit), rlim_t(archiveSizeLimit)};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            };
            return kx::saveListFile(container, tree ? *tree : *opened, listPath, {}, limitArchive)
                       ? 0
                       : 2;
        },
        setup);
}

TmpfsMount::TmpfsMount(const std::string& folder, std::size_t bytes) : m_folder(folder) {
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0) {
        m_mounted = true;
    } else {
        m_reason = "mounting a tmpfs is not permitted here (" + std::string(std::strerror(errno)) +
                   "); it needs root with CAP_SYS_ADMIN outside a restricted container";
    }
}

TmpfsMount::~TmpfsMount() {
    if (m_mounted && ::umount2(m_folder.c_str(), 0) != 0) ::umount2(m_folder.c_str(), MNT_DETACH);
}

std::unique_ptr<kx::EntryTree> generatedTree(std::size_t entries, unsigned seed) {
    std::mt19937 rng(seed);
    kxtest::TreeBuilder b{"D:\\generated"};
    b.tree().headerText = "generated list";
    kx::Entry* root = kxtest::EntryEdit(b.root()).dates("", "");
    std::vector<kx::Entry*> folders{root};
    for (std::size_t i = 1; i < entries; ++i) {
        // Mostly one of the recent folders, so the tree grows deep as well as wide.
        const std::size_t recent = std::min<std::size_t>(folders.size(), 16);
        kx::Entry* parent = folders[folders.size() - 1 - rng() % recent];
        if (parent->depth() >= 10) parent = root;
        const bool isFolder = rng() % 10 == 0;
        const std::string name = (isFolder ? "folder " : "file ") + std::to_string(rng() % 100000) +
                                 "_" + std::to_string(i) + (isFolder ? "" : ".dat");
        kxtest::EntryEdit e = b.add(parent, name, isFolder ? kx::kFolder : kx::kFile);
        e.dates("12.03.2024 09:15:42", "02.11.2025 18:04:10").attributes(kx::archive);
        e.size(isFolder ? 0 : rng() % 5000000);
        if (isFolder) folders.push_back(e);
    }
    return b.take();
}

long long openedEntryCount(const std::string& path, std::string* error) {
    try {
        kx::ListContainer container;
        auto tree = kx::openListFile(container, path);
        return static_cast<long long>(kx::countTree(tree->root()).entries);
    } catch (const std::exception& e) {
        if (error) *error = e.what();
        return -1;
    }
}

bool isOneSentence(const std::string& text) {
    std::string t = text;
    if (!t.empty() && t.back() == '\n') t.pop_back();
    return t.size() > 1 && t.find('\n') == std::string::npos && t.back() == '.';
}

} // namespace kxfault
