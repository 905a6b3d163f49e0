// The entry tree's storage and the tree-wide helpers.
#include "listfile/entry.h"

#include "listfile/chunks.h"
#include "listfile/exactname.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <stdexcept>
#include <system_error>
#include <unordered_map>

#include <cstdlib>
#include <lz4.h>
#include <new>

namespace kx {

namespace {

// Entries live in chunks of 2 MiB, aligned to their size, each opened by a header that names its
// tree and the id of its first Entry.
constexpr std::size_t kChunkHeader = 64;
constexpr std::uint32_t kPerChunk = std::uint32_t((kChunkBytes - kChunkHeader) / sizeof(Entry));
// The records wait compressed in blocks of this many; the last, unfilled block stays unpacked.
constexpr std::uint32_t kBlockRecords = 64;
constexpr std::size_t kBlockBytes = kBlockRecords * kRecordSize;
// Names are kept NUL-terminated in 2 MiB pieces; an offset is the piece's number and the place
// in it. An exact name follows its code-page name's NUL as a length byte and the bytes.
constexpr unsigned kNameShift = 21;
constexpr std::size_t kNamePiece = std::size_t(1) << kNameShift;
static_assert(kNamePiece == kChunkBytes, "name pieces are chunks");
// Children lists are cut from chunks of this many pointers; a long list gets its own.
constexpr std::size_t kKidPiece = kChunkBytes / sizeof(void*);

static_assert(sizeof(Entry) == 40, "an Entry is 40 bytes");

std::atomic<std::uint64_t> g_nextSerial{1};

// The blocks a thread unpacked last, so that drawing rows, exporting and saving unpack each block
// once per pass. A block is known by its tree's serial, the tree's edit count and its number.
struct CachedBlock {
    std::uint64_t serial = 0;
    std::uint64_t epoch = 0;
    std::uint32_t block = 0;
    std::unique_ptr<std::uint8_t[]> bytes;
};
constexpr std::size_t kCachedBlocks = 8;
thread_local std::array<CachedBlock, kCachedBlocks> t_cache;
thread_local std::size_t t_nextVictim = 0;

// Zeroes, in a record copy, every field that the Entry itself holds. What is left is what only
// the record knows (dates, comment, bytes after NULs, depth, reserved bytes), and compresses well.
void clearHeldFields(std::uint8_t* r, std::size_t nameLength, bool sizeInRecord,
                     bool lastChildInRecord) {
    std::memset(r + rec::name, 0, nameLength);
    r[rec::kind] = 0;
    r[rec::attributes] = 0;
    r[rec::crossedOut] = 0;
    r[rec::mark] = 0;
    std::memset(r + rec::markCount, 0, 4);
    if (!sizeInRecord) std::memset(r + rec::size, 0, rec::sizeSize);
    if (!lastChildInRecord) std::memset(r + rec::lastChild, 0, 4);
}

} // namespace

struct EntryTree::Chunk {
    EntryTree* tree;
    std::uint32_t firstId;
};

// A packed block: in the packing chunks as read, or in a buffer of its own once rewritten.
struct EntryTree::Block {
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    std::unique_ptr<std::uint8_t[]> own;
};

struct EntryTree::Store {
    ChunkList chunks; // the Entries
    ChunkList names;
    std::size_t nameUsed = kNamePiece; // in the last piece
    ChunkList kidPieces;
    std::vector<std::unique_ptr<Entry*[]>> kids; // the long lists
    std::size_t kidUsed = kKidPiece;             // in `piece`
    Entry** piece = nullptr;
    std::size_t kidBytes = 0;
    // Children lists grown one child at a time (built trees).
    std::unordered_map<const Entry*, std::vector<Entry*>> grown;
    std::vector<Block> blocks;
    std::size_t blockBytes = 0;
    ChunkList packed;                     // the blocks as packed when read, one after another
    std::size_t packedUsed = kChunkBytes; // in the last chunk
    // The unfilled block's records, unpacked.
    std::unique_ptr<std::uint8_t[]> open{new std::uint8_t[kBlockBytes]};
    std::size_t openUsed = 0;
    std::uint64_t epoch = 0; // edits of packed blocks: what a thread cached before is stale
    std::uint64_t serial = g_nextSerial++;
    std::unique_ptr<ChunkSupply> supply; // while a large list is read
};

EntryTree::EntryTree() : m_store(std::make_unique<Store>()) {}

EntryTree::~EntryTree() = default; // the supply (the Store's last member) stops first

void EntryTree::supplyChunks(bool on) {
    if (!on) {
        m_store->supply.reset();
        return;
    }
    try {
        if (!m_store->supply) m_store->supply = std::make_unique<ChunkSupply>();
    } catch (const std::system_error&) {
        // no thread: the chunks are mapped as they are needed
    }
}

Entry* EntryTree::at(std::uint32_t id) const {
    auto* chunk = static_cast<char*>(m_store->chunks.pieces[id / kPerChunk]);
    return reinterpret_cast<Entry*>(chunk + kChunkHeader) + id % kPerChunk;
}

EntryTree& Entry::tree() const {
    const auto base = reinterpret_cast<std::uintptr_t>(this) & ~(kChunkBytes - 1);
    return *reinterpret_cast<const EntryTree::Chunk*>(base)->tree;
}

std::uint32_t Entry::id() const {
    const auto base = reinterpret_cast<std::uintptr_t>(this) & ~(kChunkBytes - 1);
    const auto* chunk = reinterpret_cast<const EntryTree::Chunk*>(base);
    const auto* first = reinterpret_cast<const Entry*>(base + kChunkHeader);
    return chunk->firstId + std::uint32_t(this - first);
}

Entry* Entry::parent() const {
    return m_parent ? tree().at(m_parent - 1) : nullptr;
}

std::string_view Entry::name() const {
    if (m_nameLength == 0) return {};
    return std::string_view(tree().nameAt(m_name), m_nameLength);
}

std::optional<std::string_view> Entry::exactName() const {
    return tree().exactNameOf(*this);
}

std::optional<std::string_view> EntryTree::exactNameOf(const Entry& e) const {
    if (!(e.m_flags & Entry::kExactName)) return std::nullopt;
    const char* p = nameAt(e.m_name) + e.m_nameLength + 1;
    return std::string_view(p + 1, static_cast<unsigned char>(*p));
}

const char* EntryTree::nameAt(std::uint32_t offset) const {
    return static_cast<const char*>(m_store->names.pieces[offset >> kNameShift]) +
           (offset & (kNamePiece - 1));
}

std::uint32_t EntryTree::storeName(const std::uint8_t* record, std::size_t length,
                                   std::optional<std::string_view> exact) {
    Store& s = *m_store;
    const std::size_t size = length + 1 + (exact ? 1 + exact->size() : 0);
    if (s.nameUsed + size > kNamePiece) {
        if (s.names.pieces.size() >= (std::size_t(1) << (32 - kNameShift))) throw std::bad_alloc();
        s.names.add(s.supply.get());
        s.nameUsed = 0;
    }
    char* p = static_cast<char*>(s.names.pieces.back()) + s.nameUsed;
    std::memcpy(p, record + rec::name, length);
    p[length] = '\0';
    if (exact) {
        p[length + 1] = char(exact->size());
        std::memcpy(p + length + 2, exact->data(), exact->size());
    }
    const auto offset = std::uint32_t((s.names.pieces.size() - 1) << kNameShift | s.nameUsed);
    s.nameUsed += size;
    return offset;
}

void EntryTree::takeFields(Entry* e, const std::uint8_t* r) {
    const void* nul = std::memchr(r + rec::name, 0, rec::nameSize);
    const std::size_t nameLength =
        nul ? std::size_t(static_cast<const std::uint8_t*>(nul) - r) : rec::nameSize;
    const auto exact = exactNameIn(r + rec::name);
    if (nameLength == 0 && !exact)
        e->m_name = 0;
    else if (e->m_nameLength != nameLength || exactNameOf(*e) != exact ||
             std::memcmp(nameAt(e->m_name), r + rec::name, nameLength) != 0)
        e->m_name = storeName(r, nameLength, exact);
    e->m_nameLength = std::uint16_t(nameLength);
    e->m_kind = r[rec::kind];
    e->m_attributes = r[rec::attributes];
    e->m_crossedOut = r[rec::crossedOut];
    e->m_mark = r[rec::mark];
    e->m_markCount = readI32(r, rec::markCount);
    e->m_size = extendedToUint64(r + rec::size);
    e->m_flags = exact ? Entry::kExactName : 0;
    if (r[rec::comment] != 0) e->m_flags |= Entry::kHasComment;
    if (!isExactExtended(e->m_size, r + rec::size)) e->m_flags |= Entry::kSizeInRecord;
    if (readI32(r, rec::lastChild) < -1) e->m_flags |= Entry::kLastChildInRecord;
}

namespace {

// A block of records packed; the buffer is exactly as long as the packed bytes.
std::unique_ptr<std::uint8_t[]> pack(const std::uint8_t* plain, std::uint32_t& size) {
    static thread_local std::unique_ptr<char[]> scratch;
    const int bound = LZ4_compressBound(int(kBlockBytes));
    if (!scratch) scratch.reset(new char[std::size_t(bound)]);
    const int n = LZ4_compress_default(reinterpret_cast<const char*>(plain), scratch.get(),
                                       int(kBlockBytes), bound);
    if (n <= 0) throw std::bad_alloc();
    std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[std::size_t(n)]);
    std::memcpy(out.get(), scratch.get(), std::size_t(n));
    size = std::uint32_t(n);
    return out;
}

void unpack(const std::uint8_t* packed, std::uint32_t size, std::uint8_t* plain) {
    if (LZ4_decompress_safe(reinterpret_cast<const char*>(packed), reinterpret_cast<char*>(plain),
                            int(size), int(kBlockBytes)) != int(kBlockBytes))
        throw std::logic_error("a record block cannot be unpacked");
}

} // namespace

