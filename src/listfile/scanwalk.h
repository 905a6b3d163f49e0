// Reading the folders of a scan: each folder through a descriptor, its entries' status relative
// to it, on several threads ahead of the one that writes the list.
#pragma once

#include "listfile/scandisk.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace kx::scanwalk {

// An open folder that the places below it are reached from; closed with its last user.
struct Anchor {
    explicit Anchor(int fd) : fd(fd) {}
    ~Anchor();
    Anchor(const Anchor&) = delete;
    Anchor& operator=(const Anchor&) = delete;
    int fd;
};

// Where a folder is: a path relative to an anchor, kept short enough for the system to open
// whatever the folder's depth (a folder deep below becomes the anchor of its children).
struct Place {
    std::shared_ptr<Anchor> anchor;
    std::string path;
    bool mount = false; // on another file system than its parent: checked before it is read
};

// One entry of a folder as its status says.
struct Child {
    std::string name; // as the file system has it
    std::uint32_t mode = 0;
    std::uint64_t size = 0;
    std::int64_t changed = 0, born = 0; // seconds since 1970
    bool hasBirth = false;              // the file system keeps a birth time
    dev_t device = 0;
    ino_t inode = 0;
    int statusError = 0; // errno when the status could not be read (then only the type is known)
    bool isFolder() const;
};

struct Job;

// A folder's entries sorted by name (byte order), and where its children are reached from.
struct Listing {
    std::vector<Child> children;
    int error = 0;       // errno when the folder could not be opened or read to its end
    bool pseudo = false; // a pseudo file system: not read
    Place below;         // the place of a child is below.path + its name
    std::vector<std::shared_ptr<Job>> jobs; // its folders to enter, in order, already queued
    Place placeOf(const std::string& childName, bool mount) const;
};

// The status of the open folder `fd` itself.
Child statusOf(int fd);

// What every read of a folder leaves out: the pseudo file systems, and the list file being
// written (when `outInode` is not 0); and whether folders on other file systems are entered.
struct Rules {
    scandisk::PseudoFileSystems pseudo;
    dev_t outDevice = 0;
    ino_t outInode = 0;
    bool crossFileSystems = false;
    // Whether the child `c` of a folder on `device` is a folder to enter.
    bool enters(const Child& c, dev_t device) const;
};

// Reads a folder; never throws for the folder's own faults (they go to Listing::error).
Listing readFolder(const Place& place, const Rules& rules);

// A folder on `device` to read, by whichever thread comes first.
struct Job {
    Job(Place p, dev_t device) : place(std::move(p)), device(device) {}
    Place place;
    dev_t device;
    std::atomic<int> state{0}; // 0 waiting, 1 taken, 2 read
    Listing listing;
};

// Threads that read queued folders ahead of the writer. Every folder read queues its own folders
// to enter, so the threads go on ahead of the writer in the list's order: jobs queued last are
// read first (the children of a folder just read come next in the list). The writer takes each
// folder in the order of the list; one no thread has started it reads itself. Only a bounded
// number of read folders wait, so memory stays small whatever the tree; the threads sleep when
// the bound is reached and wake only when half of it is taken, not for every folder.
class Readers {
public:
    Readers(unsigned threads, const Rules& rules);
    ~Readers();
    Readers(const Readers&) = delete;
    Readers& operator=(const Readers&) = delete;

    // Reads the folder at `place` on `device` here, its folders to enter queued.
    Listing read(const Place& place, dev_t device);
    // The job's listing, read here when no thread has started it.
    Listing take(Job& job);

private:
    void queue(const std::vector<std::shared_ptr<Job>>& jobs);
    std::shared_ptr<Job> nextJob();
    void readAhead(Job& job);
    void run();
    const Rules& m_rules;
    std::mutex m_mutex;
    std::condition_variable m_work, m_done;
    std::deque<std::shared_ptr<Job>> m_queue;
    std::size_t m_ahead = 0; // read by a thread, not taken yet
    bool m_stop = false;
    std::vector<std::thread> m_threads;
};

} // namespace kx::scanwalk
