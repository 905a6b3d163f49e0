// Chunks mapped aligned to their size, and made ready ahead.
#include "listfile/chunks.h"

#include <cstdint>
#include <new>
#include <sys/mman.h>

namespace kx {

namespace {

// Chunks made ready ahead at most: enough to stay ahead of a reader that fills one in a few
// milliseconds, few enough to add little to the peak.
constexpr std::size_t kAhead = 1;

} // namespace

void* mapChunk() {
    // Twice the size, then trimmed to the aligned part.
    void* p = ::mmap(nullptr, 2 * kChunkBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                     -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    const auto base = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t aligned = (base + kChunkBytes - 1) & ~(kChunkBytes - 1);
    if (aligned > base) ::munmap(p, aligned - base);
    const std::uintptr_t tail = aligned + kChunkBytes;
    if (base + 2 * kChunkBytes > tail)
        ::munmap(reinterpret_cast<void*>(tail), base + 2 * kChunkBytes - tail);
    return reinterpret_cast<void*>(aligned);
}

void* mapLargeChunk() {
    void* c = mapChunk();
    ::madvise(c, kChunkBytes, MADV_HUGEPAGE);
    return c;
}

void unmapChunk(void* chunk) {
    ::munmap(chunk, kChunkBytes);
}

ChunkSupply::ChunkSupply() : m_thread([this] { run(); }) {}

ChunkSupply::~ChunkSupply() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
    for (void* c : m_ready)
        unmapChunk(c);
}

void* ChunkSupply::take() {
    void* c = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_ready.empty()) return nullptr;
        c = m_ready.back();
        m_ready.pop_back();
    }
    m_changed.notify_all();
    return c;
}

void ChunkSupply::run() {
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stop || m_ready.size() < kAhead; });
            if (m_stop) return;
        }
        void* c = nullptr;
        try {
            c = mapLargeChunk();
        } catch (const std::bad_alloc&) {
            return; // the reader maps its own, and meets the same shortage there
        }
        // The pages filled in here: cleared by the kernel on this thread, not on the reader's.
        if (::madvise(c, kChunkBytes, MADV_POPULATE_WRITE) != 0) {
            auto* p = static_cast<volatile char*>(c);
            for (std::size_t i = 0; i < kChunkBytes; i += 4096)
                p[i] = 0;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ready.push_back(c);
    }
}

} // namespace kx
