// Trees written as nested values, kept for the window tests until they build their lists with
// TreeBuilder; every function here builds through it.
#pragma once

#include "treebuilder.h"

#include <memory>
#include <string>
#include <vector>

namespace kxtest {

struct Node {
    std::string name;
    char kind = 'F';
    std::vector<Node> children;
    std::uint8_t attributes = 0;
    std::uint64_t size = 0;
    std::uint8_t mark = 0;
    std::uint8_t crossedOut = 0;
    std::string comment;
};
Node folder(std::string name, std::vector<Node> children = {});
Node file(std::string name, std::uint64_t size = 0, std::uint8_t attributes = 0);

std::unique_ptr<kx::EntryTree> tree(const Node& root, std::string_view headerText = "test list");
std::string innerList(const Node& root, std::string_view headerText = "test list");
void writeListFile(const std::string& path, const Node& root,
                   std::string_view headerText = "test list", bool keepRootName = false);

} // namespace kxtest
