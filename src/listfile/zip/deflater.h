// One raw deflate stream made of pieces deflated side by side on worker threads.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kx::zip {

// Bytes arrive through write() and are cut into pieces of a fixed size. Each piece is deflated
// on a worker, primed with the 32 KiB that precede it and ended with a sync flush (the last one
// with the final block), and its CRC-32 is summed there too; the pieces' outputs reach `out` in
// order on the writing thread, and their CRC-32s are joined. The stream depends on the level
// and the bytes only, never on the number of workers. A bounded number of pieces is in work at
// once: write() waits for the oldest when all are taken. Errors (of `out` too) are thrown by
// write() or finish(); the destructor without finish() stops the workers and drops their work.
class ParallelDeflate {
public:
    using Output = std::function<void(const std::uint8_t*, std::size_t)>;
    ParallelDeflate(int level, Output out, std::size_t pieceSize = 1 << 20);
    ~ParallelDeflate();
    ParallelDeflate(const ParallelDeflate&) = delete;
    ParallelDeflate& operator=(const ParallelDeflate&) = delete;

    void write(const void* data, std::size_t n);
    // Deflates the rest with the final block and waits until `out` has taken all of it.
    void finish();

    std::uint32_t crc() const { return m_crc; }
    std::uint64_t size() const { return m_size; }
    std::uint64_t compressedSize() const { return m_csize; }

private:
    struct Piece;
    struct Compressor;
    void submit(bool last);
    std::unique_ptr<Piece> freePiece();
    void collectDone(bool wait);
    void run(Compressor& own);

    Output m_out;
    std::size_t m_pieceSize;
    std::unique_ptr<Piece> m_current;
    std::vector<std::unique_ptr<Piece>> m_free;
    std::deque<std::unique_ptr<Piece>> m_inFlight; // in the stream's order
    std::deque<Piece*> m_queue;                    // waiting for a worker
    std::size_t m_pieces = 0;                      // made so far, at most the bound
    std::unique_ptr<Compressor> m_own;             // for pieces when no worker started
    std::mutex m_mutex;
    std::condition_variable m_work, m_done;
    bool m_stop = false;
    std::vector<std::thread> m_workers;
    std::uint32_t m_crc = 0;
    std::uint64_t m_size = 0, m_csize = 0;
};

} // namespace kx::zip
