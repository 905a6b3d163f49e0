// The entry source: stored or deflated data read with every size checked, inflated on a producer
// thread when the entry is large.
#include "listfile/zip/entrysource.h"

#include "listfile/io/error.h"
#include "listfile/io/fd.h"
#include "listfile/zip/crc32.h"
#include "listfile/zip/records.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <vector>

namespace kx {

namespace {

// Pieces of a quarter MiB: hand-overs stay rare, and the buffers add little to the peak.
constexpr std::size_t kChunk = 256 << 10;
// Entries at least this large are inflated on a producer thread while the tree is built.
constexpr std::uint64_t kThreadedEntrySize = 16 << 20;

} // namespace

struct EntrySource::State {
    io::UniqueFd fd;
    std::string path;
    zip::CentralEntry entry;
    std::uint64_t dataOffset = 0, compressedLeft = 0, produced = 0, consumed = 0;
    std::uint32_t crc = 0;
    z_stream z{};
    bool inflating = false, ended = false;
    std::vector<std::uint8_t> in;

    // The piece the reader is taking bytes from.
    const std::uint8_t* cur = nullptr;
    std::size_t curPos = 0, curLen = 0;
    std::vector<std::uint8_t> out; // the one buffer when there is no producer thread

    // A large entry is inflated by a producer thread into a few buffers while the reader builds
    // the tree on this one: the two halves of an open then overlap on two cores.
    struct Piece {
        std::vector<std::uint8_t> data;
        std::size_t len = 0;
    };
    std::thread producer;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Piece*> ready, spare;
    std::vector<std::unique_ptr<Piece>> pieces;
    Piece* reading = nullptr;
    bool finished = false, stop = false;
    std::exception_ptr failure;

    ~State() {
        if (producer.joinable()) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                stop = true;
            }
            changed.notify_all();
            producer.join();
        }
        if (inflating) inflateEnd(&z);
    }

    [[noreturn]] void damaged(const char* detail) const {
        throw Error(ErrorCode::damagedArchive, path, 0, detail);
    }

    // Reads the next `n` bytes of the stored or compressed data.
    void readData(std::uint8_t* into, std::size_t n) {
        if (io::readAt(fd.get(), dataOffset, into, n, path) != n) damaged("data cut short");
        dataOffset += n;
        compressedLeft -= n;
    }

    // Produces the next piece of the entry into `buf`; 0 at the end of the data. Checks that the
    // data never exceeds the declared size.
    std::size_t fill(std::uint8_t* buf, std::size_t cap) {
        if (ended) return 0;
        std::size_t len = 0;
        if (entry.method == 0) {
            len = std::size_t(std::min<std::uint64_t>(compressedLeft, cap));
            if (len == 0) {
                ended = true;
                return 0;
            }
            readData(buf, len);
        } else {
            while (len == 0) {
                if (z.avail_in == 0) {
                    if (compressedLeft == 0) damaged("compressed data cut short");
                    const std::size_t n =
                        std::size_t(std::min<std::uint64_t>(compressedLeft, in.size()));
                    readData(in.data(), n);
                    z.next_in = in.data();
                    z.avail_in = uInt(n);
                }
                z.next_out = buf;
                z.avail_out = uInt(cap);
                const int rc = inflate(&z, Z_NO_FLUSH);
                if (rc != Z_OK && rc != Z_STREAM_END && !(rc == Z_BUF_ERROR && z.avail_in == 0))
                    damaged("bad compressed data");
                len = cap - z.avail_out;
                if (rc == Z_STREAM_END) {
                    ended = true;
                    if (len == 0) return 0;
                }
            }
        }
        if (produced + len > entry.size) damaged("more data than the declared size");
        produced += len;
        return len;
    }

    // Starts the producer thread; where no thread can be started, the reader's thread fills the
    // one buffer itself.
    void startProducer() {
        for (int i = 0; i < 4; ++i) {
            pieces.push_back(std::make_unique<Piece>());
            pieces.back()->data.resize(kChunk);
            spare.push_back(pieces.back().get());
        }
        try {
            producer = std::thread([this] { produce(); });
        } catch (const std::system_error&) {
            spare.clear();
            pieces.clear();
            out.resize(kChunk);
        }
    }

    void produce() {
        try {
            for (;;) {
                Piece* piece;
                {
                    std::unique_lock<std::mutex> lock(mutex);
                    changed.wait(lock, [this] { return stop || !spare.empty(); });
                    if (stop) return;
                    piece = spare.front();
                    spare.pop_front();
                }
                piece->len = fill(piece->data.data(), piece->data.size());
                // The CRC is summed here too: the reader's thread has the tree to build.
                crc = crc32Update(crc, piece->data.data(), piece->len);
                std::lock_guard<std::mutex> lock(mutex);
                if (piece->len == 0) {
                    spare.push_back(piece);
                    finished = true;
                } else {
                    ready.push_back(piece);
                }
                changed.notify_all();
                if (finished) return;
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex);
            failure = std::current_exception();
            finished = true;
            changed.notify_all();
        }
    }

    // Makes the next piece current; false at the end of the data.
    bool next() {
        if (!producer.joinable()) {
            curPos = 0;
            curLen = fill(out.data(), out.size());
            cur = out.data();
            crc = crc32Update(crc, cur, curLen);
            return curLen > 0;
        }
        std::unique_lock<std::mutex> lock(mutex);
        if (reading) {
            spare.push_back(reading);
            reading = nullptr;
            changed.notify_all();
        }
        changed.wait(lock, [this] { return !ready.empty() || finished; });
        if (ready.empty()) {
            if (failure) std::rethrow_exception(failure);
            curPos = curLen = 0;
            return false;
        }
        reading = ready.front();
        ready.pop_front();
        cur = reading->data.data();
        curPos = 0;
        curLen = reading->len;
        return true;
    }
};

