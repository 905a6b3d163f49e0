// Small lists for tests: records made byte by byte, trees made in memory, list files on disk.
#pragma once

#include "listfile/entry.h"

#include <QTemporaryDir>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kxtest {

// One 600-byte record with the given fields; everything else zero.
std::string record(std::string_view name, char kind, std::int32_t lastChild,
                   std::uint8_t attributes = 0, std::uint64_t size = 0,
                   std::string_view comment = {}, std::uint8_t mark = 0,
                   std::uint8_t crossedOut = 0, std::string_view created = "01.02.2003 04:05:06",
                   std::string_view changed = "07.08.2009 10:11:12");
// A 256-byte header holding `text`, then NUL bytes.
std::string header(std::string_view text);

// A node description for building trees: name, kind, children.
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

// The inner list of a tree (root = `root`), records in pre-order with consistent lastChild/depth.
std::string innerList(const Node& root, std::string_view headerText = "test list");
// The same tree built in memory.
std::unique_ptr<kx::EntryTree> tree(const Node& root, std::string_view headerText = "test list");
// Writes a list file (a real one-entry ZIP made by the library's own pack) at `path`. By default
// the root's name comes out cleared when it holds a backslash, as after a save; keepRootName
// keeps it, as in a list that a scanning tool makes.
void writeListFile(const std::string& path, const Node& root,
                   std::string_view headerText = "test list", bool keepRootName = false);

// A one-entry ZIP made byte by byte: stored (method 0) or deflated (method 8).
std::string zipOf(std::string_view entryName, std::string_view data, int method = 8);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, std::string_view bytes);

} // namespace kxtest
