// Reading and writing the inner list, without recursion, with every count checked against the
// bytes that remain.
#include "listfile/innerlist.h"

#include "listfile/io/error.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace kx {

std::size_t MemorySource::read(void* into, std::size_t n) {
    const std::size_t k = std::min(n, m_left);
    std::memcpy(into, m_p, k);
    m_p += k;
    m_left -= k;
    return k;
}

std::string headerText(const std::uint8_t* header) {
    const void* nul = std::memchr(header, 0, kHeaderSize);
    const std::size_t n =
        nul ? std::size_t(static_cast<const std::uint8_t*>(nul) - header) : kHeaderSize;
    return std::string(reinterpret_cast<const char*>(header), n);
}

namespace {

// One record and its Entry, under `parent`; `lastChild` receives the record's count field.
Entry* readOne(EntryTree& tree, ByteSource& in, Entry* parent, std::int32_t& lastChild) {
    std::uint8_t* record = tree.recordPlace();
    if (in.read(record, kRecordSize) != kRecordSize)
        throw Error(ErrorCode::brokenList, {}, 0, "a record cut short");
    lastChild = readI32(record, rec::lastChild);
    return tree.append(parent, record);
}

} // namespace

Entry* readEntry(EntryTree& tree, ByteSource& in) {
    struct Frame {
        Entry* entry;
        std::int64_t left;      // children still to read
        std::size_t pathLength; // of the Entry's path below the root (belowroot.h's caption)
    };
    std::int32_t lastChild = 0;
    Entry* root = readOne(tree, in, nullptr, lastChild);
    std::size_t pathLength = 0;
    std::vector<Frame> stack;
    // Children promised by the folders on the stack and not read yet. Each needs a record of
    // its own, so together they can never exceed the records left: checked before any
    // allocation, which keeps a hostile count from reserving memory the data does not back.
    std::uint64_t promised = 0;
    auto push = [&](Entry* e) {
        const std::int64_t n = std::int64_t(lastChild) + 1;
        if (n <= 0) return;
        if (promised + std::uint64_t(n) > in.remaining() / kRecordSize)
            throw Error(ErrorCode::brokenList, {}, 0, "more records promised than held");
        promised += std::uint64_t(n);
        tree.reserveChildren(e, std::uint32_t(n));
        stack.push_back({e, n, pathLength});
    };
    push(root);
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.left == 0) {
            stack.pop_back();
            continue;
        }
        --f.left;
        --promised;
        Entry* parent = f.entry;
        Entry* child = readOne(tree, in, parent, lastChild);
        EntryTree::addReserved(parent, child);
        // Each path is measured once, from its folder's: the check costs no more than the read,
        // and every path a later walk makes is bounded.
        pathLength = (parent == root ? 0 : f.pathLength + 1) + child->name().size();
        if (pathLength > kMaxPathLength)
            throw Error(ErrorCode::pathTooLong, {}, 0, std::to_string(pathLength) + " characters");
        push(child); // may invalidate f
    }
    return root;
}

std::unique_ptr<EntryTree> readInnerList(ByteSource& in) {
    auto tree = std::make_unique<EntryTree>();
    std::uint8_t header[kHeaderSize];
    if (in.read(header, kHeaderSize) != kHeaderSize)
        throw Error(ErrorCode::brokenList, {}, 0, "shorter than its header");
    tree->headerText = headerText(header);
    // A list of some size: its storage made ready beside the reading.
    const bool large = in.remaining() >= (std::uint64_t(16) << 20);
    if (large) tree->supplyChunks(true);
    readEntry(*tree, in);
    if (large) tree->supplyChunks(false);
    return tree;
}

bool writeEntry(const Entry* entry, ByteSink& out, const Progress& progress, PathNames names,
                std::vector<std::uint32_t>* clearedNames) {
    const std::uint64_t total = progress ? countBelow(entry) + 1 : 0;
    std::uint64_t done = 0;
    // Writes one record; false when the progress says to stop.
    const auto writeOne = [&](const Entry* e) {
        std::uint8_t record[kRecordSize];
        e->copyRecord(record);
        if (names == PathNames::clear && e->name().find('\\') != std::string_view::npos) {
            std::memset(record + rec::name, 0, rec::nameSize);
            if (clearedNames) clearedNames->push_back(e->id());
        }
        out.write(record, kRecordSize);
        return goOn(progress, ++done, total);
    };
    if (!writeOne(entry)) return false;
    std::vector<std::pair<const Entry*, std::size_t>> stack;
    if (!entry->children().empty()) stack.emplace_back(entry, 0);
    while (!stack.empty()) {
        auto& [e, i] = stack.back();
        if (i == e->children().size()) {
            stack.pop_back();
            continue;
        }
        const Entry* c = e->children()[i++];
        if (!writeOne(c)) return false;
        if (!c->children().empty()) stack.emplace_back(c, 0);
    }
    return true;
}

bool writeInnerList(const EntryTree& tree, ByteSink& out, const Progress& progress, PathNames names,
                    std::vector<std::uint32_t>* clearedNames) {
    std::uint8_t header[kHeaderSize] = {};
    std::memcpy(header, tree.headerText.data(), std::min(tree.headerText.size(), kHeaderSize));
    out.write(header, kHeaderSize);
    if (!tree.root()) return true;
    return writeEntry(tree.root(), out, progress, names, clearedNames);
}

} // namespace kx
