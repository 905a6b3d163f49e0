// The list file's ZIP container: a one-entry archive read with every size, offset and CRC
// checked, and written beside the list file before it replaces it in one rename.
#include "listfile/container.h"

#include "listfile/codepage.h"
#include "listfile/io/paths.h"
#include "listfile/zip/crc32.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <exception>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kx {

namespace {

constexpr std::uint32_t kLocalSig = 0x04034B50;
constexpr std::uint32_t kCentralSig = 0x02014B50;
constexpr std::uint32_t kEndSig = 0x06054B50;
constexpr std::uint16_t kUnicodeNameId = 0x554E; // "NU"
constexpr std::size_t kChunk = 1 << 20;
// Entries at least this large are inflated on a producer thread while the tree is built.
constexpr std::uint64_t kThreadedEntrySize = 16 << 20;

std::string errnoText() {
    return std::strerror(errno);
}

std::uint16_t get16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}
std::uint32_t get32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
void put16(std::vector<std::uint8_t>& v, std::uint32_t x) {
    v.push_back(std::uint8_t(x));
    v.push_back(std::uint8_t(x >> 8));
}
void put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

// A file descriptor closed on every path.
struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
    int release() {
        int f = fd;
        fd = -1;
        return f;
    }
};

void readAt(int fd, std::uint64_t offset, void* into, std::size_t n, const char* what) {
    auto* p = static_cast<std::uint8_t*>(into);
    while (n > 0) {
        ssize_t r = ::pread(fd, p, n, off_t(offset));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0)
            throw ContainerError(std::string("Cannot read the ") + what + ": " + errnoText() + ".");
        if (r == 0)
            throw ContainerError(std::string("The archive is cut short in its ") + what + ".");
        p += r;
        offset += std::uint64_t(r);
        n -= std::size_t(r);
    }
}

void writeAll(int fd, const void* data, std::size_t n, const std::string& path) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) throw ContainerError("Cannot write " + path + ": " + errnoText() + ".");
        p += w;
        n -= std::size_t(w);
    }
}

using paths::fileNameOf;
using paths::folderOf;
using paths::isDirectory;
using paths::writableFolder;

// TMP, then TEMP, then the system's temporary folder: the first that can be written.
std::string temporaryFolder() {
    return paths::temporaryFolders().front();
}

// Creates `folder + name`, or a free variant of it ("name~1", "name~2", ...), exclusively.
// Returns the descriptor and sets `path`.
int createFree(const std::string& folder, const std::string& name, std::string& path) {
    for (int i = 0; i < 1000; ++i) {
        path = folder + name + (i ? "~" + std::to_string(i) : std::string());
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) return fd;
        if (errno != EEXIST) return -1;
    }
    errno = EEXIST;
    return -1;
}

struct ZipEntry {
    std::uint16_t flags = 0, method = 0, time = 0, date = 0;
    std::uint32_t crc = 0, compressedSize = 0, size = 0;
    std::uint64_t localOffset = 0;
    std::string rawName;
};

