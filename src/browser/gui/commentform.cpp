// The comment window.
#include "browser/gui/commentform.h"

#include "browser/commentfold.h"
#include "listfile/codepage.h"
#include "listfile/entry.h"
#include "support/strings.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>

namespace kx {

TCommentForm::TCommentForm(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(358, 148);

    redComment = new QTextEdit(this);
    redComment->setGeometry(0, 0, 358, 121);
    redComment->setAcceptRichText(false);
    redComment->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    redComment->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    redComment->setTabChangesFocus(true);

    btOk = new QPushButton(this);
    btOk->setGeometry(63, 125, 102, 21);
    // While Apply has the focus it stands in as the default button, so Enter applies there
    // instead of reaching the dialog's default, Cancel.
    btOk->setAutoDefault(true);

    btCancel = new QPushButton(this);
    btCancel->setGeometry(202, 125, 102, 21);
    btCancel->setDefault(true);

    connect(btOk, &QPushButton::clicked, this, &TCommentForm::btOkClick);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(redComment->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) { m_lastEditEnd = position + added; });
    connect(redComment, &QTextEdit::textChanged, this, &TCommentForm::limitLength);
}

void TCommentForm::prepare(const ui::StringTables& t, const QString& buffer, char commentedKind,
                           const QString& rowCaption) {
    m_tables = &t;
    m_buffer = buffer;
    m_kind = commentedKind;
    m_rowCaption = rowCaption;
    applyPrepared();
}

void TCommentForm::applyPrepared() {
    if (m_tables) {
        const ui::StringTables& t = *m_tables;
        QString caption = t.caption(ui::Cap::enterComment);
        if (m_kind == kFile)
            caption += t.caption(ui::Cap::commentForFile) + QLatin1Char(' ') + m_rowCaption;
        else if (m_kind == kFolder)
            caption += t.caption(ui::Cap::commentForFolder) + QLatin1Char(' ') + m_rowCaption;
        setWindowTitle(caption);
        btOk->setText(t.caption(ui::Cap::apply));
        btCancel->setText(t.caption(ui::Cap::cancelDialog));
    }
    redComment->setPlainText(m_buffer);
    m_shownText = redComment->document()->toRawText();
    redComment->moveCursor(QTextCursor::End);
}

void TCommentForm::FormShow() {
    applyPrepared();
    redComment->setFocus();
}

void TCommentForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormShow();
}

// Keeps the editor within kMaxLength characters: whatever an edit (typing, pasting, dropping)
// brings beyond the limit is taken off the end of what it inserted.
void TCommentForm::limitLength() {
    if (m_limiting) return;
    const int length = static_cast<int>(redComment->toPlainText().size());
    if (length <= kMaxLength) return;
    m_limiting = true;
    QTextCursor c(redComment->document());
    const int excess = length - kMaxLength;
    const int end = std::clamp(m_lastEditEnd, excess, length);
    c.setPosition(end - excess);
    c.setPosition(end, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    redComment->setTextCursor(c);
    m_limiting = false;
}

void TCommentForm::tell(const QString& text) {
    if (m_messenger)
        m_messenger(text);
    else
        QMessageBox::warning(this, ui::applicationTitle(), text);
}

void TCommentForm::btOkClick() {
    // The raw text keeps a no-break space, which the plain text turns into a space. A comment
    // left as it was shown is folded from the prepared text itself, so that no character of it
    // depends on how the editor holds it.
    const QString text = redComment->document()->toRawText();
    if (text.isEmpty()) {
        if (m_tables) tell(m_tables->message(ui::Msg::commentNotEntered));
        reject();
        return;
    }
    const QString folded = foldLineBreaks(text == m_shownText ? m_buffer : text);
    bool storable = true;
    toAnsi(folded, &storable);
    if (!storable) {
        if (m_tables) tell(m_tables->message(ui::Msg::commentNotStorable));
        return;
    }
    m_buffer = folded;
    accept();
}

} // namespace kx
