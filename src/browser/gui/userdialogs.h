// The modal questions, file dialogs, menus and desktop calls the main window asks for, behind one
// small class that tests replace with a scripted double.
#pragma once

#include "listfile/innerlist.h"

#include <QString>
#include <QStringList>

class QDialog;
class QMenu;
class QPoint;
class QUrl;
class QWidget;

namespace kx {

class UserDialogs {
public:
    enum class Answer { Yes, No, Cancel };
    enum class Icon { None, Information, Error };

    virtual ~UserDialogs() = default;

    // The chosen file, or the empty text when the user cancels. `filter` uses Qt's syntax.
    virtual QString getOpenFileName(QWidget* parent, const QString& title, const QString& dir,
                                    const QString& filter);
    // The chosen files (none when the user cancels).
    virtual QStringList getOpenFileNames(QWidget* parent, const QString& title, const QString& dir,
                                         const QString& filter);
    // The chosen folder, or the empty text.
    virtual QString getExistingDirectory(QWidget* parent, const QString& title, const QString& dir);
    virtual QString getSaveFileName(QWidget* parent, const QString& title, const QString& proposed,
                                    const QString& filter);
    // Yes / No, or Yes / No / Cancel when withCancel is set; no icon.
    virtual Answer question(QWidget* parent, const QString& caption, const QString& text,
                            bool withCancel);
    // A question answered by one of `options`, each a button; the last one cancels, as Escape
    // and the close box do. Returns the index of the option chosen.
    virtual int choose(QWidget* parent, const QString& caption, const QString& text,
                       const QStringList& options);
    // An OK box; an error box stays on top and comes to the foreground.
    virtual void message(QWidget* parent, Icon icon, const QString& caption, const QString& text);
    // Runs a modal window and returns its result (QDialog::Accepted or Rejected).
    virtual int execDialog(QDialog& dialog);
    // Pops a context menu up at a global position and waits until it closes.
    virtual void popupMenu(QMenu& menu, const QPoint& globalPos);
    // Hands a web address to the desktop; false when nothing could open it.
    virtual bool openUrl(const QUrl& url);
    // The default printer: whether there is one, the pages some lines fill on it, and a job on
    // it (the progress hears each line drawn and may cancel the job). The job is true when
    // printed, false when cancelled; it throws kx::Error (printRefused) when it cannot start or
    // the printer refuses it.
    virtual bool hasDefaultPrinter();
    virtual int pageCountOnDefaultPrinter(const QStringList& lines);
    virtual bool printOnDefaultPrinter(const QStringList& lines, const QString& jobName,
                                       const Progress& progress);
};

// "Description|pattern|Description|pattern" as a Qt file dialog filter.
QString qtFileFilter(const QString& pipeFilter);

} // namespace kx
