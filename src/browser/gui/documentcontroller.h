// The main window's document: open (dialog, command line, drop), save, the close question and
// the question about unsaved changes, and the messages that tell what went wrong. The list is
// read and written on the window's job runner; the window shows it once it has been read.
#pragma once

#include "listfile/io/error.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace kx {

class Document;
class EntryTree;
class TInfoFileForm;

class DocumentController : public QObject {
    Q_OBJECT
public:
    explicit DocumentController(TInfoFileForm& window);

    // A list named on the command line: opened when the window first shows.
    void openOnFirstShow(const QString& path);
    bool openFromCommandLine() const { return m_openFromCommandLine; }
    // The Open command: the question about unsaved changes, the preparation of the views and
    // the dialog (or the dropped or command-line file), then the open.
    void open(QWidget* initiator);
    bool openDropped(const QStringList& paths);
    // Reads `chosen` behind the busy panel ("Loading Data..." when the Open button asked) and
    // shows it; `then` runs once it is shown. A failure is told.
    void openFile(const QString& chosen, QWidget* initiator, std::function<void()> then = {});
    // Shows a tree read from elsewhere (the catalogue's copy of the list at `path`) in place of
    // the open list, read-only; the next list opened or shown leaves that mode.
    void showReadOnly(std::unique_ptr<EntryTree> tree, const QString& path);

    // Starts the save behind its progress window; false when there is no list. saveEnded tells
    // how it went; `afterSave` runs once the list has been written in full (and the catalogue
    // refreshed).
    bool save(std::function<void()> afterSave = {});
    // The question about unsaved changes. True when the caller may go on at once (nothing to
    // ask, or No); on Yes the list is saved and `afterSave` runs once it has been written in full.
    bool settleUnsavedChanges(std::function<void()> afterSave);
    // The close question; true when the window may close now.
    bool closeQuery();

    // Lets go of the views over the open list (before the document goes).
    void clearDocumentViews();
    // What went wrong, in the interface's language.
    QString errorMessage(const Error& e) const;
    // The same followed by " - " and the path when the error has one.
    QString errorWithPath(const Error& e) const;
    void showError(const Error& e);
    // A path as the file system names it (the local 8-bit encoding of file names).
    static std::string localPath(const QString& path);

signals:
    // A save has ended: true when the list file was written in full.
    void saveEnded(bool written);

private:
    void setDocument(std::unique_ptr<Document> doc, const QString& path);
    void leaveReadOnly();
    void chooseAndOpen(QWidget* initiator, QString chosen, bool fromCommandLine);
    void openFailed(const Error& e, const QString& chosen);
    void saveOnce(bool overwriteChanged, std::function<void()> afterSave);

    TInfoFileForm& m_w;
    bool m_openFromCommandLine = false;
    bool m_openDropped = false;
    QString m_commandLineFile;
    QString m_droppedFile; // the Open dialog's file name when a drop starts the open
};

} // namespace kx
