// Generated lists of any size.
#include "listgen.h"

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

void setKind(kx::Entry* e, char kind) {
    e->record[kx::rec::kind] = std::uint8_t(kind);
}

} // namespace

std::unique_ptr<kx::EntryTree> generateTree(std::size_t entries, double folderShare, int maxDepth,
                                            unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    auto tree = std::make_unique<kx::EntryTree>();
    tree->headerText = "generated list";
    kx::Entry* root = tree->newEntry();
    kx::setTextField(*root, kx::rec::name, kx::rec::nameSize, "D:\\generated");
    setKind(root, kx::kFolder);
    tree->setRoot(root);
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
        kx::Entry* e = tree->newEntry();
        kx::setTextField(*e, kx::rec::name, kx::rec::nameSize, randomName(rng));
        kx::setTextField(*e, kx::rec::created, kx::rec::createdSize, "12.03.2024 09:15:42");
        kx::setTextField(*e, kx::rec::changed, kx::rec::changedSize, "02.11.2025 18:04:10");
        const bool isFolder = unit(rng) < folderShare && parent->depth() + 1 < maxDepth;
        setKind(e, isFolder ? kx::kFolder : kx::kFile);
        e->record[kx::rec::attributes] = kx::archive;
        kx::uint64ToExtended(isFolder ? 0 : std::uint64_t(unit(rng) * 5e6),
                             e->record + kx::rec::size);
        e->writeI32(kx::rec::depth, parent->depth() + 1);
        e->parent = parent;
        parent->children.push_back(e);
        if (isFolder) folders.push_back(e);
    }
    kx::walkBelow(root, [](const kx::Entry* e) {
        const_cast<kx::Entry*>(e)->writeI32(kx::rec::lastChild,
                                            std::int32_t(e->children.size()) - 1);
        return true;
    });
    root->writeI32(kx::rec::lastChild, std::int32_t(root->children.size()) - 1);
    return tree;
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
    auto tree = std::make_unique<kx::EntryTree>();
    std::mt19937 rng(7);
    kx::Entry* root = tree->newEntry();
    setKind(root, kx::kFolder);
    kx::setTextField(*root, kx::rec::name, kx::rec::nameSize, "D:\\");
    tree->setRoot(root);
    kx::Entry* wide = tree->newEntry();
    setKind(wide, kx::kFolder);
    kx::setTextField(*wide, kx::rec::name, kx::rec::nameSize, "wide");
    wide->parent = root;
    root->children.push_back(wide);
    for (std::size_t i = 0; i < files; ++i) {
        kx::Entry* e = tree->newEntry();
        setKind(e, kx::kFile);
        kx::setTextField(*e, kx::rec::name, kx::rec::nameSize, randomName(rng));
        kx::uint64ToExtended(i * 37, e->record + kx::rec::size);
        e->writeI32(kx::rec::lastChild, -1);
        e->parent = wide;
        wide->children.push_back(e);
    }
    wide->writeI32(kx::rec::lastChild, std::int32_t(files) - 1);
    root->writeI32(kx::rec::lastChild, 0);
    return tree;
}

} // namespace kxbench
