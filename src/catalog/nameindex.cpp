// The name index file: its generation in the catalogue, how it is made from the catalogue's rows,
// and how it is opened, checked and read.
#include "catalog/nameindex.h"
#include "catalog/postings.h"
#include "catalog/spool.h"

#include "query/search.h"
#include "query/storeddate.h"
#include "query/upcase.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kx::catalog {

namespace {

constexpr char kMagic[8] = {'F', 'L', 'K', 'X', 'N', 'I', 'X', '1'};
// Version 2 added the trigram postings, 3 the exact names.
constexpr std::uint32_t kVersion = 3;
constexpr std::size_t kHeaderBytes = 64, kListBytes = 128;
constexpr std::uint32_t kBlock = 64;
constexpr std::uint64_t kTextMark = std::uint64_t(1) << 47;
constexpr std::size_t kPiece = 256 * 1024;
constexpr std::size_t kFirstPiece = 4096;

template <class T> void put(std::uint8_t* at, T v) {
    for (std::size_t i = 0; i < sizeof(T); ++i)
        at[i] = std::uint8_t(std::uint64_t(v) >> (8 * i));
}
std::uint64_t get(const std::uint8_t* at, std::size_t n) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i)
        v |= std::uint64_t(at[i]) << (8 * i);
    return v;
}

// A stored date in its six bytes; odd shapes go to the texts.
std::uint64_t dateField(const Stmt& s, int c, Spool& texts, std::uint64_t textsStart) {
    switch (s.type(c)) {
    case SQLITE_NULL:
        return 0;
    case SQLITE_INTEGER: {
        const std::int64_t v = s.integer(c);
        if (v >= 0 && std::uint64_t(v) + 1 < kTextMark) return std::uint64_t(v) + 1;
        break;
    }
    default:
        break;
    }
    const std::uint64_t at = texts.size() - textsStart;
    texts.text(columnText(s, c));
    return kTextMark + at;
}

std::uint32_t offset32(std::uint64_t v) {
    if (v >= 0xFFFFFFFFu) throw Error(ErrorCode::catalogueFailed, {}, 0, "a list too large");
    return std::uint32_t(v);
}

} // namespace

void damagedIndex(const char* what) {
    throw Error(ErrorCode::catalogueDamaged, {}, 0, std::string("the name index: ") + what);
}

void bumpGeneration(sqlite3* db) {
    exec(db, "CREATE TABLE IF NOT EXISTS changes(generation INTEGER NOT NULL)");
    exec(db, "INSERT INTO changes SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM changes)");
    exec(db, "UPDATE changes SET generation = generation + 1");
}

std::int64_t generationOf(sqlite3* db) {
    sqlite3_stmt* s = nullptr;
    // A catalogue that was never changed since the table came has none: generation 0.
    if (sqlite3_prepare_v2(db, "SELECT generation FROM changes", -1, &s, nullptr) != SQLITE_OK)
        return 0;
    const std::int64_t g = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
    sqlite3_finalize(s);
    return g;
}

std::string nameIndexPath(const std::string& catalogPath) {
    return catalogPath + ".names";
}