Entry* EntryTree::append(Entry* parent, const std::uint8_t* record) {
    Store& s = *m_store;
    if (m_count >= UINT32_MAX - 1) throw std::bad_alloc();
    const auto id = std::uint32_t(m_count);
    if (id % kPerChunk == 0) {
        void* chunk = s.chunks.add(s.supply.get());
        *static_cast<Chunk*>(chunk) = Chunk{this, id};
    }
    Entry* e = at(id);
    e->m_kids = nullptr;
    e->m_kidCount = 0;
    e->m_parent = parent ? parent->id() + 1 : 0;
    e->m_name = 0;
    e->m_nameLength = 0;
    e->m_flags = 0;
    takeFields(e, record);
    ++m_count;

    std::uint8_t* place = s.open.get() + s.openUsed;
    if (record != place) std::memcpy(place, record, kRecordSize);
    s.openUsed += kRecordSize;
    clearHeldFields(place, e->m_nameLength, e->m_flags & Entry::kSizeInRecord,
                    e->m_flags & Entry::kLastChildInRecord);
    if (s.openUsed == kBlockBytes) {
        // Packed straight into the chunks: no buffer of its own, no copy.
        const auto bound = std::size_t(LZ4_compressBound(int(kBlockBytes)));
        if (s.packedUsed + bound > kChunkBytes) {
            s.blocks.reserve(s.blocks.size() + 1);
            s.packed.add(s.supply.get());
            s.packedUsed = 0;
        }
        auto* to = static_cast<std::uint8_t*>(s.packed.pieces.back()) + s.packedUsed;
        const int n =
            LZ4_compress_default(reinterpret_cast<const char*>(s.open.get()),
                                 reinterpret_cast<char*>(to), int(kBlockBytes), int(bound));
        if (n <= 0) throw std::bad_alloc();
        Block b;
        b.data = to;
        b.size = std::uint32_t(n);
        s.blocks.push_back(std::move(b));
        s.packedUsed += b.size;
        s.blockBytes += b.size;
        s.openUsed = 0;
    }
    return e;
}

