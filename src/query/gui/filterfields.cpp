// The fields of a filtered search and its Find and Close buttons.
#include "query/gui/filterfields.h"

#include "listfile/codepage.h"
#include "support/strings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <iterator>

namespace kx {

namespace {
using ui::Cap;
// The choices of the mark and of the size unit, in their order.
constexpr Cap kMarkCaptions[] = {Cap::markAny, Cap::markNone, Cap::markRequired, Cap::markUseless};
constexpr Cap kUnitCaptions[] = {Cap::bytes, Cap::kilobytes, Cap::megabytes, Cap::gigabytes};
} // namespace

FilterFields::FilterFields(QWidget* parent) : QWidget(parent) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    m_grid = grid;
    ledMask = new QLineEdit(this);
    cbInComments = new QCheckBox(this);
    cbWildcards = new QCheckBox(this);
    cbxMark = new QComboBox(this);
    for (std::size_t i = 0; i < std::size(kMarkCaptions); ++i)
        cbxMark->addItem(QString());
    cbCommented = new QCheckBox(this);
    cbDamaged = new QCheckBox(this);
    ledMinSize = new QLineEdit(this);
    ledMaxSize = new QLineEdit(this);
    cbxSizeUnit = new QComboBox(this);
    for (std::size_t i = 0; i < std::size(kUnitCaptions); ++i)
        cbxSizeUnit->addItem(QString());
    cbxSizeUnit->setCurrentIndex(1); // kB, as the size column shows
    lblFound = new QLabel(this);
    FindBitBtn = new QPushButton(this);
    FindBitBtn->setIcon(QIcon::fromTheme(QStringLiteral("edit-find"),
                                         style()->standardIcon(QStyle::SP_DialogOkButton)));
    FindBitBtn->setDefault(true);
    CloseBitBtn = new QPushButton(this);
    CloseBitBtn->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));

    int r = 0;
    const auto labelled = [&](QWidget* w, Cap caption) {
        auto* label = new QLabel(this);
        m_labels.emplace_back(label, caption);
        label->setBuddy(w);
        grid->addWidget(label, r, 0);
        grid->addWidget(w, r++, 1, 1, 2);
    };
    labelled(ledMask, Cap::nameContains);
    grid->addWidget(cbInComments, r++, 1, 1, 2);
    grid->addWidget(cbWildcards, r++, 1, 1, 2);
    labelled(cbxMark, Cap::markLabel);
    grid->addWidget(cbCommented, r++, 1, 1, 2);
    grid->addWidget(cbDamaged, r++, 1, 1, 2);
    labelled(ledMinSize, Cap::sizeAtLeast);
    labelled(ledMaxSize, Cap::sizeAtMost);
    grid->addWidget(cbxSizeUnit, r - 2, 3, 2, 1);
    grid->addWidget(lblFound, r++, 0, 1, 4);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(FindBitBtn);
    buttons->addWidget(CloseBitBtn);
    grid->addLayout(buttons, r, 0, 1, 4);

    connect(FindBitBtn, &QPushButton::clicked, this, &FilterFields::findClicked);
    connect(CloseBitBtn, &QPushButton::clicked, this, &FilterFields::closeClicked);
}

void FilterFields::applyTexts(const ui::StringTables& t) {
    m_tables = &t;
    for (const auto& [label, caption] : m_labels)
        label->setText(t.caption(caption));
    cbInComments->setText(t.caption(Cap::inCommentsToo));
    cbWildcards->setText(t.caption(Cap::wildcards));
    for (int i = 0; i < int(std::size(kMarkCaptions)); ++i)
        cbxMark->setItemText(i, t.caption(kMarkCaptions[i]));
    for (int i = 0; i < int(std::size(kUnitCaptions)); ++i)
        cbxSizeUnit->setItemText(i, t.caption(kUnitCaptions[i]));
    cbCommented->setText(t.caption(Cap::onlyCommented));
    cbDamaged->setText(t.caption(Cap::onlyDamaged));
    FindBitBtn->setText(t.caption(Cap::find));
    CloseBitBtn->setText(t.caption(Cap::close));
    lblFound->setText(m_found ? t.caption(Cap::foundCount).arg(*m_found) : QString());
}

void FilterFields::setFoundCount(std::size_t count) {
    m_found = count;
    if (m_tables) lblFound->setText(m_tables->caption(Cap::foundCount).arg(count));
}

std::optional<std::uint64_t> FilterFields::sizeBound(const QLineEdit* edit, bool& ok) const {
    const QString text = edit->text().trimmed();
    if (text.isEmpty()) return std::nullopt;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            ok = false;
            return std::nullopt;
        }
    bool fits = false;
    const std::uint64_t value = text.toULongLong(&fits);
    const std::uint64_t unit = std::uint64_t(1) << (10 * cbxSizeUnit->currentIndex());
    if (!fits || value > UINT64_MAX / unit) {
        ok = false;
        return std::nullopt;
    }
    return value * unit;
}

bool FilterFields::readFilter(EntryFilter& filter, bool& maskStorable, QString& problem) const {
    filter = EntryFilter();
    maskStorable = true;
    filter.setMaskText(ledMask->text().toStdString());
    maskStorable = filter.maskFitsCodePage;
    filter.inComments = cbInComments->isChecked();
    filter.glob = cbWildcards->isChecked();
    if (cbxMark->currentIndex() > 0) filter.mark = std::uint8_t(cbxMark->currentIndex() - 1);
    filter.commentedOnly = cbCommented->isChecked();
    filter.damagedOnly = cbDamaged->isChecked();
    bool ok = true;
    filter.minSize = sizeBound(ledMinSize, ok);
    filter.maxSize = sizeBound(ledMaxSize, ok);
    if (!ok && m_tables) problem = m_tables->message(ui::Msg::badSize);
    return ok;
}

FilterWindow::FilterWindow(QWidget* parent, Qt::WindowFlags extraFlags) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | extraFlags);
    setModal(false);
    m_column = new QVBoxLayout(this);
    fields = new FilterFields(this);
    m_column->addWidget(fields);
    connect(fields, &FilterFields::findClicked, this, [this] {
        if (m_find) m_find();
    });
    connect(fields, &FilterFields::closeClicked, this, &QDialog::reject);
}

} // namespace kx
