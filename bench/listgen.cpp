// Generated lists of any size.
#include "listgen.h"

#include "common/treebuilder.h"
#include "listfile/scan.h"

#include <random>
#include <sys/stat.h>

namespace kxbench {

namespace {

std::string randomName(std::mt19937& rng) {
    static const char latin[] = "abcdefghijklmnopqrstuvwxyz0123456789_-";
    std::uniform_int_distribution<int> len(8, 30), pick(0, 99);
    const int n = len(rng);
    std::string s;
    const bool cyrillic = pick(rng) < 30;
    for (int i = 0; i < n; ++i) {
        if (cyrillic)
            s.push_back(char(0xE0 + pick(rng) % 32)); // а..я in Windows-1251
        else
            s.push_back(latin[std::size_t(pick(rng)) % (sizeof latin - 1)]);
    }
    if (pick(rng) < 70) s += ".dat";
    return s.substr(0, 30);
}

} // namespace

std::unique_ptr<kx::EntryTree> generateTree(std::size_t entries, double folderShare, int maxDepth,
                                            unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    kxtest::TreeBuilder b{"D:\\generated"};
    b.tree().headerText = "generated list";
    kx::Entry* root = kxtest::EntryEdit(b.root()).dates("", "");
    std::vector<kx::Entry*> folders{root};
    for (std::size_t i = 1; i < entries; ++i) {
        // Mostly recent folders, so the tree grows deep as well as wide.
        kx::Entry* parent = nullptr;
        for (int tries = 0; tries < 8 && !parent; ++tries) {
            const std::size_t recent = std::min<std::size_t>(folders.size(), 64);
            const std::size_t k = unit(rng) < 0.7
                                      ? folders.size() - 1 - std::size_t(unit(rng) * double(recent))
                                      : std::size_t(unit(rng) * double(folders.size()));
            if (folders[k]->depth() < maxDepth) parent = folders[k];
        }
        if (!parent) parent = root;
        const std::string name = randomName(rng);
        const bool isFolder = unit(rng) < folderShare && parent->depth() + 1 < maxDepth;
        kxtest::EntryEdit e = b.add(parent, name, isFolder ? kx::kFolder : kx::kFile);
        e.dates("12.03.2024 09:15:42", "02.11.2025 18:04:10").attributes(kx::archive);
        e.size(isFolder ? 0 : std::uint64_t(unit(rng) * 5e6));
        if (isFolder) folders.push_back(e);
    }
    return b.take();
}

std::string ensureListFile(const std::string& path, std::size_t entries) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        auto tree = generateTree(entries);
        kx::writeNewListFile(*tree, path);
    }
    return path;
}

std::unique_ptr<kx::EntryTree> wideFolderTree(std::size_t files) {
    std::mt19937 rng(7);
    kxtest::TreeBuilder b{"D:\\"};
    kx::Entry* wide = b.folder(b.root(), "wide");
    for (std::size_t i = 0; i < files; ++i)
        b.file(wide, randomName(rng), i * 37);
    return b.take();
}

} // namespace kxbench
