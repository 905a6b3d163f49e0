// The main window's commands: one QAction per command with its keys, the buttons and menu items
// that trigger them, the busy state that turns them all off while a job runs, and the way a job
// is run behind the busy panel or the progress window.
#include "browser/gui/infofileform.h"

#include "browser/gui/commandwindow.h"
#include "browser/gui/commentform.h"
#include "browser/gui/documentcontroller.h"
#include "browser/gui/maskform.h"
#include "browser/gui/navigationcontroller.h"
#include "support/gui/aboutform.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QToolButton>
#include <QTreeView>

namespace kx {

void TInfoFileForm::guarded(const std::function<void()>& command) {
    if (busy()) return; // a job runs: the window takes no command until it has ended
    try {
        command();
    } catch (const Error& e) {
        setEnabled(true);
        m_documentCtl->showError(e);
    } catch (const std::exception& e) {
        setEnabled(true);
        m_documentCtl->showError(Error(ErrorCode::other, {}, 0, e.what()));
    }
}

QAction* TInfoFileForm::command(const QList<QKeySequence>& keys, const std::function<void()>& run) {
    auto* a = new QAction(this);
    a->setShortcuts(keys);
    a->setShortcutContext(Qt::WindowShortcut);
    addAction(a);
    connect(a, &QAction::triggered, this, [this, run] { guarded(run); });
    m_commands << a;
    return a;
}

void TInfoFileForm::buildActions() {
    using K = QKeySequence;
    openAction = command({K(Qt::CTRL | Qt::Key_O)}, [this] { spbtOpenClick(spbtOpen); });
    saveAction = command({K(Qt::CTRL | Qt::Key_S)}, [this] { spbtSaveClick(spbtSave); });
    searchAction = command({K(Qt::CTRL | Qt::Key_F)}, [this] { spbtSearchClick(); });
    exportTextAction = command({K(Qt::CTRL | Qt::Key_E)}, [this] { mmSaveTextClick(); });
    printAction = command({K(Qt::CTRL | Qt::Key_P)}, [this] { mmPrintClick(); });
    backAction =
        command({K(Qt::Key_Backspace), K(Qt::ALT | Qt::Key_Left)}, [this] { spbtBackClick(); });
    forwardAction = command({K(Qt::ALT | Qt::Key_Right)}, [this] { spbtForwardClick(); });
    upAction = command({K(Qt::ALT | Qt::Key_Up)}, [this] { spbtUpClick(); });
    helpAction = command({K(Qt::CTRL | Qt::Key_F1)}, [this] { spbtAboutClick(); });
    // The mark keys carry Ctrl, so no key of the list's type-ahead is taken.
    neededAction = command({K(Qt::CTRL | Qt::Key_1)}, [this] { N1Click(); });
    notneededAction = command({K(Qt::CTRL | Qt::Key_2)}, [this] { N2Click(); });
    clearAction = command({K(Qt::CTRL | Qt::Key_0)}, [this] { N6Click(); });
    for (QAction* a : {neededAction, notneededAction, clearAction})
        a->installEventFilter(this); // to tell a key from a click (applyMarkCommand)
    commentAction = command({}, [this] { spbtCommentClick(); });
    // Keys of the window that no menu shows; the command window lists them all. Ctrl+Q closes
    // the window as its close box does, with the question about unsaved changes.
    findAgainAction = command({K(Qt::Key_F3)}, [this] { searchAgainClick(); });
    closeAction = command({K(Qt::CTRL | Qt::Key_Q)}, [this] { close(); });
    undoAction = command({K(Qt::CTRL | Qt::Key_Z)}, [this] { undoClick(); });
    redoAction = command({K(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), K(Qt::CTRL | Qt::Key_Y)},
                         [this] { redoClick(); });
    m_editCommands = {neededAction, notneededAction, clearAction, commentAction,
                      saveAction,   undoAction,      redoAction};
    copyPathsAction = command({K(Qt::CTRL | Qt::Key_C)}, [this] { copyPathsClick(); });
    exportCsvAction = command({K(Qt::CTRL | Qt::SHIFT | Qt::Key_E)}, [this] { mmSaveCsvClick(); });
    summaryAction = command({K(Qt::CTRL | Qt::Key_I)}, [this] { summaryClick(); });
    catalogAction = command({K(Qt::CTRL | Qt::SHIFT | Qt::Key_K)}, [this] { catalogClick(); });
    filteredSearchAction =
        command({K(Qt::CTRL | Qt::SHIFT | Qt::Key_F)}, [this] { filteredSearchClick(); });
    commandsAction = command({K(Qt::CTRL | Qt::SHIFT | Qt::Key_P), K(Qt::Key_F1)},
                             [this] { commandWindowClick(); });
    treemapAction = command({K(Qt::CTRL | Qt::SHIFT | Qt::Key_M)}, [this] { treemapClick(); });
    typesAction = command({K(Qt::CTRL | Qt::SHIFT | Qt::Key_T)}, [this] { typesClick(); });
    largestAction = command({K(Qt::CTRL | Qt::SHIFT | Qt::Key_L)}, [this] { largestClick(); });

    neededAction->setIcon(spbtNeed->icon());
    notneededAction->setIcon(spbtNotNeed->icon());
    clearAction->setIcon(spbtUnmark->icon());
    spbtNeed->setDefaultAction(neededAction);
    spbtNotNeed->setDefaultAction(notneededAction);
    spbtUnmark->setDefaultAction(clearAction);

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    N1 = PopupMenu->addAction(QString());
    N2 = PopupMenu->addAction(QString());
    N8 = PopupMenu->addAction(QString());
    pupComment = PopupMenu->addAction(QString());
    // The menu shows the mark keys beside their items; the keys themselves belong to the
    // commands, so these only act while the menu has the focus.
    const std::pair<QAction*, QAction*> keyed[] = {
        {N1, neededAction}, {N2, notneededAction}, {N8, clearAction}};
    for (const auto& [item, action] : keyed) {
        item->setShortcutContext(Qt::WidgetShortcut);
        item->setShortcuts(action->shortcuts());
    }
}

void TInfoFileForm::connectControls() {
    // A button does what its command does and is off while the command is: the buttons keep
    // their own captions and hints (the Forward hint may be the empty text, which no action has).
    const std::pair<QToolButton*, QAction*> buttons[] = {
        {spbtOpen, openAction},   {spbtSave, saveAction},
        {spbtBack, backAction},   {spbtForward, forwardAction},
        {spbtUp, upAction},       {spbtSearch, searchAction},
        {spbtPrint, printAction}, {spbtSaveText, exportTextAction},
        {spbtAbout, helpAction},
    };
    for (const auto& [button, action] : buttons) {
        connect(button, &QToolButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::enabledChanged, button, &QWidget::setEnabled);
    }
    // The menu's items follow their commands, greyed with them.
    const std::pair<QAction*, QAction*> items[] = {
        {N1, neededAction}, {N2, notneededAction}, {N8, clearAction}, {pupComment, commentAction}};
    for (const auto& [item, action] : items) {
        connect(item, &QAction::triggered, action, &QAction::trigger);
        connect(action, &QAction::enabledChanged, item, &QAction::setEnabled);
    }
    connect(BRELVIKImage, &ui::LinkLabel::clicked, this,
            [this] { guarded([&] { spbtLinkBrelvikClick(); }); });
    connect(lvInfo, &QTreeView::doubleClicked, this,
            [this] { guarded([&] { lvInfoDblClick(); }); });
    connect(lvInfo->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        guarded([&] { lvInfoColumnClick(column); });
        m_navigationCtl->showSortIndicator(); // the header's own flip of the indicator never stays
    });
    connect(lvInfo->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { guarded([&] { lvInfoChange(); }); });
    connect(lvInfo, &QTreeView::customContextMenuRequested, this, [this](const QPoint& pos) {
        guarded([&] {
            if (lvInfoContextPopup())
                m_dialogs->popupMenu(*PopupMenu, lvInfo->viewport()->mapToGlobal(pos));
        });
    });
}

