// Reading a scan's folders through descriptors, on threads ahead of the writer.
#include "listfile/scanwalk.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <system_error>
#include <unistd.h>

namespace kx::scanwalk {

namespace {

// A place's path never grows beyond this: far below PATH_MAX, and a name adds at most 255.
constexpr std::size_t kPathMost = 2048;
// Folders read by the threads and not yet taken by the writer.
constexpr std::size_t kAheadMost = 256;

constexpr unsigned kStatusMask =
    STATX_TYPE | STATX_MODE | STATX_INO | STATX_SIZE | STATX_MTIME | STATX_BTIME;

void readStatus(int folder, const char* name, int flags, Child& c, unsigned char type) {
    struct statx sx {};
    if (::statx(folder, name, flags | AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kStatusMask, &sx) !=
        0) {
        c.statusError = errno;
        c.mode = type == DT_DIR ? S_IFDIR : type == DT_LNK ? S_IFLNK : S_IFREG;
        return;
    }
    c.mode = sx.stx_mode;
    c.size = sx.stx_size;
    c.changed = sx.stx_mtime.tv_sec;
    // A birth time of exactly the epoch is one the file system never filled in (images unpacked
    // without it): as unknown as none.
    c.hasBirth =
        (sx.stx_mask & STATX_BTIME) != 0 && (sx.stx_btime.tv_sec != 0 || sx.stx_btime.tv_nsec != 0);
    c.born = c.hasBirth ? sx.stx_btime.tv_sec : 0;
    c.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    c.inode = sx.stx_ino;
}

// The jobs of a folder just read, for its folders to enter.
void makeJobs(Listing& l, dev_t device, const Rules& rules) {
    for (const Child& c : l.children)
        if (rules.enters(c, device))
            l.jobs.push_back(
                std::make_shared<Job>(l.placeOf(c.name, c.device != device), c.device));
}

} // namespace

Anchor::~Anchor() {
    if (fd >= 0) ::close(fd);
}

Child statusOf(int fd) {
    Child c;
    readStatus(fd, "", AT_EMPTY_PATH, c, DT_DIR);
    return c;
}

bool Child::isFolder() const {
    return S_ISDIR(mode);
}

bool Rules::enters(const Child& c, dev_t device) const {
    return c.isFolder() && c.statusError == 0 && (c.device == device || crossFileSystems);
}

Place Listing::placeOf(const std::string& childName, bool mount) const {
    return {below.anchor, below.path.empty() ? childName : below.path + "/" + childName, mount};
}

Listing readFolder(const Place& place, const Rules& rules) {
    Listing l;
    const int fd = ::openat(place.anchor->fd, place.path.empty() ? "." : place.path.c_str(),
                            O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        l.error = errno;
        return l;
    }
    Anchor opened(fd);
    if (place.mount && rules.pseudo.holds(fd)) {
        l.pseudo = true;
        return l;
    }
    thread_local std::vector<char> buffer(64 << 10);
    for (;;) {
        const ssize_t n = ::getdents64(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) l.error = errno;
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
            const auto* d = reinterpret_cast<const dirent64*>(buffer.data() + at);
            at += d->d_reclen;
            const char* name = d->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
            Child c;
            c.name = name;
            readStatus(fd, name, 0, c, d->d_type);
            if (c.statusError == ENOENT) continue; // gone since the folder was read
            if (c.inode == rules.outInode && c.device == rules.outDevice && rules.outInode)
                continue;
            l.children.push_back(std::move(c));
        }
    }
    std::sort(l.children.begin(), l.children.end(),
              [](const Child& a, const Child& b) { return a.name < b.name; });
    if (place.path.size() + 1 + 256 > kPathMost) { // its children are reached from here
        l.below.anchor = std::make_shared<Anchor>(fd);
        opened.fd = -1;
    } else {
        l.below = place;
    }
    return l;
}

Readers::Readers(unsigned threads, const Rules& rules) : m_rules(rules) {
    for (unsigned i = 1; i < threads; ++i) {
        try {
            m_threads.emplace_back([this] { run(); });
        } catch (const std::system_error&) {
            break; // fewer threads read ahead; the writer reads the rest
        }
    }
}

Readers::~Readers() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_work.notify_all();
    for (auto& t : m_threads)
        t.join();
}

Listing Readers::read(const Place& place, dev_t device) {
    Listing l = readFolder(place, m_rules);
    makeJobs(l, device, m_rules);
    queue(l.jobs);
    return l;
}

void Readers::queue(const std::vector<std::shared_ptr<Job>>& jobs) {
    if (m_threads.empty() || jobs.empty()) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.insert(m_queue.begin(), jobs.begin(), jobs.end());
    }
    m_work.notify_all();
}

Listing Readers::take(Job& job) {
    int waiting = 0;
    if (job.state.compare_exchange_strong(waiting, 1)) return read(job.place, job.device);
    // A thread is reading it: rather than wait, read a folder further on that none has started.
    bool wake = false;
    for (;;) {
        std::shared_ptr<Job> other;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (job.state.load() != 2) other = nextJob();
            if (!other) {
                m_done.wait(lock, [&] { return job.state.load() == 2; });
                wake = m_ahead-- == kAheadMost / 2;
                break;
            }
        }
        readAhead(*other);
    }
    if (wake) m_work.notify_all();
    return std::move(job.listing);
}

// The first queued job that no one has started, now taken; none while the bound is reached.
std::shared_ptr<Job> Readers::nextJob() {
    while (!m_queue.empty() && m_ahead < kAheadMost) {
        std::shared_ptr<Job> job = std::move(m_queue.front());
        m_queue.pop_front();
        int waiting = 0;
        if (!job->state.compare_exchange_strong(waiting, 1)) continue; // the writer has it
        ++m_ahead;
        return job;
    }
    return nullptr;
}

void Readers::readAhead(Job& job) {
    Listing l = readFolder(job.place, m_rules);
    makeJobs(l, job.device, m_rules);
    const bool more = !l.jobs.empty();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.insert(m_queue.begin(), l.jobs.begin(), l.jobs.end());
        job.listing = std::move(l);
        job.state.store(2);
    }
    if (more) m_work.notify_all();
    m_done.notify_all();
}

void Readers::run() {
    for (;;) {
        std::shared_ptr<Job> job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_work.wait(lock, [&] { return m_stop || (job = nextJob()) != nullptr; });
            if (m_stop) return;
        }
        readAhead(*job);
    }
}

} // namespace kx::scanwalk
