// The real dialogs, message boxes and desktop calls behind UserDialogs.
#include "browser/gui/userdialogs.h"

#include "output/gui/printersurface.h"
#include "support/strings.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace kx {

QString UserDialogs::getOpenFileName(QWidget* parent, const QString& title, const QString& dir,
                                     const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, dir, filter);
}

QStringList UserDialogs::getOpenFileNames(QWidget* parent, const QString& title, const QString& dir,
                                          const QString& filter) {
    return QFileDialog::getOpenFileNames(parent, title, dir, filter);
}

QString UserDialogs::getExistingDirectory(QWidget* parent, const QString& title,
                                          const QString& dir) {
    return QFileDialog::getExistingDirectory(parent, title, dir);
}

QString UserDialogs::getSaveFileName(QWidget* parent, const QString& title, const QString& proposed,
                                     const QString& filter) {
    // The replace question is the caller's own.
    return QFileDialog::getSaveFileName(parent, title, proposed, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

UserDialogs::Answer UserDialogs::question(QWidget* parent, const QString& caption,
                                          const QString& text, bool withCancel) {
    QMessageBox box(QMessageBox::NoIcon, caption, text,
                    withCancel ? QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel
                               : QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::Yes);
    if (withCancel) box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return withCancel ? Answer::Cancel : Answer::No;
    }
}

int UserDialogs::choose(QWidget* parent, const QString& caption, const QString& text,
                        const QStringList& options) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::NoButton, parent);
    QList<QAbstractButton*> buttons;
    for (qsizetype i = 0; i < options.size(); ++i)
        buttons << box.addButton(options[i], i + 1 < options.size() ? QMessageBox::AcceptRole
                                                                    : QMessageBox::RejectRole);
    if (!buttons.isEmpty()) {
        box.setDefaultButton(qobject_cast<QPushButton*>(buttons.first()));
        box.setEscapeButton(buttons.last());
    }
    box.exec();
    const qsizetype chosen = buttons.indexOf(box.clickedButton());
    return int(chosen < 0 ? options.size() - 1 : chosen);
}

void UserDialogs::message(QWidget* parent, Icon icon, const QString& caption, const QString& text) {
    const QMessageBox::Icon boxIcon = icon == Icon::Error         ? QMessageBox::Critical
                                      : icon == Icon::Information ? QMessageBox::Information
                                                                  : QMessageBox::NoIcon;
    QMessageBox box(boxIcon, caption.isEmpty() ? ui::applicationTitle() : caption, text,
                    QMessageBox::Ok, parent);
    if (icon == Icon::Error) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.raise();
    box.activateWindow();
    box.exec();
}

int UserDialogs::execDialog(QDialog& dialog) {
    return dialog.exec();
}

void UserDialogs::popupMenu(QMenu& menu, const QPoint& globalPos) {
    menu.exec(globalPos);
}

bool UserDialogs::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

bool UserDialogs::hasDefaultPrinter() {
    return out::hasDefaultPrinter();
}

int UserDialogs::pageCountOnDefaultPrinter(const QStringList& lines) {
    return out::pageCountOnDefaultPrinter(lines);
}

bool UserDialogs::printOnDefaultPrinter(const QStringList& lines, const QString& jobName,
                                        const Progress& progress) {
    return out::printOnDefaultPrinter(lines, jobName, progress);
}

QString qtFileFilter(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts[i + 1];
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        // A description that already shows its pattern keeps it once.
        if (parts[i].contains(QLatin1Char('(')))
            filters << parts[i].left(parts[i].indexOf(QLatin1Char('('))).trimmed() +
                           QStringLiteral(" (") + pattern + QLatin1Char(')');
        else
            filters << parts[i] + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

} // namespace kx