void buildNameIndex(sqlite3* db, std::int64_t generation, const std::string& path) {
    std::vector<IndexedList> lists;
    {
        Stmt s(db, "SELECT id, entries FROM lists ORDER BY id");
        while (s.step()) {
            IndexedList l;
            l.id = s.integer(0);
            l.entries = offset32(std::uint64_t(s.integer(1)));
            lists.push_back(l);
        }
    }
    Spool out(path, true), names(path, false), blocks(path, false), rows(path, false),
        comments(path, false), texts(path, false), grams(path, false), postings(path, false),
        exacts(path, false);
    PostingsBuilder gathered(path);
    try {
        Stmt s(db, "SELECT ord, parent, name, kind, attributes, size, created, changed, mark, "
                   "crossedOut, comment, path, exact FROM entries WHERE list = ?1 ORDER BY ord");
        std::uint8_t row[kRowSize];
        for (IndexedList& l : lists) {
            l.names = names.size();
            l.blocks = blocks.size();
            l.rows = rows.size();
            l.comments = comments.size();
            l.texts = texts.size();
            l.grams = grams.size();
            l.postings = postings.size();
            l.exacts = exacts.size();
            s.bind(1, l.id);
            std::uint32_t ord = 0;
            while (s.step()) {
                if (std::uint32_t(s.integer(0)) != ord || ord >= l.entries)
                    throw Error(ErrorCode::catalogueDamaged, {}, 0, "a missing entry");
                if (ord % kBlock == 0) {
                    std::uint8_t b[4];
                    put(b, offset32(names.size() - l.names));
                    blocks.write(b, 4);
                }
                const bool exact = s.type(12) != SQLITE_NULL;
                const std::string_view name = s.blob(exact ? 12 : 2);
                names.text(name);
                if (ord != 0) gathered.add(ord, exact ? unicodeUpper(name) : upperCased(name));
                std::memset(row, 0, sizeof row);
                if (exact) {
                    row[38] = kExactNameRow;
                    std::uint8_t o[4];
                    put(o, ord);
                    exacts.write(o, 4);
                }
                put(row, std::uint32_t(s.integer(1)));
                row[4] = std::uint8_t(s.integer(3));
                row[5] = std::uint8_t(s.integer(4));
                row[6] = std::uint8_t(s.integer(8));
                row[7] = std::uint8_t(s.integer(9));
                if (s.type(5) == SQLITE_INTEGER) {
                    uint64ToExtended(std::uint64_t(s.integer(5)), row + 8);
                } else {
                    const std::string_view raw = s.blob(5);
                    if (raw.size() != rec::sizeSize)
                        throw Error(ErrorCode::catalogueDamaged, {}, 0, "a bad size");
                    std::memcpy(row + 8, raw.data(), raw.size());
                }
                const std::uint64_t created = dateField(s, 6, texts, l.texts);
                const std::uint64_t changed = dateField(s, 7, texts, l.texts);
                for (int i = 0; i < 6; ++i) {
                    row[18 + i] = std::uint8_t(created >> (8 * i));
                    row[24 + i] = std::uint8_t(changed >> (8 * i));
                }
                const std::string_view comment = s.blob(10);
                if (!comment.empty()) {
                    std::uint8_t o[4];
                    put(o, ord);
                    comments.write(o, 4);
                    put(row + 30, offset32(comments.size() - l.comments + 1));
                    comments.text(comment);
                }
                if (s.type(11) != SQLITE_NULL) {
                    put(row + 34, offset32(texts.size() - l.texts + 1));
                    texts.text(s.blob(11));
                }
                rows.write(row, sizeof row);
                ++ord;
            }
            s.reset();
            if (ord != l.entries)
                throw Error(ErrorCode::catalogueDamaged, {}, 0, "a missing entry");
            l.namesLength = names.size() - l.names;
            l.commentsLength = comments.size() - l.comments;
            l.textsLength = texts.size() - l.texts;
            gathered.finish(grams, postings);
            l.gramCount = (grams.size() - l.grams) / kGramBytes;
            l.postingsLength = postings.size() - l.postings;
            l.exactCount = (exacts.size() - l.exacts) / 4;
        }

        // The header and the table, then the sections one after another.
        const std::uint64_t tableEnd = kHeaderBytes + kListBytes * lists.size();
        const std::uint64_t namesAt = tableEnd, blocksAt = namesAt + names.size(),
                            rowsAt = blocksAt + blocks.size(), commentsAt = rowsAt + rows.size(),
                            textsAt = commentsAt + comments.size(),
                            gramsAt = textsAt + texts.size(), postingsAt = gramsAt + grams.size(),
                            exactsAt = postingsAt + postings.size(),
                            total = exactsAt + exacts.size();
        std::vector<std::uint8_t> head(tableEnd, 0);
        std::memcpy(head.data(), kMagic, 8);
        put(head.data() + 8, kVersion);
        put(head.data() + 12, std::uint32_t(lists.size()));
        put(head.data() + 16, generation);
        put(head.data() + 24, total);
        put(head.data() + 32, std::uint32_t(kRowSize));
        for (std::size_t i = 0; i < lists.size(); ++i) {
            std::uint8_t* at = head.data() + kHeaderBytes + kListBytes * i;
            const IndexedList& l = lists[i];
            put(at, l.id);
            put(at + 8, l.entries);
            const std::uint64_t fields[] = {namesAt + l.names,       l.namesLength,
                                            blocksAt + l.blocks,     rowsAt + l.rows,
                                            commentsAt + l.comments, l.commentsLength,
                                            textsAt + l.texts,       l.textsLength,
                                            gramsAt + l.grams,       l.gramCount,
                                            postingsAt + l.postings, l.postingsLength,
                                            exactsAt + l.exacts,     l.exactCount};
            for (std::size_t f = 0; f < std::size(fields); ++f)
                put(at + 16 + 8 * f, fields[f]);
        }
        out.write(head.data(), head.size());
        names.copyTo(out);
        blocks.copyTo(out);
        rows.copyTo(out);
        comments.copyTo(out);
        texts.copyTo(out);
        grams.copyTo(out);
        postings.copyTo(out);
        exacts.copyTo(out);
        out.flush();
        if (::fsync(out.fd()) != 0 || ::rename(out.path().c_str(), path.c_str()) != 0)
            throw writeFailure(path);
    } catch (...) {
        ::unlink(out.path().c_str());
        throw;
    }
}

