// The filtered-search window: a name mask, "in comments too", a mark, only commented, only
// damaged, size bounds; Find lists the entries that pass in the main window, and the window
// shows how many were found.
#pragma once

#include "browser/filter.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kx {
namespace ui {
struct StringTables;
enum class Cap : int;
} // namespace ui

// A small window that stays open beside the main window (not modal). Find calls the handler
// given with setFindHandler; Close and Escape hide the window.
class TFilterForm : public QDialog {
    Q_OBJECT
public:
    explicit TFilterForm(QWidget* parent);

    // The texts of the captions table. The tables must outlive the window.
    void applyTexts(const ui::StringTables& t);
    void setFindHandler(std::function<void()> find) { m_find = std::move(find); }

    // What the controls ask for. False with `problem` set when a size is no whole number of
    // units (or too large); `maskStorable` is false when the mask holds a character the list's
    // code page cannot store (such a mask is in no name or comment).
    bool readFilter(EntryFilter& filter, bool& maskStorable, QString& problem) const;
    // Shows the number of entries the last Find listed.
    void setFoundCount(std::size_t count);

    QLineEdit* ledMask = nullptr;
    QCheckBox* cbInComments = nullptr;
    QComboBox* cbxMark = nullptr; // any, unmarked, required, useless
    QCheckBox* cbCommented = nullptr;
    QCheckBox* cbDamaged = nullptr;
    QLineEdit* ledMinSize = nullptr;
    QLineEdit* ledMaxSize = nullptr;
    QComboBox* cbxSizeUnit = nullptr; // bytes, kB, MB, GB
    QLabel* lblFound = nullptr;
    QPushButton* FindBitBtn = nullptr;
    QPushButton* CloseBitBtn = nullptr;

protected:
    // The tables of the last applyTexts, or null before it.
    const ui::StringTables* tables() const { return m_tables; }

private:
    std::optional<std::uint64_t> sizeBound(const QLineEdit* edit, bool& ok) const;

    const ui::StringTables* m_tables = nullptr;
    std::vector<std::pair<QLabel*, ui::Cap>> m_labels; // the fields' labels and their captions
    std::function<void()> m_find;
    std::optional<std::size_t> m_found;
};

} // namespace kx