std::uint8_t* EntryTree::recordPlace() {
    return m_store->open.get() + m_store->openUsed;
}

Entry* EntryTree::add(Entry* parent, const std::uint8_t* record) {
    if (!parent && m_count) throw std::logic_error("a tree has one root");
    Entry* e = append(parent, record);
    if (parent) {
        auto& list = m_store->grown[parent];
        if (list.empty() && parent->m_kidCount)
            list.assign(parent->m_kids, parent->m_kids + parent->m_kidCount);
        list.push_back(e);
        parent->m_kids = list.data();
        parent->m_kidCount = std::uint32_t(list.size());
    }
    return e;
}

void EntryTree::reserveChildren(Entry* folder, std::uint32_t count) {
    Store& s = *m_store;
    folder->m_kidCount = 0;
    folder->m_kids = nullptr;
    if (count == 0) return;
    s.kidBytes += count * sizeof(Entry*);
    if (count > kKidPiece / 4) {
        s.kids.push_back(std::unique_ptr<Entry*[]>(new Entry*[count]));
        folder->m_kids = s.kids.back().get();
        return;
    }
    if (s.kidUsed + count > kKidPiece) {
        s.piece = static_cast<Entry**>(s.kidPieces.add(s.supply.get()));
        s.kidUsed = 0;
    }
    folder->m_kids = s.piece + s.kidUsed;
    s.kidUsed += count;
}

