// A scripted stand-in for the window's dialogs and a few helpers to drive the real main window.
#pragma once

#include "browser/gui/commentform.h"
#include "browser/gui/infofileform.h"
#include "browser/gui/maskform.h"
#include "browser/gui/userdialogs.h"
#include "common/fixtures.h"
#include "common/qstringprint.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPoint>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeView>

#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace kxtest {

// Answers every modal question from queues filled by the test and records what was shown.
class ScriptedDialogs : public kx::UserDialogs {
public:
    std::deque<QString> openFiles;         // answers of the Open dialog; empty text = Cancel
    std::deque<QString> saveFiles;         // answers of the Save dialog
    std::deque<QStringList> openFileLists; // answers of the many-files Open dialog
    std::deque<QString> folders;           // answers of the folder dialog
    std::deque<Answer> answers;            // answers of the question boxes
    std::deque<int> choices; // answers of the choice boxes; none = the last option (Cancel)
    std::deque<std::function<int(QDialog&)>> dialogScripts; // one per modal window
    bool printerPresent = true;
    // Thrown by the next Open dialog, as an unexpected failure inside a command would be.
    bool failNextOpenDialog = false;

    struct Shown {
        QString caption, text;
    };
    std::vector<Shown> messages, questions;
    std::vector<QString> openDirs; // the folder each Open dialog started in
    int openDialogs = 0, popups = 0;
    std::vector<QString> urls;
    std::vector<QStringList> printed;

    QString getOpenFileName(QWidget*, const QString&, const QString&, const QString&) override;
    QString getSaveFileName(QWidget*, const QString&, const QString&, const QString&) override;
    QStringList getOpenFileNames(QWidget*, const QString&, const QString&,
                                 const QString&) override {
        return take(openFileLists);
    }
    QString getExistingDirectory(QWidget*, const QString&, const QString&) override {
        return take(folders);
    }
    template <class T> static T take(std::deque<T>& answers) {
        if (answers.empty()) return T();
        T a = answers.front();
        answers.pop_front();
        return a;
    }
    Answer question(QWidget*, const QString& caption, const QString& text, bool) override;
    int choose(QWidget*, const QString& caption, const QString& text,
               const QStringList& options) override;
    void message(QWidget*, Icon, const QString& caption, const QString& text) override;
    int execDialog(QDialog& dialog) override;
    void popupMenu(QMenu&, const QPoint&) override { ++popups; }
    bool openUrl(const QUrl& url) override;
    bool hasDefaultPrinter() override { return printerPresent; }
    // The default printer's answers: the page count of any job, whether it takes a job, and a
    // hook run after each line (on the job's thread) with the line's index.
    int pages = 1;
    bool printerAccepts = true;
    std::function<void(qsizetype line)> onPrintedLine;
    int pageCountOnDefaultPrinter(const QStringList&) override { return pages; }
    // Tells the progress of each line and stops as the job does once it says so;
    // a job that ran to its end is kept in `printed`, then refused when the printer takes none.
    bool printOnDefaultPrinter(const QStringList& lines, const QString&,
                               const kx::Progress& progress) override;
    QString lastMessage() const { return messages.empty() ? QString() : messages.back().text; }
};

// The main window with its scripted dialogs, shown offscreen.
struct Window {
    std::unique_ptr<kx::TInfoFileForm> form;
    ScriptedDialogs* dialogs = nullptr;
    kx::TInfoFileForm* operator->() const { return form.get(); }
};
Window makeWindow(const QStringList& args = {}, bool show = true);

// A small list used by most window tests: root C:\ holding a.txt, folder A (folder B with x.txt,
// then y.txt), folder C (empty), b.txt. Shown, the root reads A, C, a.txt, b.txt.
Node sampleTree();
// Writes the sample (or any tree) as a list file in `dir` and returns its path.
QString writeList(const QTemporaryDir& dir, const QString& name, const Node& root = sampleTree());

// The next search-mask window takes `text` and Find.
void scriptMask(ScriptedDialogs& dialogs, const QString& text);

// Waits while the window's jobs run (a job's continuation may start the next one): commands
// return as soon as their job has started. False when they have not ended within the time.
bool finishJobs(const Window& w, int timeoutMs = 120000);

// Opens a list through the Open button with the scripted dialog, and waits for it.
void openThroughDialog(Window& w, const QString& path);
// The Save button's command, waited for: true when the list file was written in full.
bool saveAndWait(Window& w);

// Captions of the detail list's rows, top to bottom.
QStringList rowCaptions(const kx::TInfoFileForm& form);
// Text of every node on the back stack, bottom first.
QStringList backStackTexts(const kx::TInfoFileForm& form);
// The tree node with the given text (first found, depth first), or null.
const kx::Entry* nodeNamed(const kx::TInfoFileForm& form, const QString& text);
// Whether a tree node is expanded.
bool nodeExpanded(const kx::TInfoFileForm& form, const kx::Entry* node);

// Real mouse input on the panes.
void clickNode(kx::TInfoFileForm& form, const kx::Entry* node,
               Qt::MouseButton button = Qt::LeftButton);
void clickRow(kx::TInfoFileForm& form, int row, Qt::KeyboardModifiers mods = {});
void doubleClickRow(kx::TInfoFileForm& form, int row);

} // namespace kxtest
