// A sink that passes its bytes on to another sink on a thread of its own, so that whoever writes
// goes on while the bytes are compressed and stored.
#pragma once

#include "listfile/io/bytes.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace kx {

// Bytes are gathered into blocks; a full block goes to the thread, which writes it into `to`.
// At most `blocksAhead` blocks wait, then write() waits too. An error of `to` is thrown by the
// next write() or by finish(); after it the thread takes nothing more. The destructor without
// finish() stops the thread and drops what waits (the target is left incomplete).
class PipeSink : public ByteSink {
public:
    explicit PipeSink(ByteSink& to, std::size_t blockSize = 1 << 20, std::size_t blocksAhead = 16);
    ~PipeSink() override;
    PipeSink(const PipeSink&) = delete;
    PipeSink& operator=(const PipeSink&) = delete;

    void write(const void* data, std::size_t n) override;
    // Passes on the last block and waits until `to` has taken everything.
    void finish();

private:
    void hand(std::vector<unsigned char>&& block);
    void run();
    void rethrow();

    ByteSink& m_to;
    std::size_t m_blockSize, m_blocksAhead;
    std::vector<unsigned char> m_block;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<unsigned char>> m_waiting;
    bool m_closed = false, m_busy = false;
    std::exception_ptr m_error;
    std::thread m_thread;
};

} // namespace kx
