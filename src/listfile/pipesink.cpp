// Passing bytes to another sink on a thread of its own.
#include "listfile/pipesink.h"

#include "listfile/io/error.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace kx {

PipeSink::PipeSink(ByteSink& to, std::size_t blockSize, std::size_t blocksAhead)
    : m_to(to), m_blockSize(blockSize), m_blocksAhead(blocksAhead) {
    m_block.reserve(m_blockSize);
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error& e) {
        throw Error(ErrorCode::threadFailed, {}, e.code().value());
    }
}

PipeSink::~PipeSink() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        m_waiting.clear();
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void PipeSink::write(const void* data, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    while (n > 0) {
        const std::size_t k = std::min(n, m_blockSize - m_block.size());
        m_block.insert(m_block.end(), p, p + k);
        p += k;
        n -= k;
        if (m_block.size() == m_blockSize) {
            std::vector<unsigned char> next;
            next.reserve(m_blockSize);
            hand(std::exchange(m_block, std::move(next)));
        }
    }
}

void PipeSink::hand(std::vector<unsigned char>&& block) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&] { return m_error || m_waiting.size() < m_blocksAhead; });
    if (m_error) std::rethrow_exception(m_error);
    m_waiting.push_back(std::move(block));
    m_changed.notify_all();
}

void PipeSink::finish() {
    if (!m_block.empty()) hand(std::move(m_block));
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_error || (m_waiting.empty() && !m_busy); });
        m_closed = true;
    }
    m_changed.notify_all();
    m_thread.join();
    rethrow();
}

void PipeSink::rethrow() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_error) std::rethrow_exception(m_error);
}

void PipeSink::run() {
    for (;;) {
        std::vector<unsigned char> block;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [&] { return m_closed || !m_waiting.empty(); });
            if (m_waiting.empty() || m_error) return;
            block = std::move(m_waiting.front());
            m_waiting.pop_front();
            m_busy = true;
        }
        m_changed.notify_all();
        std::exception_ptr error;
        try {
            m_to.write(block.data(), block.size());
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_busy = false;
            if (error) {
                m_error = error;
                m_waiting.clear();
            }
        }
        m_changed.notify_all();
        if (error) return;
    }
}

} // namespace kx
