// The folder pane's model and its pictures.
#include "browser/gui/foldermodel.h"

#include "listfile/codepage.h"
#include "listfile/exactname.h"

#include <QApplication>
#include <QStyle>

namespace kx {

namespace {

QIcon themeOr(const char* name, QStyle::StandardPixmap fallback) {
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
    if (icon.isNull()) icon = QApplication::style()->standardIcon(fallback);
    return icon;
}

int clampImage(int i) {
    return i < 0 || i > 2 ? imageFolder : i;
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
    return m_pairs[clampImage(image) * 3 + clampImage(selectedImage)];
}

FolderModel::FolderModel(QObject* parent) : QAbstractItemModel(parent) {}

void FolderModel::setRoot(const Entry* root, const QString& rootText) {
    beginResetModel();
    m_root = root;
    m_rootText = rootText;
    m_opened.clear();
    m_subfolders.clear();
    m_rows.clear();
    endResetModel();
}

const std::vector<const Entry*>& FolderModel::subfolders(const Entry* folder) const {
    auto it = m_subfolders.find(folder);
    if (it != m_subfolders.end()) return it->second;
    std::vector<const Entry*> list;
    for (const Entry* c : folder->children())
        if (c->isFolder()) {
            m_rows[c] = int(list.size());
            list.push_back(c);
        }
    return m_subfolders.emplace(folder, std::move(list)).first->second;
}

int FolderModel::rowOf(const Entry* folder) const {
    if (folder == m_root) return 0;
    auto it = m_rows.find(folder);
    if (it != m_rows.end()) return it->second;
    if (!folder->parent()) return -1;
    subfolders(folder->parent());
    it = m_rows.find(folder);
    return it != m_rows.end() ? it->second : -1;
}

const Entry* FolderModel::entryOf(const QModelIndex& index) {
    return index.isValid() ? static_cast<const Entry*>(index.internalPointer()) : nullptr;
}

QModelIndex FolderModel::indexOf(const Entry* folder) const {
    if (!folder || !m_root) return {};
    const int row = rowOf(folder);
    return row < 0 ? QModelIndex() : createIndex(row, 0, const_cast<Entry*>(folder));
}

QModelIndex FolderModel::index(int row, int column, const QModelIndex& parent) const {
    if (!m_root || column != 0 || row < 0) return {};
    if (!parent.isValid())
        return row == 0 ? createIndex(0, 0, const_cast<Entry*>(m_root)) : QModelIndex();
    const auto& list = subfolders(entryOf(parent));
    if (row >= int(list.size())) return {};
    return createIndex(row, 0, const_cast<Entry*>(list[std::size_t(row)]));
}

QModelIndex FolderModel::parent(const QModelIndex& child) const {
    const Entry* e = entryOf(child);
    if (!e || e == m_root || !e->parent()) return {};
    return indexOf(e->parent());
}

int FolderModel::rowCount(const QModelIndex& parent) const {
    if (!m_root) return 0;
    if (!parent.isValid()) return 1;
    if (parent.column() != 0) return 0;
    return int(subfolders(entryOf(parent)).size());
}

int FolderModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool FolderModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

int FolderModel::selectedImage(const Entry* folder) const {
    return m_opened.count(folder) ? imageOpenFolder : image(folder);
}

void FolderModel::setOpenImage(const Entry* folder) {
    if (!folder || !m_opened.insert(folder).second) return;
    const QModelIndex i = indexOf(folder);
    emit dataChanged(i, i, {Qt::DecorationRole});
}

QVariant FolderModel::data(const QModelIndex& index, int role) const {
    const Entry* e = entryOf(index);
    if (!e) return {};
    if (role == Qt::DisplayRole) return e == m_root ? m_rootText : nameText(*e);
    if (role == Qt::DecorationRole) return m_images.icon(image(e), selectedImage(e));
    return {};
}

} // namespace kx