std::time_t dosToTime(std::uint16_t time, std::uint16_t date) {
    std::tm tm{};
    tm.tm_year = ((date >> 9) & 0x7F) + 80;
    tm.tm_mon = std::max(((date >> 5) & 0x0F) - 1, 0);
    tm.tm_mday = std::max(date & 0x1F, 1);
    tm.tm_hour = (time >> 11) & 0x1F;
    tm.tm_min = (time >> 5) & 0x3F;
    tm.tm_sec = (time & 0x1F) * 2;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

void timeToDos(std::time_t t, std::uint16_t& time, std::uint16_t& date) {
    std::tm tm{};
    localtime_r(&t, &tm);
    if (tm.tm_year < 80) { // DOS dates start in 1980
        tm = std::tm{};
        tm.tm_year = 80;
        tm.tm_mday = 1;
    }
    time = std::uint16_t(tm.tm_hour << 11 | tm.tm_min << 5 | tm.tm_sec / 2);
    date = std::uint16_t((tm.tm_year - 80) << 9 | (tm.tm_mon + 1) << 5 | tm.tm_mday);
}

// Finds the end record and the one central directory entry, checking every count and offset.
ZipEntry readDirectory(int fd, std::uint64_t fileSize) {
    if (fileSize < 22) throw ContainerError("The file is not a ZIP archive (it is too short).");
    const std::size_t tail = std::size_t(std::min<std::uint64_t>(fileSize, 22 + 0xFFFF));
    std::vector<std::uint8_t> buf(tail);
    readAt(fd, fileSize - tail, buf.data(), tail, "end of the archive");
    // The end record is the last one whose comment ends the file exactly.
    std::int64_t at = -1;
    for (std::int64_t i = std::int64_t(tail) - 22; i >= 0; --i) {
        if (get32(&buf[std::size_t(i)]) == kEndSig &&
            std::size_t(i) + 22 + get16(&buf[std::size_t(i) + 20]) == tail) {
            at = i;
            break;
        }
    }
    if (at < 0)
        throw ContainerError("The file is not a ZIP archive (no end of central directory record).");
    const std::uint8_t* end = &buf[std::size_t(at)];
    const std::uint64_t endOffset = fileSize - tail + std::uint64_t(at);
    const std::uint16_t disk = get16(end + 4), cdDisk = get16(end + 6);
    const std::uint16_t onDisk = get16(end + 8), total = get16(end + 10);
    const std::uint32_t cdSize = get32(end + 12), cdOffset = get32(end + 16);
    if (onDisk == 0xFFFF || total == 0xFFFF || cdSize == 0xFFFFFFFF || cdOffset == 0xFFFFFFFF)
        throw ContainerError("The archive uses ZIP64 records, which lists do not use.");
    if (disk != 0 || cdDisk != 0 || onDisk != total)
        throw ContainerError("The archive spans several disks, which lists do not use.");
    if (total == 0) throw ContainerError("The archive holds no entry; a list holds exactly one.");
    if (total > 1)
        throw ContainerError("The archive holds " + std::to_string(total) +
                             " entries; a list holds exactly one.");
    if (std::uint64_t(cdOffset) + cdSize > endOffset || cdSize < 46)
        throw ContainerError("The archive's central directory lies outside the file.");

    std::vector<std::uint8_t> cd(cdSize);
    readAt(fd, cdOffset, cd.data(), cd.size(), "central directory");
    if (get32(cd.data()) != kCentralSig)
        throw ContainerError("The archive's central directory is damaged.");
    ZipEntry e;
    e.flags = get16(&cd[8]);
    e.method = get16(&cd[10]);
    e.time = get16(&cd[12]);
    e.date = get16(&cd[14]);
    e.crc = get32(&cd[16]);
    e.compressedSize = get32(&cd[20]);
    e.size = get32(&cd[24]);
    const std::size_t nameLen = get16(&cd[28]), extraLen = get16(&cd[30]),
                      commentLen = get16(&cd[32]);
    const std::uint16_t diskStart = get16(&cd[34]);
    e.localOffset = get32(&cd[42]);
    if (46 + nameLen + extraLen + commentLen > cd.size())
        throw ContainerError("The archive's central directory is damaged.");
    if (e.compressedSize == 0xFFFFFFFF || e.size == 0xFFFFFFFF || e.localOffset == 0xFFFFFFFF)
        throw ContainerError("The archive uses ZIP64 records, which lists do not use.");
    if (diskStart != 0)
        throw ContainerError("The archive spans several disks, which lists do not use.");
    if (e.flags & 0x0041)
        throw ContainerError("The list's entry is encrypted; lists are never encrypted.");
    if (e.method != 0 && e.method != 8)
        throw ContainerError("The list's entry uses compression method " +
                             std::to_string(e.method) +
                             "; only stored and deflated entries can be read.");
    e.rawName.assign(reinterpret_cast<const char*>(&cd[46]), nameLen);
    return e;
}

// The local header must agree with the central directory; returns the data's offset.
std::uint64_t checkLocalHeader(int fd, const ZipEntry& e, std::uint64_t limit) {
    if (e.localOffset + 30 > limit)
        throw ContainerError("The archive's local header lies outside the file.");
    std::uint8_t h[30];
    readAt(fd, e.localOffset, h, sizeof h, "local header");
    if (get32(h) != kLocalSig) throw ContainerError("The archive's local header is damaged.");
    const std::uint16_t flags = get16(h + 6), method = get16(h + 8);
    const std::uint32_t crc = get32(h + 14), csize = get32(h + 18), size = get32(h + 22);
    const std::size_t nameLen = get16(h + 26), extraLen = get16(h + 28);
    if (method != e.method)
        throw ContainerError("The archive's local header disagrees with its directory (method).");
    if (flags & 0x0001)
        throw ContainerError("The list's entry is encrypted; lists are never encrypted.");
    // With a data descriptor (flag bit 3) a writer may leave these fields zero.
    const bool deferred = (flags & 0x0008) && crc == 0 && csize == 0 && size == 0;
    if (!deferred && (crc != e.crc || csize != e.compressedSize || size != e.size))
        throw ContainerError(
            "The archive's local header disagrees with its directory (CRC or sizes).");
    if (nameLen != e.rawName.size())
        throw ContainerError("The archive's local header disagrees with its directory (name).");
    std::string name(nameLen, '\0');
    readAt(fd, e.localOffset + 30, name.data(), nameLen, "local header");
    if (name != e.rawName)
        throw ContainerError("The archive's local header disagrees with its directory (name).");
    const std::uint64_t data = e.localOffset + 30 + nameLen + extraLen;
    if (data + e.compressedSize > limit)
        throw ContainerError("The list's compressed data lies outside the file.");
    return data;
}

// Deflates one piece at level 9 as part of a longer stream: primed with the 32 KiB of data that
// precede it, ended with a sync flush (the last piece with the final block), so the pieces joined
// in order are one valid raw deflate stream.
std::vector<std::uint8_t> deflatePiece(const std::uint8_t* data, std::size_t n,
                                       const std::uint8_t* dict, std::size_t dictLen, bool last) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw ContainerError("Cannot start compressing the list.");
    struct End {
        z_stream* z;
        ~End() { deflateEnd(z); }
    } end{&z};
    if (dictLen) deflateSetDictionary(&z, dict, uInt(dictLen));
    std::vector<std::uint8_t> out(deflateBound(&z, uLong(n)) + 64);
    z.next_in = const_cast<std::uint8_t*>(data);
    z.avail_in = uInt(n);
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    const int rc = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
    if (rc != (last ? Z_STREAM_END : Z_OK) || z.avail_in != 0)
        throw ContainerError("Compressing the list failed.");
    out.resize(out.size() - z.avail_out);
    return out;
}