// ---------------------------------------------------------------- the busy state and jobs

void TInfoFileForm::setBusy(bool busy) {
    enableCommands(busy);
    setEnabled(!busy);
}

void TInfoFileForm::enableCommands(bool busy) {
    for (QAction* a : m_commands)
        a->setEnabled(!busy && !(m_readOnly && m_editCommands.contains(a)));
}

void TInfoFileForm::setReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    enableCommands(busy());
}

void TInfoFileForm::showBusyPanel(const QString& text, QWidget* centreOn) {
    m_busyPanel = std::make_unique<ui::TOpenSaveForm>(centreOn, text);
    m_busyPanel->showCentred();
}

void TInfoFileForm::startProgress(const QString& caption) {
    m_progress.showProgress(caption);
}

bool TInfoFileForm::endProgress() {
    const bool cancelled = m_progress.abortFlag();
    if (!cancelled) m_progress.closeProgress();
    m_progress.abortFlag() = false;
    return cancelled;
}

void TInfoFileForm::showMessage(const QString& text, UserDialogs::Icon icon) {
    const QString caption = icon == UserDialogs::Icon::Error ? m_tables.message(ui::Msg::errorTitle)
                                                             : ui::applicationTitle();
    m_dialogs->message(this, icon, caption, text);
}

// ---------------------------------------------------------------- drops and close

void TInfoFileForm::dragEnterEvent(QDragEnterEvent* e) {
    // The file is only read: the drag source is told it was copied, never moved.
    if (busy() || !e->mimeData()->hasUrls() || !(e->possibleActions() & Qt::CopyAction)) {
        e->ignore();
        return;
    }
    e->setDropAction(Qt::CopyAction);
    e->accept();
}

void TInfoFileForm::dropEvent(QDropEvent* e) {
    if (busy() || !(e->possibleActions() & Qt::CopyAction)) {
        e->ignore();
        return;
    }
    QStringList paths;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    e->setDropAction(Qt::CopyAction);
    e->accept();
    guarded([&] { openDroppedFiles(paths); });
}

void TInfoFileForm::closeEvent(QCloseEvent* e) {
    // While a job runs the close is turned away without a question; a failure in the question
    // keeps the window open.
    bool mayClose = false;
    guarded([&] { mayClose = FormCloseQuery(); });
    if (mayClose)
        e->accept();
    else
        e->ignore();
}

// ---------------------------------------------------------------- the other windows

TMaskForm* TInfoFileForm::maskForm() {
    if (!m_maskForm) m_maskForm = new TMaskForm(this);
    return m_maskForm;
}

ui::TAboutForm* TInfoFileForm::aboutForm() {
    if (!m_aboutForm) {
        m_aboutForm = new ui::TAboutForm(this);
        m_aboutForm->applyTexts(m_tables);
    }
    return m_aboutForm;
}

CommandWindow* TInfoFileForm::commandWindow() {
    if (!m_commandWindow) m_commandWindow = new CommandWindow(this);
    return m_commandWindow;
}

TCommentForm* TInfoFileForm::commentForm() {
    if (!m_commentForm) m_commentForm = new TCommentForm(this);
    return m_commentForm;
}

} // namespace kx
