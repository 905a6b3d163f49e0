// The tables of where the space goes: the files and bytes by type group and extension, with a bar
// of each one's share, sortable by any column; and the largest files with their paths.
#pragma once

#include "query/filetypes.h"

#include <QString>
#include <QTreeWidget>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kx {
namespace ui {
struct StringTables;
}

// A row of the largest files; `key` names the file to whoever listed it.
struct LargeRow {
    QString path;
    std::uint64_t size;
    std::size_t key;
};

// The name of a type group in the window's language.
QString typeGroupText(const ui::StringTables& t, TypeGroup g);

class TypesView : public QTreeWidget {
    Q_OBJECT
public:
    enum Column { colGroup, colExtension, colFiles, colBytes, colShare, colCount };
    explicit TypesView(QWidget* parent = nullptr);
    void applyTexts(const ui::StringTables& t);
    // One row per group that has files, its extensions below it; the largest first.
    void setTotals(const TypeTotals& totals, const ui::StringTables& t);
    // The type of a row: its group, or its group and extension.
    static TypeChoice choiceOf(const QTreeWidgetItem* item);
};

class LargestView : public QTreeWidget {
    Q_OBJECT
public:
    enum Column { colPath, colBytes, colCount };
    explicit LargestView(QWidget* parent = nullptr);
    void applyTexts(const ui::StringTables& t);
    void setRows(const std::vector<LargeRow>& rows);
    // The key of a row.
    static std::size_t keyOf(const QTreeWidgetItem* item);
};

} // namespace kx