void EntryTree::residual(std::uint32_t id, std::uint8_t* out) const {
    const Store& s = *m_store;
    const std::uint32_t block = id / kBlockRecords;
    const std::size_t offset = std::size_t(id % kBlockRecords) * kRecordSize;
    for (CachedBlock& c : t_cache) {
        if (c.serial == s.serial && c.epoch == s.epoch && c.block == block) {
            std::memcpy(out, c.bytes.get() + offset, kRecordSize);
            return;
        }
    }
    if (block >= s.blocks.size()) {
        std::memcpy(out, s.open.get() + offset, kRecordSize);
        return;
    }
    CachedBlock& c = t_cache[t_nextVictim++ % kCachedBlocks];
    if (!c.bytes) c.bytes.reset(new std::uint8_t[kBlockBytes]);
    c.serial = 0;
    unpack(s.blocks[block].data, s.blocks[block].size, c.bytes.get());
    c.serial = s.serial;
    c.epoch = s.epoch;
    c.block = block;
    std::memcpy(out, c.bytes.get() + offset, kRecordSize);
}

void EntryTree::rebuild(const Entry* e, std::uint8_t* r) const {
    if (e->m_nameLength) std::memcpy(r + rec::name, nameAt(e->m_name), e->m_nameLength);
    r[rec::kind] = e->m_kind;
    r[rec::attributes] = e->m_attributes;
    r[rec::crossedOut] = e->m_crossedOut;
    r[rec::mark] = e->m_mark;
    writeI32(r, rec::markCount, e->m_markCount);
    if (!(e->m_flags & Entry::kSizeInRecord)) uint64ToExtended(e->m_size, r + rec::size);
    if (!(e->m_flags & Entry::kLastChildInRecord))
        writeI32(r, rec::lastChild, std::int32_t(e->m_kidCount) - 1);
}

