// The type table with its bars, and the largest files.
#include "browser/gui/spaceviews.h"

#include "browser/gui/summaryform.h"
#include "support/strings.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

namespace kx {

namespace {

using ui::Cap;

constexpr Cap kGroupCaptions[kTypeGroups] = {
    Cap::groupPictures, Cap::groupVideo,    Cap::groupAudio, Cap::groupDocuments,
    Cap::groupArchives, Cap::groupPrograms, Cap::groupOther};

// Roles of the items: the number a column sorts by, the type of a row, the key of a file.
constexpr int kSortRole = Qt::UserRole;
constexpr int kGroupRole = Qt::UserRole + 1;
constexpr int kExtensionRole = Qt::UserRole + 2; // absent on a group's row
constexpr int kShareRole = Qt::UserRole + 3;     // the bytes' share of the whole, 0 to 1

// Sorted by a column's number where it has one, else by its text.
class NumberItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int c = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant a = data(c, kSortRole), b = other.data(c, kSortRole);
        if (a.isValid() && b.isValid()) return a.toULongLong() < b.toULongLong();
        return text(c).localeAwareCompare(other.text(c)) < 0;
    }
};

// The share column: a bar as long as the share, in the group's colour.
class ShareBar : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(p, option, index);
        const double share = index.data(kShareRole).toDouble();
        const auto group = TypeGroup(index.data(kGroupRole).toInt());
        QRect bar = option.rect.adjusted(2, 3, -2, -3);
        bar.setWidth(std::max(1, int(bar.width() * share)));
        p->fillRect(bar, QColor::fromRgb(typeGroupColour(group)));
    }
};

void setNumber(QTreeWidgetItem* item, int column, std::uint64_t n) {
    item->setText(column, TSummaryForm::number(n));
    item->setData(column, kSortRole, QVariant::fromValue<qulonglong>(n));
    item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
}

void fillTypeRow(QTreeWidgetItem* item, TypeGroup g, const Tally& files, std::uint64_t all) {
    item->setData(TypesView::colGroup, kGroupRole, int(g));
    item->setData(TypesView::colShare, kGroupRole, int(g));
    setNumber(item, TypesView::colFiles, files.entries);
    setNumber(item, TypesView::colBytes, files.bytes);
    item->setData(TypesView::colShare, kSortRole, QVariant::fromValue<qulonglong>(files.bytes));
    item->setData(TypesView::colShare, kShareRole, all ? double(files.bytes) / double(all) : 0.0);
}

void prepare(QTreeWidget* view) {
    view->setUniformRowHeights(true);
    view->setSortingEnabled(true);
    view->setAllColumnsShowFocus(true);
    view->header()->setStretchLastSection(true);
}

} // namespace

QString typeGroupText(const ui::StringTables& t, TypeGroup g) {
    return t.caption(kGroupCaptions[std::size_t(g)]);
}

TypesView::TypesView(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(colCount);
    prepare(this);
    setItemDelegateForColumn(colShare, new ShareBar(this));
}

void TypesView::applyTexts(const ui::StringTables& t) {
    setHeaderLabels({t.caption(Cap::groupColumn), t.caption(Cap::extensionColumn),
                     t.caption(Cap::filesColumn), t.caption(Cap::bytesColumn),
                     t.caption(Cap::shareColumn)});
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* group = topLevelItem(i);
        group->setText(colGroup,
                       typeGroupText(t, TypeGroup(group->data(colGroup, kGroupRole).toInt())));
        group->setText(colExtension, t.caption(Cap::allTypes));
        for (int k = 0; k < group->childCount(); ++k)
            if (group->child(k)->data(colExtension, kExtensionRole).toString().isEmpty())
                group->child(k)->setText(colExtension, t.caption(Cap::noExtension));
    }
}

void TypesView::setTotals(const TypeTotals& totals, const ui::StringTables& t) {
    setSortingEnabled(false);
    clear();
    const std::uint64_t all = totals.all().bytes;
    QTreeWidgetItem* groups[kTypeGroups] = {};
    for (int g = 0; g < kTypeGroups; ++g) {
        const Tally& files = totals.group(TypeGroup(g));
        if (files.entries == 0) continue;
        groups[g] = new NumberItem(this);
        fillTypeRow(groups[g], TypeGroup(g), files, all);
    }
    for (const TypeRow& row : totals.rows()) {
        auto* item = new NumberItem(groups[std::size_t(row.group)]);
        fillTypeRow(item, row.group, row.files, all);
        const QString ext = QString::fromStdString(row.extension);
        item->setData(colExtension, kExtensionRole, ext);
        item->setText(colExtension, ext);
    }
    applyTexts(t);
    setSortingEnabled(true);
    sortByColumn(colBytes, Qt::DescendingOrder);
    for (int c = 0; c < colShare; ++c)
        resizeColumnToContents(c);
}

TypeChoice TypesView::choiceOf(const QTreeWidgetItem* item) {
    TypeChoice choice;
    if (!item) return choice;
    choice.anyType = false;
    choice.group = TypeGroup(item->data(colGroup, kGroupRole).toInt());
    const QVariant ext = item->data(colExtension, kExtensionRole);
    choice.oneExtension = ext.isValid();
    choice.extension = ext.toString().toStdString();
    return choice;
}

LargestView::LargestView(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(colCount);
    prepare(this);
    setRootIsDecorated(false);
}

void LargestView::applyTexts(const ui::StringTables& t) {
    setHeaderLabels({t.caption(Cap::pathColumn), t.caption(Cap::bytesColumn)});
}

void LargestView::setRows(const std::vector<LargeRow>& rows) {
    setSortingEnabled(false);
    clear();
    QList<QTreeWidgetItem*> items;
    for (const LargeRow& r : rows) {
        auto* item = new NumberItem;
        item->setText(colPath, r.path);
        item->setData(colPath, kGroupRole, QVariant::fromValue<qulonglong>(r.key));
        setNumber(item, colBytes, r.size);
        items << item;
    }
    addTopLevelItems(items);
    setSortingEnabled(true);
    sortByColumn(colBytes, Qt::DescendingOrder);
    resizeColumnToContents(colPath);
}

std::size_t LargestView::keyOf(const QTreeWidgetItem* item) {
    return std::size_t(item->data(colPath, kGroupRole).toULongLong());
}

} // namespace kx
