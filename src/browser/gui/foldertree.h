// The folder tree's nodes (one per folder, each knowing its Entry), their three images, and the
// sink through which the list reader builds them.
#pragma once

#include "listfile/innerlist.h"

#include <QIcon>
#include <QTreeWidgetItem>

class QTreeWidget;

#include <array>
#include <memory>
#include <string>

namespace kx {

// Images of the folder tree.
enum TreeImage { imageRoot = 0, imageFolder = 1, imageOpenFolder = 2 };

// The three tree pictures, and the icon of each image / selected-image pair.
class TreeImages {
public:
    TreeImages();
    const QIcon& icon(int image, int selectedImage) const;
    const QIcon& image(int image) const { return m_images[clamp(image)]; }

private:
    static int clamp(int i) { return i < 0 || i > 2 ? imageFolder : i; }
    std::array<QIcon, 3> m_images;
    std::array<QIcon, 9> m_pairs;
};

class FolderNode : public QTreeWidgetItem {
public:
    static constexpr int nodeType = QTreeWidgetItem::UserType + 1;
    FolderNode(Entry* entry, const QString& text, const TreeImages* images);
    // The picture comes from the shared images: no icon is stored per node.
    QVariant data(int column, int role) const override;

    Entry* entry() const { return m_entry; }
    int image() const { return m_image; }
    int selectedImage() const { return m_selectedImage; }
    void setImages(int image, int selectedImage);
    void setSelectedImage(int selectedImage) { setImages(m_image, selectedImage); }
    FolderNode* parentNode() const { return static_cast<FolderNode*>(parent()); }
    FolderNode* childNode(int i) const { return static_cast<FolderNode*>(child(i)); }

private:
    Entry* m_entry;
    const TreeImages* m_images;
    int m_image = imageFolder;
    int m_selectedImage = imageFolder;
};

// Deletes a node and everything below it without recursion: a list may be a million folders
// deep, and an item's own destructor deletes its children recursively.
void deleteNodeTree(QTreeWidgetItem* top);
// Empties a tree widget the same way.
void clearFolderTree(QTreeWidget* tree);
struct NodeTreeDeleter {
    void operator()(QTreeWidgetItem* top) const { deleteNodeTree(top); }
};
using NodeTreePtr = std::unique_ptr<FolderNode, NodeTreeDeleter>;

// Builds the nodes while a list is read. The top node is kept apart from any view until the read
// has succeeded (adding to a detached node is cheap); take() hands it over.
class FolderTreeBuilder : public FolderTreeSink {
public:
    explicit FolderTreeBuilder(const TreeImages& images) : m_images(images) {}
    Node addTopNode(std::string_view caption, Entry* entry) override;
    Node addChildNode(Node parent, std::string_view caption, Entry* entry) override;
    void setImages(Node node, int image, int selectedImage) override;
    // The top node; null when none was added. The caller owns it afterwards.
    FolderNode* take() { return m_top.release(); }

private:
    const TreeImages& m_images;
    NodeTreePtr m_top;
};

// The folder path of a node: the root Entry's name + "*", then each folder's name + "*" down to
// the node. Built from the Entries, so it is byte for byte what the list stores.
std::string folderPathOf(const FolderNode* node);

// The node reached from `from` by a path of names, each followed by "*", taking at each level
// the first child whose name equals the part byte for byte; null when a part is not found.
FolderNode* findNodeByPath(FolderNode* from, std::string_view path);

// The first child node of `parent` whose folder name equals `name` byte for byte.
FolderNode* childNodeNamed(const FolderNode* parent, std::string_view name);

} // namespace kx
