// Forwards the older builder's calls to kxtest::TreeBuilder; kept for tests/gui/printer_test.cpp
// until it builds with kxtest::TreeBuilder itself.
#pragma once

#include "common/qstringprint.h"
#include "common/treebuilder.h"

struct TreeBuilder {
    kxtest::TreeBuilder built;
    kx::Entry* root = built.root();

    kx::Entry* folder(kx::Entry* parent, std::string_view name) {
        return built.folder(parent, name);
    }
    kx::Entry* file(kx::Entry* parent, std::string_view name, std::uint8_t attributes = 0,
                    std::uint8_t crossedOut = 0) {
        return built.file(parent, name).attributes(attributes).crossedOut(crossedOut);
    }
};
