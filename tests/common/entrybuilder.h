// Entries made in memory for logic tests: a name, a kind, a mark, linked under a parent.
#pragma once

#include "listfile/entry.h"

#include <cstring>
#include <string_view>

namespace kxtest {

class EntryBuilder {
public:
    kx::Entry* add(kx::Entry* parent, std::string_view name, char kind, std::uint8_t mark = 0) {
        kx::Entry* e = m_tree.newEntry();
        std::memcpy(e->record + kx::rec::name, name.data(), name.size());
        e->record[kx::rec::kind] = static_cast<std::uint8_t>(kind);
        e->setMark(mark);
        if (parent) {
            e->parent = parent;
            parent->children.push_back(e);
        }
        return e;
    }

private:
    kx::EntryTree m_tree;
};

} // namespace kxtest
