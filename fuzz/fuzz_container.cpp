// Fuzz target: bytes as a list file. Opening either gives a tree or a clear error, and never
// writes to the list file.
#include "listfile/listfile.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/fuzz-container-" + std::to_string(::getpid()) + ".kx";
    {
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    try {
        kx::ListContainer c;
        auto tree = kx::openListFile(c, path);
        kx::countTree(tree->root());
    } catch (const kx::Error&) {
    }
    std::ifstream f(path, std::ios::binary);
    std::string back((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (back.size() != size ||
        (size && back.compare(0, size, reinterpret_cast<const char*>(data), size) != 0))
        __builtin_trap();
    return 0;
}
