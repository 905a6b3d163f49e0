// The command window: every command of the main window that has a name, with its keys, filtered
// as you type; Enter or a double-click runs the chosen one.
#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>

class QAction;
class QLineEdit;
class QTreeWidget;

namespace kx {
namespace ui {
struct StringTables;
}

class CommandWindow : public QDialog {
    Q_OBJECT
public:
    enum Column { colCommand, colKeys };

    explicit CommandWindow(QWidget* parent);

    void applyTexts(const ui::StringTables& t);
    // Lists the actions that have a text, in the order given, each with its keys; a command that
    // is off is listed greyed. The filter starts empty and the first command is chosen.
    void showCommands(const QList<QAction*>& actions);
    // Whether a command passes the filter: every word of the filter occurs in its name or its
    // keys, case ignored.
    static bool passes(const QString& filter, const QString& name, const QString& keys);
    // The keys of an action as the desktop writes them, several joined by ", ".
    static QString keysOf(const QAction& action);

    QLineEdit* filterEdit = nullptr;
    QTreeWidget* commandList = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void applyFilter();
    // Closes the window and runs the chosen command when it is on.
    void runChosen();

    QList<QPointer<QAction>> m_actions; // by row
};

} // namespace kx