// Reads `expected` bytes from `fd` and deflates them at level 9 on every core, a piece per core
// at a time; `write` receives the compressed stream in order. Sets the CRC-32 and the size read.
// `round(size)` hears the bytes done after every round and returns false to stop (the result is
// then false).
template <class Write, class Round>
bool deflateInParallel(int fd, std::uint64_t expected, const std::string& path, std::uint32_t& crc,
                       std::uint64_t& size, Write&& write, Round&& round) {
    constexpr std::size_t kPiece = 4 << 20, kWindow = 32 << 10;
    const std::size_t workers = std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
    std::vector<std::uint8_t> data(workers * kPiece + kWindow);
    std::size_t carried = 0; // window of the previous round at the front of `data`
    crc = 0;
    size = 0;
    for (;;) {
        std::size_t got = 0;
        const std::size_t want = workers * kPiece;
        while (got < want) {
            ssize_t r = ::read(fd, data.data() + carried + got, want - got);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0) throw ContainerError("Cannot read " + path + ": " + errnoText() + ".");
            if (r == 0) break;
            got += std::size_t(r);
        }
        crc = crc32Update(crc, data.data() + carried, got);
        size += got;
        const bool lastRound = size >= expected || got < want;
        const std::size_t pieces = std::max<std::size_t>(1, (got + kPiece - 1) / kPiece);
        std::vector<std::vector<std::uint8_t>> outs(pieces);
        std::vector<std::exception_ptr> errors(pieces);
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < pieces; ++i) {
            const std::size_t from = carried + i * kPiece;
            const std::size_t n = std::min(kPiece, got - std::min(got, i * kPiece));
            const std::size_t dictLen = std::min(kWindow, from);
            const bool last = lastRound && i + 1 == pieces;
            auto job = [&, i, from, n, dictLen, last] {
                try {
                    outs[i] = deflatePiece(data.data() + from, n, data.data() + from - dictLen,
                                           dictLen, last);
                } catch (...) {
                    errors[i] = std::current_exception();
                }
            };
            if (i + 1 == pieces)
                job(); // the last piece on this thread
            else
                threads.emplace_back(job);
        }
        for (auto& t : threads)
            t.join();
        for (std::size_t i = 0; i < pieces; ++i) {
            if (errors[i]) std::rethrow_exception(errors[i]);
            write(outs[i].data(), outs[i].size());
        }
        if (lastRound) return true;
        if (!round(size)) return false;
        // Keep the last 32 KiB as the next round's dictionary.
        std::memmove(data.data(), data.data() + carried + got - kWindow, kWindow);
        carried = kWindow;
    }
}

