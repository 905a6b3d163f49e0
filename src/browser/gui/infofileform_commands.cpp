// The main window's own commands: marks, comments, undo and redo, copying paths, the command
// window and the about window.
#include "browser/gui/infofileform.h"

#include "browser/gui/commandwindow.h"
#include "browser/gui/commentform.h"
#include "browser/gui/navigationcontroller.h"
#include "listfile/codepage.h"
#include "query/belowroot.h"
#include "support/gui/aboutform.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTreeView>

namespace kx {

// ---------------------------------------------------------------- marks and comments

void TInfoFileForm::applyMarkCommand(MarkCommand cmd) {
    if (!m_doc || m_readOnly) return;
    if (m_markFromKey && tvTreeOfFile->hasFocus()) {
        // The key in the folder tree: the folder selected there, as one row would be. The root
        // is no row of any folder, so it is never marked.
        const Entry* folder = selectedNode();
        // The tree's nodes are the document's own Entries.
        if (folder && folder != root()) m_doc->mark({const_cast<Entry*>(folder)}, cmd);
        return;
    }
    // The rows of the folder shown: the Entries behind them, whatever their names, in the list's
    // own order however the rows are sorted.
    m_doc->mark(selectedEntries(m_model->rowEntries(), m_navigationCtl->selectedListRows(),
                                m_model->hasUpRow(), false),
                cmd);
}

void TInfoFileForm::N1Click() {
    applyMarkCommand(MarkCommand::Needed);
}

void TInfoFileForm::N2Click() {
    applyMarkCommand(MarkCommand::NotNeeded);
}

void TInfoFileForm::N6Click() {
    applyMarkCommand(MarkCommand::Clear);
}

bool TInfoFileForm::lvInfoContextPopup() {
    const QList<QAction*> items = {N1, N2, N8, pupComment};
    for (QAction* a : items)
        a->setVisible(true);
    const int first = firstSelectedRow();
    bool offer = true;
    if (first < 0) {
        showMessage(m_tables.message(ui::Msg::nothingSelected));
        offer = false;
    } else if (m_model->isUpRow(first)) {
        offer = false;
    }
    if (!offer) {
        for (QAction* a : items)
            a->setVisible(false);
        return false;
    }
    if (m_doc && !m_readOnly) m_doc->setModified(true);
    return true;
}

void TInfoFileForm::spbtCommentClick() {
    if (m_readOnly) return;
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        showMessage(m_tables.message(ui::Msg::selectToComment));
        return;
    }
    if (rows.size() > 1) {
        showMessage(m_tables.message(ui::Msg::selectedMoreThanOne));
        return;
    }
    const int row = rows.front();
    Entry* e = m_model->entryAt(row);
    if (!e) return;
    TCommentForm* form = commentForm();
    form->setMessenger([this](const QString& text) { showMessage(text); });
    form->prepare(m_tables, fromAnsi(e->comment()), e->kind(), m_model->caption(row));
    if (m_dialogs->execDialog(*form) != QDialog::Accepted) return;
    bool ok = true;
    const std::string ansi = toAnsi(form->buffer(), &ok);
    if (!ok) {
        showMessage(m_tables.message(ui::Msg::commentNotStorable));
        return;
    }
    m_doc->setComment(e, ansi);
}

void TInfoFileForm::undoClick() {
    if (m_doc && !m_readOnly) m_doc->undo();
}

void TInfoFileForm::redoClick() {
    if (m_doc && !m_readOnly) m_doc->redo();
}

void TInfoFileForm::copyPathsClick() {
    QStringList paths;
    for (int row : selectedRows())
        if (const Entry* e = m_model->entryAt(row)) paths << QString::fromStdString(wholePath(e));
    if (!paths.isEmpty()) QGuiApplication::clipboard()->setText(paths.join(QLatin1Char('\n')));
}

// ---------------------------------------------------------------- the command window

void TInfoFileForm::commandWindowClick() {
    CommandWindow* window = commandWindow();
    window->applyTexts(m_tables);
    window->showCommands(m_commands);
    window->show();
    window->raise();
    window->activateWindow();
    window->filterEdit->setFocus();
}

// ---------------------------------------------------------------- about

void TInfoFileForm::spbtAboutClick() {
    ui::TAboutForm* about = aboutForm();
    about->setUrlOpener([this](const QUrl& url) { return m_dialogs->openUrl(url); });
    about->setMessageBox([this](const QString& title, const QString& text) {
        m_dialogs->message(this, UserDialogs::Icon::None, title, text);
    });
    m_dialogs->execDialog(*about);
}

void TInfoFileForm::spbtLinkBrelvikClick() {
    ui::openWebAddress(
        this, m_tables.aboutText(ui::About::homeAddress), m_tables,
        [this](const QUrl& url) { return m_dialogs->openUrl(url); },
        [this](const QString& title, const QString& text) {
            m_dialogs->message(this, UserDialogs::Icon::None, title, text);
        });
}

} // namespace kx
