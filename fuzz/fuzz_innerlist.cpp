// Fuzz target: bytes as an inner list. A list that reads must write back exactly the bytes it
// was read from, apart from the differences a save makes on purpose.
#include "listfile/innerlist.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<kx::EntryTree> tree;
    try {
        kx::MemorySource src(data, size);
        tree = kx::readInnerList(src);
    } catch (const kx::Error&) {
        return 0;
    }
    kx::StringSink out;
    kx::writeInnerList(*tree, out);
    const std::string& w = out.data();
    const std::size_t records = tree->entryCount();
    if (w.size() != kx::kHeaderSize + records * kx::kRecordSize) __builtin_trap();
    // The header text comes back; every record comes back unchanged, except that a name holding
    // a backslash (the root's path) is cleared to NUL bytes.
    if (w.compare(0, tree->headerText.size(), reinterpret_cast<const char*>(data),
                  tree->headerText.size()) != 0)
        __builtin_trap();
    for (std::size_t i = 0; i < records; ++i) {
        const std::size_t at = kx::kHeaderSize + i * kx::kRecordSize;
        const char* in = reinterpret_cast<const char*>(data) + at;
        const char* back = w.data() + at;
        const std::size_t nameLen = strnlen(in, kx::rec::nameSize);
        const bool cleared = std::memchr(in, '\\', nameLen) != nullptr;
        if (cleared ? std::memcmp(back, std::string(kx::rec::nameSize, '\0').data(),
                                  kx::rec::nameSize) != 0
                    : std::memcmp(back, in, kx::rec::nameSize) != 0)
            __builtin_trap();
        if (std::memcmp(back + kx::rec::nameSize, in + kx::rec::nameSize,
                        kx::kRecordSize - kx::rec::nameSize) != 0)
            __builtin_trap();
    }
    // A second read of what was written gives the same tree.
    kx::MemorySource again(w.data(), w.size());
    if (kx::readInnerList(again)->entryCount() != records) __builtin_trap();
    return 0;
}
