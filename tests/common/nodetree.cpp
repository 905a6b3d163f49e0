// Nested tree values turned into entry trees through TreeBuilder.
#include "nodetree.h"

#include <utility>

namespace kxtest {

Node folder(std::string name, std::vector<Node> children) {
    Node n;
    n.name = std::move(name);
    n.kind = kx::kFolder;
    n.children = std::move(children);
    return n;
}

Node file(std::string name, std::uint64_t size, std::uint8_t attributes) {
    Node n;
    n.name = std::move(name);
    n.size = size;
    n.attributes = attributes;
    return n;
}

std::unique_ptr<kx::EntryTree> tree(const Node& root, std::string_view headerText) {
    TreeBuilder b(root.name, root.kind);
    b.tree().headerText = std::string(headerText);
    auto fields = [](EntryEdit e, const Node& n) {
        e.size(n.size).attributes(n.attributes).mark(n.mark).crossedOut(n.crossedOut);
        e.comment(n.comment);
    };
    fields(EntryEdit(b.root()), root);
    std::vector<std::pair<const Node*, kx::Entry*>> stack{{&root, b.root()}};
    while (!stack.empty()) {
        const auto [n, e] = stack.back();
        stack.pop_back();
        for (const Node& c : n->children) {
            EntryEdit child = b.add(e, c.name, c.kind);
            fields(child, c);
            stack.emplace_back(&c, child);
        }
    }
    return b.take();
}

std::string innerList(const Node& root, std::string_view headerText) {
    return innerList(*tree(root, headerText));
}

void writeListFile(const std::string& path, const Node& root, std::string_view headerText,
                   bool keepRootName) {
    writeListFile(path, *tree(root, headerText), keepRootName);
}

} // namespace kxtest
