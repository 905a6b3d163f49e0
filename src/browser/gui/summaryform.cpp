// The summary window.
#include "browser/gui/summaryform.h"

#include "support/strings.h"

#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>
#include <limits>

namespace kx {

namespace {
using ui::Cap;
// The captions of the three texts, the three parts and the figures' rows, in their order.
constexpr Cap kTextCaptions[] = {Cap::listFileLabel, Cap::headerLabel, Cap::rootLabel};
constexpr Cap kPartCaptions[] = {Cap::wholeList, Cap::shownFolder, Cap::selection};
constexpr Cap kFigureCaptions[] = {
    Cap::allEntries,       Cap::folders,        Cap::files,
    Cap::requiredEntries,  Cap::uselessEntries, Cap::unmarkedEntries,
    Cap::commentedEntries, Cap::damagedEntries, Cap::crossedOutEntries};
} // namespace

TSummaryForm::TSummaryForm(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    auto* texts = new QFormLayout;
    layout->addLayout(texts);
    QLabel** values[] = {&lblListFile, &lblHeader, &lblRoot};
    for (int i = 0; i < 3; ++i) {
        m_captions[i] = new QLabel(this);
        *values[i] = new QLabel(this);
        (*values[i])->setTextInteractionFlags(Qt::TextSelectableByMouse);
        (*values[i])->setTextFormat(Qt::PlainText);
        texts->addRow(m_captions[i], *values[i]);
    }
    twFigures = new QTreeWidget(this);
    twFigures->setColumnCount(colCount);
    twFigures->setRootIsDecorated(false);
    twFigures->setSelectionMode(QAbstractItemView::NoSelection);
    twFigures->setUniformRowHeights(true);
    for (int r = 0; r < kRows; ++r) {
        auto* item = new QTreeWidgetItem(twFigures);
        for (int c = colAllEntries; c < colCount; ++c)
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    twFigures->header()->setStretchLastSection(false);
    twFigures->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(twFigures);
    resize(760, 330);
}

void TSummaryForm::applyTexts(const ui::StringTables& t) {
    setWindowTitle(t.caption(Cap::summaryTitle));
    for (int i = 0; i < 3; ++i)
        m_captions[i]->setText(t.caption(kTextCaptions[i]));
    QStringList header{QString()};
    for (const Cap part : kPartCaptions)
        header << t.caption(part) << t.caption(Cap::bytes);
    twFigures->setHeaderLabels(header);
    static_assert(std::size(kFigureCaptions) == std::size_t(kRows));
    for (int r = 0; r < kRows; ++r)
        twFigures->topLevelItem(r)->setText(colWhat, t.caption(kFigureCaptions[r]));
}

const Tally& TSummaryForm::row(const Summary& s, int row) {
    const Tally* rows[kRows] = {&s.all,      &s.folders,   &s.files,   &s.required,  &s.useless,
                                &s.unmarked, &s.commented, &s.damaged, &s.crossedOut};
    return *rows[row];
}

QString TSummaryForm::number(std::uint64_t n) {
    QString digits = QString::number(n);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(' '));
    return digits;
}

QString TSummaryForm::bytesText(std::uint64_t bytes) {
    if (bytes < 1024) return number(bytes);
    const auto shown = qint64(std::min<std::uint64_t>(bytes, std::numeric_limits<qint64>::max()));
    return number(bytes) + QStringLiteral(" (") +
           QLocale::system().formattedDataSize(shown, 1, QLocale::DataSizeTraditionalFormat) +
           QLatin1Char(')');
}

void TSummaryForm::showFigures(const QString& listFile, const QString& headerText,
                               const QString& rootText, const Summary& all, const Summary& shown,
                               const Summary& selected) {
    lblListFile->setText(listFile);
    lblHeader->setText(headerText);
    lblRoot->setText(rootText);
    const Summary* parts[] = {&all, &shown, &selected};
    for (int r = 0; r < kRows; ++r) {
        QTreeWidgetItem* item = twFigures->topLevelItem(r);
        for (int part = 0; part < 3; ++part) {
            const Tally& t = row(*parts[part], r);
            item->setText(colAllEntries + 2 * part, number(t.entries));
            item->setText(colAllBytes + 2 * part, bytesText(t.bytes));
        }
    }
}

} // namespace kx
