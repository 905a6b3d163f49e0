// The search-mask window.
#include "browser/gui/maskform.h"

#include "support/strings.h"

#include <QIcon>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace kx {

TMaskForm::TMaskForm(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(374, 81);

    ledMask = new QLineEdit(this);
    ledMask->setGeometry(8, 16, 353, 21);

    FindBitBtn = new QPushButton(this);
    FindBitBtn->setGeometry(64, 48, 100, 25);
    FindBitBtn->setIcon(QIcon::fromTheme(QStringLiteral("edit-find"),
                                         style()->standardIcon(QStyle::SP_DialogOkButton)));
    FindBitBtn->setDefault(true);
    FindBitBtn->setEnabled(false);

    CancelBitBtn = new QPushButton(this);
    CancelBitBtn->setGeometry(215, 48, 100, 25);
    CancelBitBtn->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));

    setTabOrder(ledMask, FindBitBtn);
    setTabOrder(FindBitBtn, CancelBitBtn);

    connect(ledMask, &QLineEdit::textChanged, this, &TMaskForm::ledMaskChange);
    connect(FindBitBtn, &QPushButton::clicked, this, &TMaskForm::FindBitBtnClick);
    connect(CancelBitBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TMaskForm::applyTexts(const ui::StringTables& t) {
    m_tables = &t;
    setWindowTitle(t.caption(ui::Cap::find));
    FindBitBtn->setText(t.caption(ui::Cap::find));
    CancelBitBtn->setText(t.caption(ui::Cap::cancel));
}

void TMaskForm::FormShow() {
    ledMask->clear();
    ledMaskChange(); // clearing an edit that is already empty reports no change
    ledMask->setFocus();
    if (m_tables) applyTexts(*m_tables);
}

void TMaskForm::ledMaskChange() {
    FindBitBtn->setEnabled(!ledMask->text().isEmpty());
}

void TMaskForm::FindBitBtnClick() {
    if (ledMask->text().isEmpty()) return; // Enter reaches a disabled default button only by code
    m_mask = ledMask->text();
    accept();
}

void TMaskForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormShow();
}

} // namespace kx
