// The about window, its link label and the opening of web addresses.
#include "support/gui/aboutform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

namespace kx::ui {

namespace {

QFont sizedFont(qreal points, bool bold = false) {
    QFont f = QApplication::font();
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

} // namespace

bool openWebAddress(QWidget* owner, const QString& address, const StringTables& t,
                    const std::function<bool(const QUrl&)>& opener,
                    const std::function<void(const QString&, const QString&)>& info) {
    const QUrl url(address);
    const bool opened = url.isValid() && !address.isEmpty() &&
                        (opener ? opener(url) : QDesktopServices::openUrl(url));
    if (opened) return true;
    const QString text = t.message(Msg::pageNotOpened) + QStringLiteral(" - ") + address;
    if (info) {
        info(applicationTitle(), text);
    } else {
        QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok, owner);
        box.exec();
    }
    return false;
}

// ---- LinkLabel ----

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) {
        emit clicked();
        return;
    }
    QLabel::mouseReleaseEvent(e);
}

void LinkLabel::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        emit clicked();
        return;
    default:
        QLabel::keyPressEvent(e);
    }
}

void LinkLabel::focusInEvent(QFocusEvent* e) {
    setUnderlined(true);
    QLabel::focusInEvent(e);
}

void LinkLabel::focusOutEvent(QFocusEvent* e) {
    setUnderlined(false);
    QLabel::focusOutEvent(e);
}

void LinkLabel::setUnderlined(bool on) {
    // Underlining shows the keyboard focus without changing the label's width.
    QFont f = font();
    f.setUnderline(on);
    setFont(f);
}

// ---- TAboutForm ----

TAboutForm::TAboutForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    initResources();
    setObjectName(QStringLiteral("TAboutForm"));
    setFont(sizedFont(8));
    setFixedSize(367, 184);

    VersionLabel = new QLabel(this);
    VersionLabel->setObjectName(QStringLiteral("VersionLabel"));
    VersionLabel->setFont(sizedFont(9, true));
    VersionLabel->move(0, 16);

    const int tops[] = {39, 58, 76};
    QLabel** lines[] = {&Label1, &Label2, &Label3};
    for (int i = 0; i < 3; ++i) {
        *lines[i] = new QLabel(this);
        (*lines[i])->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        (*lines[i])->move(64, tops[i]);
    }

    Link1Label = new LinkLabel(this);
    Link1Label->setObjectName(QStringLiteral("Link1Label"));
    Link1Label->setFont(sizedFont(9));
    QPalette linkPalette = Link1Label->palette();
    linkPalette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    Link1Label->setPalette(linkPalette);
    Link1Label->move(0, 98);
    connect(Link1Label, &LinkLabel::clicked, this, &TAboutForm::Link1LabelClick);

    Bevel = new QFrame(this);
    Bevel->setObjectName(QStringLiteral("Bevel"));
    Bevel->setFrameShape(QFrame::HLine);
    Bevel->setFrameShadow(QFrame::Sunken);
    // The line is drawn along the bottom edge of its 6-pixel strip.
    Bevel->setContentsMargins(0, 4, 0, 0);
    Bevel->setGeometry(4, 125, 367 - 25, 6);

    BitBtn = new QPushButton(this);
    BitBtn->setObjectName(QStringLiteral("BitBtn"));
    BitBtn->setFont(sizedFont(9));
    BitBtn->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    QPalette buttonPalette = BitBtn->palette();
    buttonPalette.setColor(QPalette::ButtonText, buttonPalette.color(QPalette::Highlight));
    BitBtn->setPalette(buttonPalette);
    BitBtn->setDefault(true);
    BitBtn->setGeometry(0, 143, 100, 31);
    connect(BitBtn, &QPushButton::clicked, this, &QDialog::accept);

    VersionLabel->setText(QStringLiteral("Fentaro.brelvik ") + versionText());
}

void TAboutForm::applyTexts(const StringTables& t) {
    m_tables = &t;
    setWindowTitle(t.aboutText(About::title));
    Label1->setText(t.aboutText(About::productLine));
    Label2->setText(t.aboutText(About::purposeLine));
    Label3->setText(t.aboutText(About::originLine));
    Link1Label->setText(t.aboutText(About::supportLink));
    BitBtn->setText(t.aboutText(About::close));
    Link1Label->setToolTip(t.aboutText(About::supportAddress));
    layoutControls();
}

void TAboutForm::layoutControls() {
    for (QLabel* l : {VersionLabel, Label1, Label2, Label3, static_cast<QLabel*>(Link1Label)})
        l->adjustSize();
    const int w = std::max(Label1->width(), Label2->width()) + Label1->x() + 80;
    setFixedSize(w, height());
    VersionLabel->setText(QStringLiteral("Fentaro.brelvik ") + versionText());
    VersionLabel->adjustSize();
    // The axis sits 5 pixels left of the middle: the width counts a 5-pixel frame on each side.
    VersionLabel->move((w - 10) / 2 - VersionLabel->width() / 2, VersionLabel->y());
    Link1Label->move((w - 10) / 2 - Link1Label->width() / 2, Link1Label->y());
    BitBtn->setGeometry((w - 5) / 2 - 100 / 2, BitBtn->y(), 100, BitBtn->height());
    Bevel->resize(w - 25, Bevel->height());
}

void TAboutForm::showEvent(QShowEvent* e) {
    layoutControls();
    BitBtn->setFocus(); // Enter closes; Tab reaches the link
    QDialog::showEvent(e);
}

void TAboutForm::Link1LabelClick() {
    static StringTables fallback;
    if (!m_tables && fallback.messages.rowCount() == 0) buildStringTables(fallback);
    openWebAddress(this, Link1Label->toolTip(), m_tables ? *m_tables : fallback, m_opener, m_info);
}

} // namespace kx::ui
