// Fuzz target: bytes as an inner list. A list that reads must write back exactly the bytes it
// was read from, apart from the differences a save makes on purpose.
#include "listfile/innerlist.h"

#include <cstring>
#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<kx::EntryTree> tree;
    try {
        kx::MemorySource src(data, size);
        tree = kx::readInnerList(src);
    } catch (const kx::ListFileError&) {
        return 0;
    }
    kx::StringSink out;
    kx::writeInnerList(*tree, out);
    const std::string& w = out.data();
    const std::size_t records = tree->entryCount();
    if (w.size() != kx::kHeaderSize + records * kx::kRecordSize) __builtin_trap();
    // The header text and every record but the root's name come back unchanged.
    if (w.compare(0, tree->headerText.size(), reinterpret_cast<const char*>(data), tree->headerText.size()) != 0)
        __builtin_trap();
    const std::size_t afterRootName = kx::kHeaderSize + kx::rec::nameSize;
    if (std::memcmp(w.data() + afterRootName, data + afterRootName, w.size() - afterRootName) != 0) __builtin_trap();
    // A second read of what was written gives the same tree.
    kx::MemorySource again(w.data(), w.size());
    if (kx::readInnerList(again)->entryCount() != records) __builtin_trap();
    return 0;
}