void EntryTree::rewrite(Entry* e, const std::uint8_t* record) {
    // Whatever can fail (a new name in the arena, the block unpacked and packed again) is done
    // on copies; then the block and the Entry change by moves and copies that cannot.
    Store& s = *m_store;
    Entry next = *e;
    takeFields(&next, record);
    std::uint8_t held[kRecordSize];
    std::memcpy(held, record, kRecordSize);
    clearHeldFields(held, next.m_nameLength, next.m_flags & Entry::kSizeInRecord,
                    next.m_flags & Entry::kLastChildInRecord);
    const std::uint32_t id = e->id();
    const std::uint32_t block = id / kBlockRecords;
    const std::size_t offset = std::size_t(id % kBlockRecords) * kRecordSize;
    if (block >= s.blocks.size()) {
        std::memcpy(s.open.get() + offset, held, kRecordSize);
    } else {
        Block& b = s.blocks[block];
        std::unique_ptr<std::uint8_t[]> plain(new std::uint8_t[kBlockBytes]);
        unpack(b.data, b.size, plain.get());
        std::memcpy(plain.get() + offset, held, kRecordSize);
        Block packed;
        packed.own = pack(plain.get(), packed.size);
        packed.data = packed.own.get();
        s.blockBytes = s.blockBytes - b.size + packed.size;
        b = std::move(packed);
        ++s.epoch;
    }
    *e = next;
}

std::size_t EntryTree::heldBytes() const {
    const Store& s = *m_store;
    return m_count * sizeof(Entry) + s.names.pieces.size() * kNamePiece + s.kidBytes +
           s.blockBytes + s.blocks.size() * sizeof(Block) + kBlockBytes;
}

void Entry::copyRecord(std::uint8_t* out) const {
    const EntryTree& t = tree();
    t.residual(id(), out);
    t.rebuild(this, out);
}

void Entry::patchRecord(std::size_t offset, const void* bytes, std::size_t n) {
    if (offset >= kRecordSize) return;
    std::uint8_t r[kRecordSize];
    copyRecord(r);
    std::memcpy(r + offset, bytes, std::min(n, kRecordSize - offset));
    tree().rewrite(this, r);
}

std::string Entry::unpackedText(std::size_t offset, std::size_t size) const {
    std::uint8_t r[kRecordSize];
    tree().residual(id(), r);
    return std::string(fieldText(r, offset, size));
}

std::string Entry::comment() const {
    return hasComment() ? unpackedText(rec::comment, rec::commentSize) : std::string();
}

std::string Entry::created() const {
    return unpackedText(rec::created, rec::createdSize);
}

std::string Entry::changed() const {
    return unpackedText(rec::changed, rec::changedSize);
}

std::int32_t Entry::depth() const {
    std::uint8_t r[kRecordSize];
    tree().residual(id(), r);
    return readI32(r, rec::depth);
}

std::int32_t Entry::lastChild() const {
    if (!(m_flags & kLastChildInRecord)) return std::int32_t(m_kidCount) - 1;
    std::uint8_t r[kRecordSize];
    tree().residual(id(), r);
    return readI32(r, rec::lastChild);
}

ExtendedFloat Entry::sizeValue() const {
    std::uint8_t r[kRecordSize];
    copyRecord(r);
    return decodeExtended(r + rec::size);
}

void makeCommentField(std::string_view ansiText, std::uint8_t* out) {
    std::memset(out, 0, rec::commentSize);
    const std::size_t n = std::min<std::size_t>(ansiText.size(), rec::commentSize - 2);
    if (n > 0) std::memcpy(out, ansiText.data(), n); // an empty view may be null
}

void Entry::setComment(std::string_view ansiText) {
    std::uint8_t field[rec::commentSize];
    makeCommentField(ansiText, field);
    setCommentField(field);
}

void Entry::copyCommentField(std::uint8_t* out) const {
    std::uint8_t r[kRecordSize];
    tree().residual(id(), r);
    std::memcpy(out, r + rec::comment, rec::commentSize);
}

void Entry::setCommentField(const std::uint8_t* bytes) {
    patchRecord(rec::comment, bytes, rec::commentSize);
}

void Entry::clearName() {
    const std::uint8_t zeros[rec::nameSize] = {};
    patchRecord(rec::name, zeros, rec::nameSize);
}

} // namespace kx
