// The 2 MiB chunks that the entry tree keeps its storage in, and a supply that makes them ready
// ahead on a thread of its own while a large list is read.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

namespace kx {

inline constexpr std::size_t kChunkBytes = std::size_t(2) << 20;

// A chunk of kChunkBytes, aligned to its size, not yet touched. Throws std::bad_alloc.
void* mapChunk();
// The same asking for huge pages: for a tree known to be large.
void* mapLargeChunk();
void unmapChunk(void* chunk);

// Keeps a few chunks mapped and their pages filled in ahead of need, so that the thread that
// builds a large tree does not stop for the kernel to fault in and clear its memory: that work
// runs on this thread, beside it. take() never waits.
class ChunkSupply {
public:
    ChunkSupply(); // throws std::system_error when no thread can start
    ~ChunkSupply();
    ChunkSupply(const ChunkSupply&) = delete;
    ChunkSupply& operator=(const ChunkSupply&) = delete;
    // A ready chunk, or null when none is ready yet (the caller maps one of its own).
    void* take();

private:
    void run();
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<void*> m_ready;
    bool m_stop = false;
    std::thread m_thread;
};

// The chunks of one kind of storage: the first in small pages, the next ones asking for huge
// pages, as a tree that needs a second chunk is large and the kernel is spared a fault for every
// 4 KiB. While a large list is read, they come ready from a supply.
struct ChunkList {
    std::vector<void*> pieces;
    ChunkList() = default;
    ChunkList(const ChunkList&) = delete;
    ChunkList& operator=(const ChunkList&) = delete;
    ~ChunkList() {
        for (void* c : pieces)
            unmapChunk(c);
    }
    void* add(ChunkSupply* supply) {
        pieces.reserve(pieces.size() + 1);
        void* c = supply ? supply->take() : nullptr;
        if (!c) c = pieces.empty() && !supply ? mapChunk() : mapLargeChunk();
        pieces.push_back(c);
        return c;
    }
};

} // namespace kx