// The Unicode name extra field: id "NU", size, "NUCX", n, then n UTF-16LE code units.
std::vector<std::uint8_t> unicodeNameField(const QString& name) {
    std::vector<std::uint8_t> v;
    const auto n = std::uint32_t(name.size());
    put16(v, kUnicodeNameId);
    put16(v, 2 * n + 8);
    for (char c : {'N', 'U', 'C', 'X'})
        v.push_back(std::uint8_t(c));
    put32(v, n);
    for (QChar ch : name)
        put16(v, ch.unicode());
    return v;
}

} // namespace

struct EntrySource::State {
    Fd fd;
    ZipEntry entry;
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

    // Produces the next piece of the entry into `buf`; 0 at the end of the data. Checks that the
    // data never exceeds the declared size and keeps the CRC.
    std::size_t fill(std::uint8_t* buf, std::size_t cap) {
        if (ended) return 0;
        std::size_t len = 0;
        if (entry.method == 0) {
            len = std::size_t(std::min<std::uint64_t>(compressedLeft, cap));
            if (len == 0) {
                ended = true;
                return 0;
            }
            readAt(fd.fd, dataOffset, buf, len, "list data");
            dataOffset += len;
            compressedLeft -= len;
        } else {
            while (len == 0) {
                if (z.avail_in == 0) {
                    if (compressedLeft == 0)
                        throw ContainerError("The list's compressed data is cut short.");
                    const std::size_t n =
                        std::size_t(std::min<std::uint64_t>(compressedLeft, in.size()));
                    readAt(fd.fd, dataOffset, in.data(), n, "list data");
                    dataOffset += n;
                    compressedLeft -= n;
                    z.next_in = in.data();
                    z.avail_in = uInt(n);
                }
                z.next_out = buf;
                z.avail_out = uInt(cap);
                const int rc = inflate(&z, Z_NO_FLUSH);
                if (rc != Z_OK && rc != Z_STREAM_END && !(rc == Z_BUF_ERROR && z.avail_in == 0))
                    throw ContainerError("The list's compressed data is damaged.");
                len = cap - z.avail_out;
                if (rc == Z_STREAM_END) {
                    ended = true;
                    if (len == 0) return 0;
                }
            }
        }
        if (produced + len > entry.size)
            throw ContainerError("The list's entry holds more data than its declared size.");
        produced += len;
        crc = crc32Update(crc, buf, len);
        return len;
    }

