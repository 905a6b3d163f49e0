// The comment window: a plain-text editor of at most 254 characters, Apply and Cancel.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QPushButton;
class QTextEdit;

namespace kx {
namespace ui {
struct StringTables;
}

// A fixed 358 x 148 dialog with a close box only. Cancel is the default button; Enter in the
// editor starts a new line, and Enter on a focused button presses that button. Apply folds the line
// breaks (nothing else: a no-break space or any other stored character stays) and accepts; an
// empty editor is refused with a message and closes as cancelled; a character that the list's
// code page cannot store is refused with a message and the window stays open.
class TCommentForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxLength = 254;

    explicit TCommentForm(QWidget* parent);

    // Before exec(): the texts, the comment to edit, the commented Entry's kind and the caption of
    // its row. The caption reads captions row 29, then for kind 'F' row 32 (for 'D' row 33), a
    // space and the row caption. The tables must outlive the window.
    void prepare(const ui::StringTables& t, const QString& buffer, char commentedKind,
                 const QString& rowCaption);
    // After an accepted close: the folded text to store. Otherwise the buffer given to prepare.
    QString buffer() const { return m_buffer; }
    // Where the refusal messages go; a warning box over this window when not set.
    void setMessenger(std::function<void(const QString& text)> m) { m_messenger = std::move(m); }

    QTextEdit* redComment = nullptr;
    QPushButton* btOk = nullptr;
    QPushButton* btCancel = nullptr;

    void FormShow();
    void btOkClick();

protected:
    void showEvent(QShowEvent* e) override;

private:
    void applyPrepared();
    void limitLength();
    void tell(const QString& text);

    const ui::StringTables* m_tables = nullptr;
    QString m_buffer;
    QString m_shownText; // the editor's raw text right after it was filled
    char m_kind = 0;
    QString m_rowCaption;
    std::function<void(const QString&)> m_messenger;
    int m_lastEditEnd = -1; // where the last edit of the editor ended
    bool m_limiting = false;
};

} // namespace kx
