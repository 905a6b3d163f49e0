// The fields of a filtered search (a name mask, "in comments too", a mark, only commented, only
// damaged, size bounds), the count of what was found and the Find and Close buttons: one widget
// that the filtered search and the catalogue window both contain.
#pragma once

#include "query/filter.h"

#include <QDialog>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace kx {
namespace ui {
struct StringTables;
enum class Cap : int;
} // namespace ui

class FilterFields : public QWidget {
    Q_OBJECT
public:
    explicit FilterFields(QWidget* parent);

    // The texts of the captions table. The tables must outlive the widget.
    void applyTexts(const ui::StringTables& t);
    // The tables of the last applyTexts, or null before it.
    const ui::StringTables* tables() const { return m_tables; }

    // What the controls ask for. False with `problem` set when a size is no whole number of
    // units (or too large); `maskStorable` is false when the mask holds a character the list's
    // code page cannot store (such a mask is in no name or comment).
    bool readFilter(EntryFilter& filter, bool& maskStorable, QString& problem) const;
    // Shows the number of entries the last Find listed.
    void setFoundCount(std::size_t count);
    // The grid, so that a window can add rows of its own below the buttons.
    QGridLayout* grid() const { return m_grid; }

    QLineEdit* ledMask = nullptr;
    QCheckBox* cbInComments = nullptr;
    QCheckBox* cbWildcards = nullptr; // the mask is a glob over the whole name
    QComboBox* cbxMark = nullptr;     // any, unmarked, required, useless
    QCheckBox* cbCommented = nullptr;
    QCheckBox* cbDamaged = nullptr;
    QLineEdit* ledMinSize = nullptr;
    QLineEdit* ledMaxSize = nullptr;
    QComboBox* cbxSizeUnit = nullptr; // bytes, kB, MB, GB
    QLabel* lblFound = nullptr;
    QPushButton* FindBitBtn = nullptr;
    QPushButton* CloseBitBtn = nullptr;

signals:
    void findClicked();
    void closeClicked();

private:
    std::optional<std::uint64_t> sizeBound(const QLineEdit* edit, bool& ok) const;

    QGridLayout* m_grid = nullptr;
    std::vector<std::pair<QLabel*, ui::Cap>> m_labels; // the fields' labels and their captions
    const ui::StringTables* m_tables = nullptr;
    std::optional<std::size_t> m_found;
};

// A window (not modal, beside the main one) that holds the filter fields on top: Find calls the
// handler given with setFindHandler; Close and Escape hide the window. `extraFlags` adds to the
// window's title-bar buttons.
class FilterWindow : public QDialog {
    Q_OBJECT
public:
    explicit FilterWindow(QWidget* parent, Qt::WindowFlags extraFlags = {});
    void setFindHandler(std::function<void()> find) { m_find = std::move(find); }

    FilterFields* fields = nullptr;

protected:
    // The window's column: the fields, then what a window adds below them.
    QVBoxLayout* column() const { return m_column; }

private:
    QVBoxLayout* m_column = nullptr;
    std::function<void()> m_find;
};

} // namespace kx
