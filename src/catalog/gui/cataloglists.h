// The table of the catalogued lists in the catalogue window: label, note, root, header text,
// entries, bytes of files, when indexed, whether the file is there, and its path. Label and note
// are edited in place; an edit goes to the handler that saves it in the catalogue.
#pragma once

#include "catalog/catalog.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

namespace kx {
namespace ui {
struct StringTables;
}

struct CatalogList {
    catalog::ListRecord record;
    catalog::ListFileState state = catalog::ListFileState::present;
};

class CatalogListsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { label, note, root, header, entries, bytes, indexed, file, path, columnCount_ };

    using QAbstractTableModel::QAbstractTableModel;
    void setLists(std::vector<CatalogList> lists);
    const std::vector<CatalogList>& lists() const { return m_lists; }
    // The list with this id, or null.
    const CatalogList* byId(std::int64_t id) const;
    // The texts of the captions table. The tables must outlive the model.
    void applyTexts(const ui::StringTables& t);
    // Saves a label or a note (UTF-8) of the list with `id`; false keeps the old text.
    void setEditHandler(std::function<bool(std::int64_t id, Column c, const std::string&)> edit) {
        m_edit = std::move(edit);
    }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    std::vector<CatalogList> m_lists;
    const ui::StringTables* m_tables = nullptr;
    std::function<bool(std::int64_t, Column, const std::string&)> m_edit;
};

} // namespace kx
