// The search-mask window: one edit for the text to find, Find and Cancel.
#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

namespace kx {
namespace ui {
struct StringTables;
}

// A fixed 374 x 81 dialog with a close box only. Showing it empties the edit and focuses it;
// Find is the default button and is enabled exactly while the edit holds text; Escape, the close
// box and Cancel close it as cancelled.
class TMaskForm : public QDialog {
    Q_OBJECT
public:
    explicit TMaskForm(QWidget* parent);

    // Caption and Find from captions row 4, Cancel from row 23; applied again on every show.
    // The tables must outlive the window.
    void applyTexts(const ui::StringTables& t);
    // The text accepted by the last Find, unchanged and untrimmed.
    QString mask() const { return m_mask; }

    QLineEdit* ledMask = nullptr;
    QPushButton* FindBitBtn = nullptr;
    QPushButton* CancelBitBtn = nullptr;

    void FormShow();
    void ledMaskChange();
    void FindBitBtnClick();

protected:
    void showEvent(QShowEvent* e) override;

private:
    const ui::StringTables* m_tables = nullptr;
    QString m_mask;
};

} // namespace kx
