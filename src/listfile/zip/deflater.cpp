// Pieces deflated side by side and joined into one raw deflate stream.
#include "listfile/zip/deflater.h"

#include "listfile/io/error.h"
#include "listfile/zip/crc32.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <system_error>

namespace kx::zip {

namespace {
constexpr std::size_t kWindow = 32 << 10;
}

// A piece: the 32 KiB before it (its dictionary), then its own bytes; once deflated, its output
// and the CRC-32 of its own bytes. Buffers are used again, so they are cleared by no one.
struct ParallelDeflate::Piece {
    explicit Piece(std::size_t size) : data(kWindow + size) {}
    std::vector<std::uint8_t> data, out;
    std::size_t dictLen = 0, n = 0, outSize = 0;
    bool last = false, done = false; // done: under the mutex
    std::uint32_t crc = 0;
    std::exception_ptr error;
};

// One deflate state, reset for every piece it takes.
struct ParallelDeflate::Compressor {
    explicit Compressor(int level) : level(level) {
        if (deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw Error(ErrorCode::other, {}, 0, "cannot start compressing");
    }
    ~Compressor() { deflateEnd(&z); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    const int level;

    void deflatePiece(Piece& p) {
        if (deflateReset(&z) != Z_OK) throw Error(ErrorCode::other, {}, 0, "compressing failed");
        // Level 9 searches a quarter of the chain once it has a match of 8 bytes, not 32: a
        // list's records repeat long runs, so a list stays within 0.3% of plain level 9's size
        // (generated and scanned lists) for two thirds of its time. A reset brings back the
        // level's own figures, so this follows every reset.
        if (level == 9) deflateTune(&z, 8, 258, 258, 4096);
        if (p.dictLen) deflateSetDictionary(&z, p.data.data(), uInt(p.dictLen));
        // The output grows as it is needed: a list deflates to a few percent of its bytes.
        if (p.out.size() < (64 << 10)) p.out.resize(64 << 10);
        std::size_t used = 0;
        z.next_in = p.data.data() + p.dictLen;
        z.avail_in = uInt(p.n);
        for (;;) {
            z.next_out = p.out.data() + used;
            z.avail_out = uInt(p.out.size() - used);
            const int rc = deflate(&z, p.last ? Z_FINISH : Z_SYNC_FLUSH);
            used = p.out.size() - z.avail_out;
            if (rc == Z_STREAM_END || (!p.last && rc == Z_OK && z.avail_out != 0)) break;
            if (rc != Z_OK) throw Error(ErrorCode::other, {}, 0, "compressing failed");
            p.out.resize(p.out.size() * 2);
        }
        if (z.avail_in != 0) throw Error(ErrorCode::other, {}, 0, "compressing failed");
        p.outSize = used;
        p.crc = crc32Update(0, p.data.data() + p.dictLen, p.n);
    }

    void deflateCatching(Piece& p) {
        try {
            deflatePiece(p);
        } catch (...) {
            p.error = std::current_exception();
        }
    }

    z_stream z{};
};

ParallelDeflate::ParallelDeflate(int level, Output out, std::size_t pieceSize)
    : m_out(std::move(out)), m_pieceSize(pieceSize), m_current(std::make_unique<Piece>(pieceSize)),
      m_own(std::make_unique<Compressor>(level)) {
    const unsigned workers = std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
    for (unsigned i = 0; i < workers; ++i) {
        auto compressor = std::make_shared<Compressor>(level);
        try {
            m_workers.emplace_back([this, compressor] { run(*compressor); });
        } catch (const std::system_error&) {
            break; // fewer workers; with none the writing thread deflates each piece itself
        }
    }
    m_pieces = 1;
}

ParallelDeflate::~ParallelDeflate() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_queue.clear();
    }
    m_work.notify_all();
    for (auto& t : m_workers)
        t.join();
}

void ParallelDeflate::write(const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (n > 0) {
        // A full piece is handed on only once more bytes come, so the last is never empty.
        if (m_current->n == m_pieceSize) submit(false);
        Piece& c = *m_current;
        const std::size_t k = std::min(n, m_pieceSize - c.n);
        std::memcpy(c.data.data() + c.dictLen + c.n, p, k);
        c.n += k;
        p += k;
        n -= k;
    }
}

void ParallelDeflate::finish() {
    submit(true);
    while (!m_inFlight.empty())
        collectDone(true);
}

// Hands the current piece to the workers, the next one primed with its last 32 KiB first.
void ParallelDeflate::submit(bool last) {
    std::unique_ptr<Piece> next;
    Piece& c = *m_current;
    if (!last) {
        next = freePiece();
        const std::size_t dict = std::min(kWindow, c.dictLen + c.n);
        std::memcpy(next->data.data(), c.data.data() + c.dictLen + c.n - dict, dict);
        next->dictLen = dict;
        next->n = 0;
    }
    c.last = last;
    c.done = false;
    c.error = nullptr;
    m_size += c.n;
    Piece* handed = m_current.get();
    m_inFlight.push_back(std::move(m_current));
    m_current = std::move(next);
    if (m_workers.empty()) {
        m_own->deflateCatching(*handed);
        handed->done = true;
    } else {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_queue.push_back(handed);
        }
        m_work.notify_one();
    }
    collectDone(false);
}

// A piece to fill: one used before, or a new one while fewer than the bound exist.
std::unique_ptr<ParallelDeflate::Piece> ParallelDeflate::freePiece() {
    const std::size_t most = 2 * m_workers.size() + 2;
    for (;;) {
        if (!m_free.empty()) {
            std::unique_ptr<Piece> p = std::move(m_free.back());
            m_free.pop_back();
            return p;
        }
        if (m_pieces < most) {
            ++m_pieces;
            return std::make_unique<Piece>(m_pieceSize);
        }
        collectDone(true);
    }
}

// Passes on the deflated pieces at the head of the stream, after waiting for the first of them
// when `wait` is true.
void ParallelDeflate::collectDone(bool wait) {
    while (!m_inFlight.empty()) {
        Piece& p = *m_inFlight.front();
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (!p.done && !wait) return;
            m_done.wait(lock, [&] { return p.done; });
        }
        wait = false;
        if (p.error) std::rethrow_exception(p.error);
        m_out(p.out.data(), p.outSize);
        m_csize += p.outSize;
        m_crc = std::uint32_t(crc32_combine(m_crc, p.crc, z_off_t(p.n)));
        m_free.push_back(std::move(m_inFlight.front()));
        m_inFlight.pop_front();
    }
}

void ParallelDeflate::run(Compressor& own) {
    for (;;) {
        Piece* p = nullptr;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_work.wait(lock, [&] { return m_stop || !m_queue.empty(); });
            if (m_stop) return;
            p = m_queue.front();
            m_queue.pop_front();
        }
        own.deflateCatching(*p);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            p->done = true;
        }
        m_done.notify_all();
    }
}

} // namespace kx::zip
