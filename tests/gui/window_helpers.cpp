// The scripted dialogs and the helpers that drive the main window in tests.
#include "window_helpers.h"

#include "browser/gui/documentcontroller.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <QUrl>

#include <gtest/gtest.h>

#include <stdexcept>

namespace kxtest {

QString ScriptedDialogs::getOpenFileName(QWidget*, const QString&, const QString& dir,
                                         const QString&) {
    ++openDialogs;
    openDirs.push_back(dir);
    if (failNextOpenDialog) {
        failNextOpenDialog = false;
        throw std::runtime_error("the dialog failed");
    }
    if (openFiles.empty()) return QString();
    QString f = openFiles.front();
    openFiles.pop_front();
    return f;
}

QString ScriptedDialogs::getSaveFileName(QWidget*, const QString&, const QString&, const QString&) {
    if (saveFiles.empty()) return QString();
    QString f = saveFiles.front();
    saveFiles.pop_front();
    return f;
}

kx::UserDialogs::Answer ScriptedDialogs::question(QWidget*, const QString& caption,
                                                  const QString& text, bool) {
    questions.push_back({caption, text});
    if (answers.empty()) return Answer::Cancel;
    Answer a = answers.front();
    answers.pop_front();
    return a;
}

int ScriptedDialogs::choose(QWidget*, const QString& caption, const QString& text,
                            const QStringList& options) {
    questions.push_back({caption, text});
    if (choices.empty()) return int(options.size()) - 1;
    const int chosen = choices.front();
    choices.pop_front();
    return chosen;
}

void ScriptedDialogs::message(QWidget*, Icon, const QString& caption, const QString& text) {
    messages.push_back({caption, text});
}

int ScriptedDialogs::execDialog(QDialog& dialog) {
    if (dialogScripts.empty()) return QDialog::Rejected;
    auto script = std::move(dialogScripts.front());
    dialogScripts.pop_front();
    // The window is shown as the real one would be, so its own show handling runs.
    dialog.show();
    const int result = script(dialog);
    dialog.hide();
    return result;
}

bool ScriptedDialogs::printOnDefaultPrinter(const QStringList& lines, const QString&,
                                            const kx::Progress& progress) {
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (onPrintedLine) onPrintedLine(i);
        if (!kx::goOn(progress, std::uint64_t(i) + 1, std::uint64_t(lines.size()))) return false;
    }
    printed.push_back(lines);
    if (!printerAccepts) throw kx::Error(kx::ErrorCode::printRefused);
    return true;
}

bool ScriptedDialogs::openUrl(const QUrl& url) {
    urls.push_back(url.toString());
    return true;
}

Window makeWindow(const QStringList& args, bool show) {
    auto dialogs = std::make_unique<ScriptedDialogs>();
    Window w;
    w.dialogs = dialogs.get();
    w.form = std::make_unique<kx::TInfoFileForm>(args, std::move(dialogs));
    if (show) {
        w.form->show();
        QApplication::processEvents();
    }
    return w;
}

Node sampleTree() {
    return folder("C:\\", {file("a.txt", 100),
                           folder("A", {folder("B", {file("x.txt")}), file("y.txt", 2048)}),
                           folder("C"), file("b.txt", 1536)});
}

QString writeList(const QTemporaryDir& dir, const QString& name, const Node& root) {
    const QString path = dir.filePath(name);
    writeListFile(path.toStdString(), root);
    return path;
}

void scriptMask(ScriptedDialogs& dialogs, const QString& text) {
    dialogs.dialogScripts.push_back([text](QDialog& d) {
        auto& mask = static_cast<kx::TMaskForm&>(d);
        mask.ledMask->setText(text);
        mask.FindBitBtn->click();
        return d.result();
    });
}

bool finishJobs(const Window& w, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (w->busy()) {
        if (deadline.hasExpired()) return false;
        QTest::qWait(1);
    }
    return true;
}

void openThroughDialog(Window& w, const QString& path) {
    w.dialogs->openFiles.push_back(path);
    w->spbtOpenClick(w->spbtOpen);
    EXPECT_TRUE(finishJobs(w));
}

bool saveAndWait(Window& w) {
    QSignalSpy ended(&w->documentController(), &kx::DocumentController::saveEnded);
    w->spbtSaveClick(w->spbtSave);
    EXPECT_TRUE(finishJobs(w));
    return !ended.isEmpty() && ended.last().at(0).toBool();
}

QStringList rowCaptions(const kx::TInfoFileForm& form) {
    QStringList out;
    for (int r = 0; r < form.model()->rowCount(); ++r)
        out << form.model()->caption(r);
    return out;
}

QStringList backStackTexts(const kx::TInfoFileForm& form) {
    QStringList out;
    for (const kx::Entry* n : form.history().backStack())
        out << form.navigator().nodeText(n);
    return out;
}

const kx::Entry* nodeNamed(const kx::TInfoFileForm& form, const QString& text) {
    const kx::FolderModel* m = form.folderModel();
    const QModelIndexList found =
        m->match(m->index(0, 0), Qt::DisplayRole, text, 1, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : kx::FolderModel::entryOf(found.first());
}

bool nodeExpanded(const kx::TInfoFileForm& form, const kx::Entry* node) {
    return form.tvTreeOfFile->isExpanded(form.folderModel()->indexOf(node));
}

void clickNode(kx::TInfoFileForm& form, const kx::Entry* node, Qt::MouseButton button) {
    const QModelIndex i = form.folderModel()->indexOf(node);
    form.tvTreeOfFile->scrollTo(i);
    const QPoint at = form.tvTreeOfFile->visualRect(i).center();
    QTest::mouseClick(form.tvTreeOfFile->viewport(), button, {}, at);
}

void clickRow(kx::TInfoFileForm& form, int row, Qt::KeyboardModifiers mods) {
    const QModelIndex i = form.model()->index(row, 0);
    form.lvInfo->scrollTo(i);
    QTest::mouseClick(form.lvInfo->viewport(), Qt::LeftButton, mods,
                      form.lvInfo->visualRect(i).center());
}

void doubleClickRow(kx::TInfoFileForm& form, int row) {
    const QModelIndex i = form.model()->index(row, 0);
    form.lvInfo->scrollTo(i);
    const QPoint at = form.lvInfo->visualRect(i).center();
    QTest::mouseClick(form.lvInfo->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(form.lvInfo->viewport(), Qt::LeftButton, {}, at);
}

} // namespace kxtest