std::unique_ptr<NameIndex> NameIndex::open(const std::string& path, std::int64_t generation) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    auto refuse = [fd]() -> std::unique_ptr<NameIndex> {
        ::close(fd);
        return nullptr;
    };
    struct stat st {};
    std::uint8_t head[kHeaderBytes];
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        ::pread(fd, head, sizeof head, 0) != ssize_t(sizeof head))
        return refuse();
    const std::uint64_t size = std::uint64_t(st.st_size);
    const std::uint64_t count = get(head + 12, 4);
    if (std::memcmp(head, kMagic, 8) != 0 || get(head + 8, 4) != kVersion ||
        std::int64_t(get(head + 16, 8)) != generation || get(head + 24, 8) != size ||
        get(head + 32, 4) != kRowSize || count > (size - kHeaderBytes) / kListBytes)
        return refuse();
    const std::uint64_t tableEnd = kHeaderBytes + kListBytes * count;
    std::vector<std::uint8_t> table(tableEnd - kHeaderBytes);
    if (::pread(fd, table.data(), table.size(), kHeaderBytes) != ssize_t(table.size()))
        return refuse();
    // Every section lies after the table and inside the file.
    const auto inside = [&](std::uint64_t at, std::uint64_t length) {
        return at >= tableEnd && at <= size && length <= size - at;
    };
    std::vector<IndexedList> lists(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* at = table.data() + kListBytes * i;
        IndexedList& l = lists[i];
        l.id = std::int64_t(get(at, 8));
        l.entries = std::uint32_t(get(at + 8, 4));
        std::uint64_t* fields[] = {&l.names,    &l.namesLength,    &l.blocks,   &l.rows,
                                   &l.comments, &l.commentsLength, &l.texts,    &l.textsLength,
                                   &l.grams,    &l.gramCount,      &l.postings, &l.postingsLength,
                                   &l.exacts,   &l.exactCount};
        for (std::size_t f = 0; f < std::size(fields); ++f)
            *fields[f] = get(at + 16 + 8 * f, 8);
        const std::uint64_t blockCount = (std::uint64_t(l.entries) + kBlock - 1) / kBlock;
        if (l.entries == 0 || !inside(l.names, l.namesLength) ||
            !inside(l.blocks, blockCount * 4) || !inside(l.rows, l.entries * kRowSize) ||
            !inside(l.comments, l.commentsLength) || !inside(l.texts, l.textsLength) ||
            l.gramCount > size / kGramBytes || !inside(l.grams, l.gramCount * kGramBytes) ||
            !inside(l.postings, l.postingsLength) || l.exactCount > l.entries ||
            !inside(l.exacts, l.exactCount * 4))
            return refuse();
    }
    return std::unique_ptr<NameIndex>(new NameIndex(fd, std::move(lists)));
}

