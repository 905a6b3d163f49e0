// Builds small entry trees for the output tests (folders, files, flags); prints QStrings.
#pragma once

#include "listfile/entry.h"

#include <QString>
#include <ostream>

#include <cstring>
#include <string_view>

// Readable QString values in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

struct TreeBuilder {
    kx::EntryTree tree;
    kx::Entry* root;

    TreeBuilder() : root(make("C:\\scan\\", kx::kFolder)) { tree.setRoot(root); }

    kx::Entry* folder(kx::Entry* parent, std::string_view name) {
        return link(parent, make(name, kx::kFolder));
    }
    kx::Entry* file(kx::Entry* parent, std::string_view name, std::uint8_t attributes = 0,
                    std::uint8_t crossedOut = 0) {
        kx::Entry* e = make(name, kx::kFile);
        e->record[kx::rec::attributes] = attributes;
        e->record[kx::rec::crossedOut] = crossedOut;
        return link(parent, e);
    }

private:
    kx::Entry* make(std::string_view name, char kind) {
        kx::Entry* e = tree.newEntry();
        std::memcpy(e->record + kx::rec::name, name.data(), name.size());
        e->record[kx::rec::kind] = static_cast<std::uint8_t>(kind);
        e->writeI32(kx::rec::lastChild, -1);
        return e;
    }
    kx::Entry* link(kx::Entry* parent, kx::Entry* e) {
        parent->children.push_back(e);
        e->parent = parent;
        parent->writeI32(kx::rec::lastChild, static_cast<int>(parent->children.size()) - 1);
        return e;
    }
};
