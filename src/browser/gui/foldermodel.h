// The folder pane's model: one node per folder of the open list, found from the Entries when the
// view asks (no item per folder), with the three tree pictures.
#pragma once

#include "listfile/entry.h"

#include <QAbstractItemModel>
#include <QIcon>

#include <array>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kx {

// Pictures of the folder tree.
enum TreeImage { imageRoot = 0, imageFolder = 1, imageOpenFolder = 2 };

// The three tree pictures, and the icon of each picture / selected-picture pair.
class TreeImages {
public:
    TreeImages();
    const QIcon& icon(int image, int selectedImage) const;

private:
    std::array<QIcon, 3> m_images;
    std::array<QIcon, 9> m_pairs;
};

class FolderModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit FolderModel(QObject* parent = nullptr);

    // Shows the folders of a list below one top node captioned `rootText`; null shows nothing.
    void setRoot(const Entry* root, const QString& rootText);
    const Entry* root() const { return m_root; }

    QModelIndex indexOf(const Entry* folder) const;
    static const Entry* entryOf(const QModelIndex& index);
    // The picture a node shows while selected: the open folder once the user has opened it.
    int image(const Entry* folder) const { return folder == m_root ? imageRoot : imageFolder; }
    int selectedImage(const Entry* folder) const;
    void setOpenImage(const Entry* folder);
    // The folders below a node, in the list's order.
    const std::vector<const Entry*>& subfolders(const Entry* folder) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    int rowOf(const Entry* folder) const;

    const Entry* m_root = nullptr;
    QString m_rootText;
    TreeImages m_images;
    std::unordered_set<const Entry*> m_opened;
    // Filled for the folders the view has asked about.
    mutable std::unordered_map<const Entry*, std::vector<const Entry*>> m_subfolders;
    mutable std::unordered_map<const Entry*, int> m_rows;
};

} // namespace kx