NameIndex::~NameIndex() {
    ::close(m_fd);
}

void NameIndex::read(std::uint64_t offset, void* out, std::size_t n) const {
    auto* p = static_cast<char*>(out);
    while (n > 0) {
        const ssize_t got = ::pread(m_fd, p, n, off_t(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) damagedIndex("cut short");
        p += got;
        offset += std::uint64_t(got);
        n -= std::size_t(got);
    }
}

IndexRow decodeRow(const std::uint8_t* b) {
    IndexRow r;
    r.parent = std::uint32_t(get(b, 4));
    r.kind = char(b[4]);
    r.attributes = b[5];
    r.mark = b[6];
    r.crossedOut = b[7];
    std::memcpy(r.size, b + 8, 10);
    r.created = get(b + 18, 6);
    r.changed = get(b + 24, 6);
    r.comment = std::uint32_t(get(b + 30, 4));
    r.path = std::uint32_t(get(b + 34, 4));
    r.exactName = (b[38] & kExactNameRow) != 0;
    return r;
}

SectionReader::SectionReader(const NameIndex& index, std::uint64_t offset, std::uint64_t length)
    : m_index(index), m_offset(offset), m_length(length) {}

void SectionReader::seek(std::uint64_t at) {
    m_next = std::min(at, m_length);
    m_at = m_end = 0;
    // After a jump the next read is likely short: the pieces grow again as reading goes on.
    m_piece = kFirstPiece;
}

void SectionReader::moveTo(std::uint64_t at) {
    const std::uint64_t bufferStart = m_next - m_end;
    if (at >= bufferStart && at < m_next) {
        m_at = std::size_t(at - bufferStart);
    } else if (at >= m_next && at - m_next < kFirstPiece && at <= m_length) {
        // A short step ahead: the next piece is read from there, as large as reading goes on.
        m_next = at;
        m_at = m_end = 0;
    } else {
        seek(at);
    }
}

bool SectionReader::fill(std::size_t want) {
    if (m_end - m_at >= want) return true;
    if (m_next == m_length) return m_end > m_at;
    // Keep what is left, then read a piece after it (larger when one text needs more).
    // (An empty buffer has no storage yet: nothing to move.)
    if (m_end > m_at) std::memmove(m_buffer.data(), m_buffer.data() + m_at, m_end - m_at);
    m_end -= m_at;
    m_at = 0;
    const std::size_t room = std::max(m_piece, m_end + want);
    m_piece = std::min(kPiece, m_piece * 4);
    if (m_buffer.size() < room) m_buffer.resize(room);
    const std::size_t n = std::size_t(std::min<std::uint64_t>(room - m_end, m_length - m_next));
    m_index.read(m_offset + m_next, m_buffer.data() + m_end, n);
    m_next += n;
    m_end += n;
    return m_end - m_at >= want || m_end > m_at;
}

bool SectionReader::nextText(std::string_view& text) {
    if (!fill(1)) return false;
    for (;;) {
        const char* start = m_buffer.data() + m_at;
        const void* nul = std::memchr(start, 0, m_end - m_at);
        if (nul) {
            const std::size_t n = std::size_t(static_cast<const char*>(nul) - start);
            text = std::string_view(start, n);
            m_at += n + 1;
            return true;
        }
        // A text is a name, a comment or a path: far shorter than this.
        const std::size_t held = m_end - m_at;
        if (m_next == m_length || held > (std::size_t(1) << 24)) damagedIndex("a text without end");
        fill(held + 1);
    }
}

bool SectionReader::nextU32(std::uint32_t& v) {
    if (!fill(4)) return false;
    if (m_end - m_at < 4) damagedIndex("cut short");
    v = std::uint32_t(get(reinterpret_cast<const std::uint8_t*>(m_buffer.data() + m_at), 4));
    m_at += 4;
    return true;
}

NameCursor::NameCursor(const NameIndex& index, const IndexedList& list)
    : m_index(index), m_list(list), m_names(index, list.names, list.namesLength) {}

std::string_view NameCursor::at(std::uint32_t ord) {
    if (ord >= m_list.entries) damagedIndex("an entry out of range");
    if (m_next > 0 && ord == m_next - 1) return m_last;
    // Behind, or more than a block ahead: jump to the block's first name.
    if (ord < m_next || ord / kBlock > m_next / kBlock) {
        m_names.moveTo(blockStart(ord / kBlock));
        m_next = ord / kBlock * kBlock;
    }
    while (m_next <= ord) {
        if (!m_names.nextText(m_last)) damagedIndex("a missing name");
        ++m_next;
    }
    return m_last;
}

std::uint64_t NameCursor::blockStart(std::uint32_t block) {
    if (block < m_firstBlock || block - m_firstBlock >= m_blocks.size()) {
        // A jump reads the next 1024 places at once: the cursors mostly jump forward.
        constexpr std::uint32_t kWindow = 1024;
        const std::uint32_t count = std::uint32_t((m_list.entries + kBlock - 1) / kBlock);
        m_firstBlock = block;
        std::vector<std::uint8_t> bytes(4 * std::size_t(std::min(kWindow, count - block)));
        m_index.read(m_list.blocks + 4 * std::uint64_t(block), bytes.data(), bytes.size());
        m_blocks.resize(bytes.size() / 4);
        for (std::size_t i = 0; i < m_blocks.size(); ++i)
            m_blocks[i] = std::uint32_t(get(bytes.data() + 4 * i, 4));
    }
    return m_blocks[block - m_firstBlock];
}

IndexRow RowCursor::at(std::uint32_t ord) {
    if (ord >= m_list.entries) damagedIndex("an entry out of range");
    if (ord < m_first || ord >= m_first + m_count) {
        // A window that goes on from the last grows; one after a jump starts small.
        const bool onward = m_count > 0 && ord < m_first + 2 * m_count && ord >= m_first;
        m_windowRows = onward ? std::min<std::uint32_t>(m_windowRows * 4, 4096) : 32;
        m_first = ord;
        m_count = std::min(m_windowRows, m_list.entries - ord);
        m_window.resize(std::size_t(m_count) * kRowSize);
        m_index.read(m_list.rows + std::uint64_t(ord) * kRowSize, m_window.data(), m_window.size());
    }
    return decodeRow(m_window.data() + std::size_t(ord - m_first) * kRowSize);
}

std::string textAt(const NameIndex& index, std::uint64_t section, std::uint64_t length,
                   std::uint64_t offset) {
    if (offset >= length) damagedIndex("a text out of range");
    std::string out;
    for (std::uint64_t want = 512;; want *= 4) {
        const std::uint64_t n = std::min(want, length - offset);
        out.resize(std::size_t(n));
        index.read(section + offset, out.data(), out.size());
        const std::size_t nul = out.find('\0');
        if (nul != std::string::npos) {
            out.resize(nul);
            return out;
        }
        if (n == length - offset) damagedIndex("a text without end");
    }
}

} // namespace kx::catalog