    void startProducer() {
        for (int i = 0; i < 4; ++i) {
            pieces.push_back(std::make_unique<Piece>());
            pieces.back()->data.resize(kChunk);
            spare.push_back(pieces.back().get());
        }
        producer = std::thread([this] { produce(); });
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
    if (s.produced != s.entry.size)
        throw ContainerError("The list's entry is shorter than its declared size.");
    if (s.crc != s.entry.crc)
        throw ContainerError("The list's entry fails its CRC check: the file is damaged.");
}

std::unique_ptr<EntrySource> ListContainer::openEntry(const std::string& listPath) {
    auto state = std::make_unique<EntrySource::State>();
    state->fd.fd = ::open(listPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (state->fd.fd < 0)
        throw ContainerError("Cannot open " + listPath + ": " + errnoText() + ".");
    struct stat st {};
    if (::fstat(state->fd.fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw ContainerError("Cannot open " + listPath + ": it is not a regular file.");
    state->entry = readDirectory(state->fd.fd, std::uint64_t(st.st_size));
    state->dataOffset = checkLocalHeader(state->fd.fd, state->entry, std::uint64_t(st.st_size));
    state->compressedLeft = state->entry.compressedSize;
    if (state->entry.method == 0 && state->entry.compressedSize != state->entry.size)
        throw ContainerError("The stored entry's sizes disagree.");
    if (state->entry.method == 8) {
        if (inflateInit2(&state->z, -MAX_WBITS) != Z_OK)
            throw ContainerError("Cannot start inflating the list.");
        state->inflating = true;
    }
    state->in.resize(kChunk);
    if (state->entry.size >= kThreadedEntrySize)
        state->startProducer();
    else
        state->out.resize(kChunk);
    // The extraction folder stays what an unpack would choose, so a later pack names the entry
    // the same way.
    const std::string base = baseName(listPath);
    const std::string listFolder = folderOf(listPath);
    m_extractionFolder = isDirectory(listFolder + base) ? temporaryFolder() : listFolder;
    return std::unique_ptr<EntrySource>(new EntrySource(std::move(state)));
}

std::string baseName(const std::string& path) {
    const std::string name = fileNameOf(path);
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos) return name;
    const std::string ext = name.substr(dot);
    return name.substr(0, name.find(ext));
}

std::string entryNameFor(const std::string& filePath, const std::string& folder) {
    std::string name;
    if (!folder.empty() && filePath.size() > folder.size() &&
        filePath.compare(0, folder.size(), folder) == 0)
        name = filePath.substr(folder.size());
    else
        name = filePath.substr(filePath.find_first_not_of("/\\") == std::string::npos
                                   ? filePath.size()
                                   : filePath.find_first_not_of("/\\"));
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

std::string ListContainer::unpackListFile(const std::string& listPath) {
    const std::string base = baseName(listPath);
    const std::string listFolder = folderOf(listPath);
    // A folder named like the base name, or a folder we cannot write, sends the working file
    // to the temporary folder.
    std::string folder = listFolder;
    if (isDirectory(listFolder + base) || !writableFolder(listFolder)) folder = temporaryFolder();

    auto source = openEntry(listPath);

    std::string workingPath;
    Fd out(createFree(folder, base, workingPath));
    if (out.fd < 0 && folder == listFolder) {
        folder = temporaryFolder();
        out.fd = createFree(folder, base, workingPath);
    }
    if (out.fd < 0)
        throw ContainerError("Cannot create the working file in " + folder + ": " + errnoText() +
                             ".");
    try {
        std::vector<std::uint8_t> buffer(kChunk);
        while (const std::size_t n = source->read(buffer.data(), buffer.size()))
            writeAll(out.fd, buffer.data(), n, workingPath);
        source->verify();
        if (::close(out.release()) != 0)
            throw ContainerError("Cannot write " + workingPath + ": " + errnoText() + ".");
    } catch (...) {
        ::unlink(workingPath.c_str());
        throw;
    }
    const ZipEntry& e = source->m_state->entry;
    const std::time_t t = dosToTime(e.time, e.date);
    const struct timeval times[2] = {{t, 0}, {t, 0}};
    ::utimes(workingPath.c_str(), times);
    m_extractionFolder = folder;
    return workingPath;
}

bool ListContainer::packListFile(const std::string& tempListPath, const std::string& listPath,
                                 const WriteProgress& progress) {
    Fd in(::open(tempListPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.fd < 0) throw ContainerError("Cannot open " + tempListPath + ": " + errnoText() + ".");
    struct stat st {};
    if (::fstat(in.fd, &st) != 0)
        throw ContainerError("Cannot read " + tempListPath + ": " + errnoText() + ".");
    if (std::uint64_t(st.st_size) >= 0xFFFFFFFFull)
        throw ContainerError("The list is larger than 4 GiB, more than a list file can hold.");

    const std::string folder = m_extractionFolder.empty() ? folderOf(listPath) : m_extractionFolder;
    const QString name = QString::fromUtf8(entryNameFor(tempListPath, folder).c_str());
    const std::string oemName = toOem(name);
    const std::vector<std::uint8_t> extra = unicodeNameField(name);
    if (oemName.size() > 0xFFFF || extra.size() > 0xFFFF)
        throw ContainerError("The entry name is too long.");

    std::uint16_t dosTime = 0, dosDate = 0;
    timeToDos(st.st_mtime ? st.st_mtime : std::time(nullptr), dosTime, dosDate);
    // The DOS attribute bits: archive, and read-only when the file cannot be written.
    const std::uint32_t attributes = 0x20 | ((st.st_mode & S_IWUSR) ? 0 : 0x01);

    // The new archive goes beside the list file and replaces it only once it is complete. The
    // folder is held open so that a failed archive is removed even when the folder was renamed.
    const std::string listFolder = folderOf(listPath);
    Fd dir(::open(listFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::string archivePath = listFolder + "." + fileNameOf(listPath) + ".saving-XXXXXX";
    Fd out(::mkstemp(archivePath.data()));
    if (out.fd < 0)
        throw ContainerError("Cannot create a new list file in " + folderOf(listPath) + ": " +
                             errnoText() + ".");
    auto removeArchive = [&] {
        if (dir.fd >= 0)
            ::unlinkat(dir.fd, archivePath.c_str() + listFolder.size(), 0);
        else
            ::unlink(archivePath.c_str());
    };
    try {
        struct stat old {};
        ::fchmod(out.fd, ::stat(listPath.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);

        auto header = [&](std::uint32_t crc, std::uint32_t csize, std::uint32_t size) {
            std::vector<std::uint8_t> h;
            put32(h, kLocalSig);
            put16(h, 20);
            put16(h, 0);
            put16(h, 8);
            put16(h, dosTime);
            put16(h, dosDate);
            put32(h, crc);
            put32(h, csize);
            put32(h, size);
            put16(h, std::uint32_t(oemName.size()));
            put16(h, std::uint32_t(extra.size()));
            return h;
        };
        std::vector<std::uint8_t> local = header(0, 0, 0);
        writeAll(out.fd, local.data(), local.size(), archivePath);
        writeAll(out.fd, oemName.data(), oemName.size(), archivePath);
        writeAll(out.fd, extra.data(), extra.size(), archivePath);

        std::uint32_t crc = 0;
        std::uint64_t size = 0, csize = 0;
        const std::uint64_t total = std::uint64_t(st.st_size);
        const bool complete = deflateInParallel(
            in.fd, total, tempListPath, crc, size,
            [&](const std::uint8_t* p, std::size_t n) {
                writeAll(out.fd, p, n, archivePath);
                csize += n;
            },
            [&](std::uint64_t done) {
                if (progress.packStep) progress.packStep(done, total);
                return !(progress.abort && *progress.abort);
            });
        if (!complete) {
            removeArchive();
            return false;
        }
        if (size != std::uint64_t(st.st_size) || csize >= 0xFFFFFFFFull)
            throw ContainerError("The list changed or grew too large while it was packed.");

        local = header(std::uint32_t(crc), std::uint32_t(csize), std::uint32_t(size));
        if (::pwrite(out.fd, local.data(), local.size(), 0) != ssize_t(local.size()))
            throw ContainerError("Cannot write " + archivePath + ": " + errnoText() + ".");

        const std::uint64_t cdOffset = local.size() + oemName.size() + extra.size() + csize;
        std::vector<std::uint8_t> cd;
        put32(cd, kCentralSig);
        put16(cd, 20); // made by: MS-DOS host, format 2.0
        put16(cd, 20);
        put16(cd, 0);
        put16(cd, 8);
        put16(cd, dosTime);
        put16(cd, dosDate);
        put32(cd, std::uint32_t(crc));
        put32(cd, std::uint32_t(csize));
        put32(cd, std::uint32_t(size));
        put16(cd, std::uint32_t(oemName.size()));
        put16(cd, std::uint32_t(extra.size()));
        put16(cd, 0); // comment
        put16(cd, 0); // disk number start
        put16(cd, 0); // internal attributes
        put32(cd, attributes);
        put32(cd, 0); // local header offset
        cd.insert(cd.end(), oemName.begin(), oemName.end());
        cd.insert(cd.end(), extra.begin(), extra.end());
        const std::uint64_t cdSize = cd.size();
        put32(cd, kEndSig);
        put16(cd, 0);
        put16(cd, 0);
        put16(cd, 1);
        put16(cd, 1);
        put32(cd, std::uint32_t(cdSize));
        put32(cd, std::uint32_t(cdOffset));
        put16(cd, 0);
        if (cdOffset + cd.size() >= 0xFFFFFFFFull)
            throw ContainerError("The list file would exceed 4 GiB.");
        if (::lseek(out.fd, off_t(cdOffset), SEEK_SET) < 0)
            throw ContainerError("Cannot write " + archivePath + ": " + errnoText() + ".");
        writeAll(out.fd, cd.data(), cd.size(), archivePath);
        if (::fsync(out.fd) != 0)
            throw ContainerError("Cannot flush " + archivePath + ": " + errnoText() + ".");
        if (::close(out.release()) != 0)
            throw ContainerError("Cannot write " + archivePath + ": " + errnoText() + ".");
        if (::rename(archivePath.c_str(), listPath.c_str()) != 0)
            throw ContainerError("Cannot replace " + listPath + ": " + errnoText() + ".");
    } catch (...) {
        removeArchive();
        throw;
    }
    if (dir.fd >= 0) ::fsync(dir.fd); // make the rename itself durable
    return true;
}

} // namespace kx
