// Fuzz target: open a list file as the viewer does (the root folder regrouped), save it, open
// the saved file again: the same number of entries, and the old file replaced only by a whole one.
#include "listfile/listfile.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string folder = [] {
        char tmpl[] = "/tmp/fuzz-opensave-XXXXXX";
        return std::string(::mkdtemp(tmpl)) + "/";
    }();
    const std::string path = folder + "list.kx";
    {
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    std::unique_ptr<kx::EntryTree> tree;
    kx::ListContainer c;
    try {
        tree = kx::openListFile(c, path);
    } catch (const kx::Error&) {
        return 0;
    }
    kx::regroupRootFolder(*tree);
    const std::size_t entries = tree->entryCount();
    if (!kx::saveListFile(c, *tree, path)) __builtin_trap();
    kx::ListContainer c2;
    auto again = kx::openListFile(c2, path); // must not throw: we wrote it
    if (again->entryCount() != entries) __builtin_trap();
    return 0;
}
