// The command window.
#include "browser/gui/commandwindow.h"

#include "support/strings.h"

#include <QAction>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kx {

CommandWindow::CommandWindow(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    filterEdit = new QLineEdit(this);
    filterEdit->setClearButtonEnabled(true);
    layout->addWidget(filterEdit);
    commandList = new QTreeWidget(this);
    commandList->setColumnCount(2);
    commandList->setRootIsDecorated(false);
    commandList->setUniformRowHeights(true);
    commandList->setSelectionMode(QAbstractItemView::SingleSelection);
    commandList->header()->setStretchLastSection(false);
    commandList->header()->setSectionResizeMode(colCommand, QHeaderView::Stretch);
    commandList->header()->setSectionResizeMode(colKeys, QHeaderView::ResizeToContents);
    layout->addWidget(commandList);
    setFocusProxy(filterEdit);
    filterEdit->installEventFilter(this);
    connect(filterEdit, &QLineEdit::textChanged, this, [this] { applyFilter(); });
    connect(filterEdit, &QLineEdit::returnPressed, this, [this] { runChosen(); });
    connect(commandList, &QTreeWidget::itemActivated, this, [this] { runChosen(); });
    resize(480, 360);
}

void CommandWindow::applyTexts(const ui::StringTables& t) {
    setWindowTitle(t.caption(ui::Cap::commandsTitle));
    commandList->setHeaderLabels(
        {t.caption(ui::Cap::commandColumn), t.caption(ui::Cap::keysColumn)});
}

QString CommandWindow::keysOf(const QAction& action) {
    QStringList keys;
    for (const QKeySequence& k : action.shortcuts())
        keys << k.toString(QKeySequence::NativeText);
    return keys.join(QStringLiteral(", "));
}

bool CommandWindow::passes(const QString& filter, const QString& name, const QString& keys) {
    const QString text = name + QLatin1Char(' ') + keys;
    for (const QString& word : filter.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        if (!text.contains(word, Qt::CaseInsensitive)) return false;
    return true;
}

void CommandWindow::showCommands(const QList<QAction*>& actions) {
    commandList->clear();
    m_actions.clear();
    for (QAction* a : actions) {
        QString name = a->text();
        name.remove(QLatin1Char('&'));
        if (name.isEmpty()) continue;
        auto* item = new QTreeWidgetItem(commandList, {name, keysOf(*a)});
        // The hint is found too: "mark" finds Required, whose hint is "Mark as Required".
        item->setData(colCommand, Qt::UserRole, a->toolTip());
        item->setDisabled(!a->isEnabled());
        m_actions << a;
    }
    filterEdit->clear();
    applyFilter();
}

void CommandWindow::applyFilter() {
    QTreeWidgetItem* first = nullptr;
    for (int r = 0; r < commandList->topLevelItemCount(); ++r) {
        QTreeWidgetItem* item = commandList->topLevelItem(r);
        const QString hint = item->data(colCommand, Qt::UserRole).toString();
        const bool shown =
            passes(filterEdit->text(), item->text(colCommand) + QLatin1Char(' ') + hint,
                   item->text(colKeys));
        item->setHidden(!shown);
        if (shown && !first && !item->isDisabled()) first = item;
    }
    commandList->setCurrentItem(first);
}

bool CommandWindow::eventFilter(QObject* watched, QEvent* e) {
    // Up and Down in the filter move the choice through the commands shown.
    if (watched == filterEdit && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
            key == Qt::Key_PageDown) {
            QCoreApplication::sendEvent(commandList, e);
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void CommandWindow::runChosen() {
    QTreeWidgetItem* item = commandList->currentItem();
    if (!item || item->isHidden() || item->isDisabled()) return;
    const QPointer<QAction> action = m_actions.value(commandList->indexOfTopLevelItem(item));
    hide();
    if (action && action->isEnabled()) action->trigger();
}

} // namespace kx