EntrySource::EntrySource(std::unique_ptr<State> state) : m_state(std::move(state)) {}
EntrySource::~EntrySource() = default;

std::unique_ptr<EntrySource> EntrySource::open(const std::string& path) {
    auto s = std::make_unique<State>();
    s->path = path;
    // Non-blocking, so that a FIFO is refused at once instead of waiting for a writer.
    s->fd = io::UniqueFd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!s->fd) throwSystemError(ErrorCode::readFailed, path);
    struct stat st {};
    if (::fstat(s->fd.get(), &st) != 0) throwSystemError(ErrorCode::readFailed, path);
    if (!S_ISREG(st.st_mode)) throw Error(ErrorCode::notRegularFile, path);
    const auto fileSize = std::uint64_t(st.st_size);
    s->entry = zip::readCentralEntry(s->fd.get(), path, fileSize);
    s->dataOffset = zip::checkLocalHeader(s->fd.get(), path, s->entry, fileSize);
    s->compressedLeft = s->entry.compressedSize;
    if (s->entry.method == 0 && s->entry.compressedSize != s->entry.size)
        s->damaged("the stored entry's sizes disagree");
    if (s->entry.method == 8) {
        if (inflateInit2(&s->z, -MAX_WBITS) != Z_OK)
            throw Error(ErrorCode::other, path, 0, "cannot start inflating");
        s->inflating = true;
    }
    s->in.resize(kChunk);
    if (s->entry.size >= kThreadedEntrySize)
        s->startProducer();
    else
        s->out.resize(kChunk);
    return std::unique_ptr<EntrySource>(new EntrySource(std::move(s)));
}

std::size_t EntrySource::read(void* into, std::size_t n) {
    State& s = *m_state;
    auto* p = static_cast<std::uint8_t*>(into);
    std::size_t given = 0;
    while (given < n) {
        if (s.curPos == s.curLen && !s.next()) break;
        const std::size_t k = std::min(n - given, s.curLen - s.curPos);
        std::memcpy(p + given, s.cur + s.curPos, k);
        s.curPos += k;
        given += k;
    }
    s.consumed += given;
    return given;
}

std::uint64_t EntrySource::remaining() const {
    return m_state->entry.size - m_state->consumed;
}

void EntrySource::verify() {
    State& s = *m_state;
    s.curPos = s.curLen;
    while (s.next())
        s.curPos = s.curLen;
    if (s.produced != s.entry.size) s.damaged("shorter than the declared size");
    if (s.crc != s.entry.crc) throw Error(ErrorCode::crcMismatch, s.path);
}

} // namespace kx
