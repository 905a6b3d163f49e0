// The folder tree's nodes, images and the reader's sink.
#include "browser/gui/foldertree.h"

#include "listfile/codepage.h"

#include <QApplication>
#include <QStyle>
#include <QTreeWidget>

#include <vector>

namespace kx {

namespace {

QIcon themeOr(const char* name, QStyle::StandardPixmap fallback) {
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
    if (icon.isNull()) icon = QApplication::style()->standardIcon(fallback);
    return icon;
}

} // namespace

TreeImages::TreeImages() {
    m_images[imageRoot] = themeOr("drive-harddisk", QStyle::SP_DriveHDIcon);
    m_images[imageFolder] = themeOr("folder", QStyle::SP_DirClosedIcon);
    m_images[imageOpenFolder] = themeOr("folder-open", QStyle::SP_DirOpenIcon);
    for (int normal = 0; normal < 3; ++normal) {
        for (int selected = 0; selected < 3; ++selected) {
            QIcon pair;
            for (int size : {16, 22, 24, 32}) {
                pair.addPixmap(m_images[normal].pixmap(size), QIcon::Normal);
                pair.addPixmap(m_images[selected].pixmap(size), QIcon::Selected);
            }
            m_pairs[normal * 3 + selected] = pair;
        }
    }
}

const QIcon& TreeImages::icon(int image, int selectedImage) const {
    return m_pairs[clamp(image) * 3 + clamp(selectedImage)];
}

FolderNode::FolderNode(Entry* entry, const QString& text, const TreeImages* images)
    : QTreeWidgetItem(nodeType), m_entry(entry), m_images(images) {
    setText(0, text);
}

QVariant FolderNode::data(int column, int role) const {
    if (role == Qt::DecorationRole && column == 0 && m_images)
        return m_images->icon(m_image, m_selectedImage);
    return QTreeWidgetItem::data(column, role);
}

void FolderNode::setImages(int image, int selectedImage) {
    if (image == m_image && selectedImage == m_selectedImage) return;
    m_image = image;
    m_selectedImage = selectedImage;
    emitDataChanged();
}

FolderTreeSink::Node FolderTreeBuilder::addTopNode(std::string_view caption, Entry* entry) {
    m_top.reset(new FolderNode(entry, fromAnsi(caption), &m_images));
    m_top->setImages(imageRoot, imageRoot);
    return m_top.get();
}

FolderTreeSink::Node FolderTreeBuilder::addChildNode(Node parent, std::string_view caption,
                                                     Entry* entry) {
    auto* node = new FolderNode(entry, fromAnsi(caption), &m_images);
    node->setImages(imageFolder, imageFolder);
    static_cast<FolderNode*>(parent)->addChild(node);
    return node;
}

void FolderTreeBuilder::setImages(Node node, int image, int selectedImage) {
    static_cast<FolderNode*>(node)->setImages(image, selectedImage);
}

std::string folderPathOf(const FolderNode* node) {
    std::vector<const FolderNode*> chain;
    for (const FolderNode* n = node; n; n = n->parentNode())
        chain.push_back(n);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        path.append((*it)->entry()->name());
        path.push_back('*');
    }
    return path;
}

FolderNode* childNodeNamed(const FolderNode* parent, std::string_view name) {
    if (!parent) return nullptr;
    for (int i = 0, n = parent->childCount(); i < n; ++i) {
        FolderNode* c = parent->childNode(i);
        if (c->entry()->name() == name) return c;
    }
    return nullptr;
}

FolderNode* findNodeByPath(FolderNode* from, std::string_view path) {
    FolderNode* node = from;
    while (node && !path.empty()) {
        const std::size_t star = path.find('*');
        const std::string_view part = path.substr(0, star);
        node = childNodeNamed(node, part);
        path = star == std::string_view::npos ? std::string_view() : path.substr(star + 1);
    }
    return node;
}

void deleteNodeTree(QTreeWidgetItem* top) {
    if (!top) return;
    // Every node in pre-order, then taken apart from the deepest up: when a node's children are
    // taken they are leaves already, so each step costs only its own children.
    std::vector<QTreeWidgetItem*> order{top};
    for (std::size_t i = 0; i < order.size(); ++i)
        for (int c = 0; c < order[i]->childCount(); ++c)
            order.push_back(order[i]->child(c));
    for (auto it = order.rbegin(); it != order.rend(); ++it)
        for (QTreeWidgetItem* child : (*it)->takeChildren())
            delete child;
    delete top;
}

void clearFolderTree(QTreeWidget* tree) {
    while (tree->topLevelItemCount() > 0)
        deleteNodeTree(tree->takeTopLevelItem(0));
}

} // namespace kx
