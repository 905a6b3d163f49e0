// The rest of a record beyond its catalogue row: made at the add, put back by loadTree.
#include "catalog/recordrest.h"

#include "catalog/sqlstore.h"
#include "listfile/entry.h"
#include "query/storeddate.h"

#include <algorithm>
#include <cstring>

namespace kx::catalog {

namespace {

// Two runs closer than this are kept as one: a varint pair costs about as much.
constexpr std::size_t kJoinGap = 3;

void copyText(std::uint8_t* out, std::size_t offset, std::size_t room, std::string_view text) {
    if (!text.empty()) std::memcpy(out + offset, text.data(), std::min(text.size(), room));
}

void copyDate(const std::uint8_t* record, std::uint8_t* out, std::size_t offset, std::size_t room) {
    const std::string_view text = fieldText(record, offset, room);
    const std::optional<std::int64_t> packed = packedDate(text);
    copyText(out, offset, room, packed ? packedDateText(*packed) : std::string(text));
}

std::uint32_t varintAt(std::string_view in, std::size_t& at) {
    std::uint32_t v = 0;
    for (int shift = 0; at < in.size() && shift <= 28; shift += 7) {
        const auto b = static_cast<unsigned char>(in[at++]);
        v |= std::uint32_t(b & 0x7f) << shift;
        if (!(b & 0x80)) return v;
    }
    throw Error(ErrorCode::catalogueDamaged, {}, 0, "a bad record");
}

} // namespace

void rowRecord(const std::uint8_t* record, std::int32_t depth, std::uint8_t* out) {
    std::memset(out, 0, kRecordSize);
    copyText(out, rec::name, rec::nameSize, fieldText(record, rec::name, rec::nameSize));
    copyText(out, rec::comment, rec::commentSize,
             fieldText(record, rec::comment, rec::commentSize));
    copyDate(record, out, rec::created, rec::createdSize);
    copyDate(record, out, rec::changed, rec::changedSize);
    out[rec::kind] = record[rec::kind];
    out[rec::attributes] = record[rec::attributes];
    std::memcpy(out + rec::size, record + rec::size, rec::sizeSize);
    out[rec::crossedOut] = record[rec::crossedOut];
    out[rec::mark] = record[rec::mark];
    writeI32(out, rec::depth, depth);
    writeI32(out, rec::lastChild, -1);
}

std::string restOf(const std::uint8_t* record, std::int32_t depth) {
    std::uint8_t mine[kRecordSize], row[kRecordSize];
    std::memcpy(mine, record, kRecordSize);
    if (readI32(mine, rec::lastChild) >= -1) writeI32(mine, rec::lastChild, -1);
    rowRecord(mine, depth, row);
    std::string rest;
    std::size_t end = 0; // the end of the last run written
    for (std::size_t i = 0; i < kRecordSize;) {
        if (mine[i] == row[i]) {
            ++i;
            continue;
        }
        // A run of differences, with gaps of fewer than kJoinGap equal bytes inside it.
        std::size_t last = i, j = i + 1;
        for (; j < kRecordSize && j - last <= kJoinGap; ++j)
            if (mine[j] != row[j]) last = j;
        putVarint(rest, std::uint32_t(i - end));
        putVarint(rest, std::uint32_t(last + 1 - i));
        rest.append(reinterpret_cast<const char*>(mine + i), last + 1 - i);
        end = last + 1;
        i = end;
    }
    return rest;
}

void applyRest(std::uint8_t* record, std::string_view rest) {
    std::size_t at = 0, end = 0;
    while (at < rest.size()) {
        const std::size_t offset = end + varintAt(rest, at);
        const std::size_t length = varintAt(rest, at);
        if (offset > kRecordSize || length > kRecordSize - offset || length > rest.size() - at)
            throw Error(ErrorCode::catalogueDamaged, {}, 0, "a bad record");
        if (length) std::memcpy(record + offset, rest.data() + at, length);
        at += length;
        end = offset + length;
    }
}

RestWriter::RestWriter(sqlite3* db, std::int64_t list, std::size_t entries)
    : m_put(std::make_unique<Stmt>(db,
                                   "INSERT INTO recordRest(list, ord, bytes) VALUES (?1, ?2, ?3)")),
      m_list(list), m_depthOf(entries, 0) {}

RestWriter::~RestWriter() = default;

void RestWriter::put(const Entry* e, std::uint32_t ord, const std::uint8_t* record) {
    const std::int32_t depth = e->parent() ? m_depthOf[e->parent()->id()] + 1 : 0;
    m_depthOf[e->id()] = readI32(record, rec::depth);
    const std::string rest = restOf(record, depth);
    if (!rest.empty())
        m_put->bind(1, m_list).bind(2, ord).bindBlob(3, rest.data(), rest.size()).run();
}

} // namespace kx::catalog
