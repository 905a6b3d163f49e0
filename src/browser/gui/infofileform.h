// The main window TInfoFileForm: its layout, its commands as QActions, the busy state that turns
// them off while a job runs, and the open document with the views over it. The work of each
// concern is done by a controller beside it (document, navigation, search and side windows,
// export and print, catalogue); the handlers here pass on to them.
#pragma once

#include "browser/document.h"
#include "browser/gui/detailmodel.h"
#include "browser/gui/foldermodel.h"
#include "browser/gui/userdialogs.h"
#include "browser/navigator.h"
#include "listfile/entry.h"
#include "support/gui/jobrunner.h"
#include "support/gui/progress.h"
#include "support/strings.h"

#include <QKeySequence>
#include <QList>
#include <QMainWindow>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QFrame;
class QMenu;
class QSplitter;
class QToolButton;
class QTreeView;

namespace kx {

class TMaskForm;
class TCommentForm;
class CommandWindow;
class TFilterForm;
class TSummaryForm;
class TCatalogForm;
struct CatalogRow;
class DocumentController;
class NavigationController;
class SearchController;
class ExportController;
class CatalogController;
class SpaceController;
class TSpaceForm;
namespace ui {
class TAboutForm;
class LinkLabel;
} // namespace ui

class TInfoFileForm : public QMainWindow {
    Q_OBJECT
public:
    // `args` are the command-line arguments after the program name (language options already
    // removed or not: they are skipped here too). `dialogs` answers every modal question; the
    // real dialogs when null.
    explicit TInfoFileForm(const QStringList& args = {},
                           std::unique_ptr<UserDialogs> dialogs = nullptr,
                           QWidget* parent = nullptr);
    ~TInfoFileForm() override;

    // The other windows of the program, created after this one; made on demand when not given.
    void setForms(TMaskForm* mask, ui::TAboutForm* about, TCommentForm* comment);

    // ---- document ----
    Document* document() const { return m_doc.get(); }
    Entry* root() const { return m_doc ? m_doc->root() : nullptr; }
    const QString& listFilePath() const { return m_listFilePath; }
    std::string headerText() const { return m_doc ? m_doc->headerText() : std::string(); }
    bool listModified() const { return m_doc && m_doc->modified(); }
    // True while the window shows the catalogue's copy of a list: it is browsed, never changed,
    // so the marks, comments, undo, redo and save stay off, also after every job.
    bool readOnly() const { return m_readOnly; }
    bool openFromCommandLine() const;
    // True while a long job (open, save, search, export, print, catalogue) runs on its worker
    // thread: every command is off and drops are refused until its continuation has run.
    bool busy() const { return m_jobs->busy(); }
    ui::JobRunner& jobs() const { return *m_jobs; }
    DocumentController& documentController() const { return *m_documentCtl; }
    // The busy panel while an open or a search runs, else null.
    const ui::TOpenSaveForm* busyPanel() const { return m_busyPanel.get(); }

    // ---- folder view and navigation state ----
    const Navigator& navigator() const { return m_nav; }
    bool searchMode() const { return m_nav.searchMode(); }
    bool hasUpRow() const { return m_model->hasUpRow(); }
    const std::vector<Entry*>& rowEntries() const { return m_model->rowEntries(); }
    const Entry* currentNode() const { return m_nav.current(); }
    const Entry* rootNode() const { return m_folders->root(); }
    const Entry* selectedNode() const;
    const History<const Entry*>& history() const { return m_nav.history(); }
    int searchRowIndex() const { return m_nav.searchRowIndex(); }
    const SearchResults& searchResults() const { return m_nav.results(); }
    DetailModel* model() const { return m_model; }
    FolderModel* folderModel() const { return m_folders; }
    const ui::StringTables& tables() const { return m_tables; }
    ui::ProgressDisplay& progress() { return m_progress; }
    // Rows of the detail list that are selected, ascending, as shown (sorted or not).
    std::vector<int> selectedRows() const;
    // The first selected row as shown, or -1.
    int firstSelectedRow() const;

    // ---- handlers ----
    void FormCreate(const QStringList& args);
    void FormShow();
    // Asks about unsaved changes; true when the window may close now. Yes starts the save, and
    // the window closes once the list has been written in full.
    bool FormCloseQuery();
    void applyStringTables();
    // Starts an open; the list is read on the worker thread and shown when it has been read.
    void spbtOpenClick(QWidget* initiator);
    // Starts a save; false when there is nothing to save. DocumentController::saveEnded tells
    // whether the list file was written in full.
    bool spbtSaveClick(QWidget* initiator);
    // Opens the first file whose extension is exactly ".kx"; true when one was taken.
    bool openDroppedFiles(const QStringList& paths);

    // Shows a folder's rows (its folders first), with the ".." row below the root.
    void showFolder(const Entry* folder);
    void tvTreeOfFileClick();
    void tvTreeOfFileMouseUp(const QPoint& viewportPos);
    void lvInfoDblClick();
    void lvInfoKeyDown(int key);
    void lvInfoChange();
    // A click on a column header: sorted by it ascending, then descending, then the list's own
    // order again; another column starts at ascending.
    void lvInfoColumnClick(int column);
    void spbtBackClick();
    void spbtForwardClick();
    void spbtUpClick();
    void prepareForOpen();
    void updateForwardHint();

    void N1Click();
    void N2Click();
    void N6Click();
    // Decides which menu items show; true when the menu has commands.
    bool lvInfoContextPopup();
    void spbtCommentClick();

    void spbtSearchClick();
    // F3: the search once more with the mask last searched for; the mask window before the first.
    void searchAgainClick();
    void showSearchResults();
    // Ctrl+Shift+F: the filtered-search window, beside this one; its Find lists the entries that
    // pass as search results and shows their count there.
    void filteredSearchClick();
    void filterFindClick();
    TFilterForm* filterForm();
    // Ctrl+Shift+K: the window that searches every list of the catalogue, with or without an
    // open list; its Find fills its own table.
    void catalogClick();
    void catalogFindClick();
    TCatalogForm* catalogForm();
    // A double-click on a catalogue row: its list is opened (after the question about unsaved
    // changes) unless it is the open one, and the Entry's folder shown with the Entry selected.
    void catalogOpenRow(const CatalogRow& row);
    // A catalogued list's file at the Entry at `ord` of its walk; when the file is missing, the
    // offer of the catalogue's copy.
    void catalogOpenList(const std::string& listPath, std::uint32_t ord);
    // Ctrl+I: the summary window, beside this one, kept up to date while it is open.
    void summaryClick();
    TSummaryForm* summaryForm();

    // Ctrl+Shift+M, Ctrl+Shift+T, Ctrl+Shift+L: the window of where the space goes below the
    // shown folder, beside this one, on its treemap, its types or its largest files; it follows
    // the folder shown here.
    void treemapClick();
    void typesClick();
    void largestClick();
    TSpaceForm* spaceForm();
    // The catalogue window's space window over every list, once made.
    TSpaceForm* catalogueSpaceForm();

    // Ctrl+Z, Ctrl+Shift+Z / Ctrl+Y: the document's undo and redo.
    void undoClick();
    void redoClick();
    // Ctrl+C: the whole paths of the selected rows in the root's style (wholePath), one a line,
    // to the clipboard.
    void copyPathsClick();
    // A key moved the folder tree's selection: shown as a click on the node would show it.
    void tvTreeOfFileKeyMove();

    void mmSaveTextClick();
    // Ctrl+Shift+E: the shown rows (in their shown order) or the whole list as a CSV file.
    void mmSaveCsvClick();
    void mmPrintClick();
    void spbtAboutClick();
    // Ctrl+Shift+P or F1: the command window over every command of the window that has a name.
    void commandWindowClick();
    CommandWindow* commandWindow();
    void spbtLinkBrelvikClick();

    // ---- controls ----
    QFrame* Panel = nullptr;
    QToolButton *spbtOpen = nullptr, *spbtBack = nullptr, *spbtForward = nullptr, *spbtUp = nullptr,
                *spbtSearch = nullptr, *spbtNeed = nullptr, *spbtNotNeed = nullptr,
                *spbtUnmark = nullptr, *spbtSave = nullptr, *spbtPrint = nullptr,
                *spbtSaveText = nullptr, *spbtAbout = nullptr;
    QWidget* Panel1 = nullptr;
    ui::LinkLabel* BRELVIKImage = nullptr;
    QTreeView* tvTreeOfFile = nullptr;
    QSplitter* Splitter1 = nullptr;
    QTreeView* lvInfo = nullptr;
    QMenu* PopupMenu = nullptr;
    QAction *N1 = nullptr, *N2 = nullptr, *N8 = nullptr, *pupComment = nullptr;
    QAction *neededAction = nullptr, *notneededAction = nullptr, *clearAction = nullptr,
            *commentAction = nullptr, *helpAction = nullptr;
    QAction *backAction = nullptr, *forwardAction = nullptr, *upAction = nullptr;
    // The commands of the buttons (each button shows its action) and of the keys.
    QAction *openAction = nullptr, *saveAction = nullptr, *searchAction = nullptr,
            *printAction = nullptr, *exportTextAction = nullptr, *undoAction = nullptr,
            *redoAction = nullptr;
    // The commands of keys only.
    QAction *findAgainAction = nullptr, *closeAction = nullptr, *copyPathsAction = nullptr,
            *exportCsvAction = nullptr, *summaryAction = nullptr, *catalogAction = nullptr,
            *filteredSearchAction = nullptr, *commandsAction = nullptr;
    // Every command of the window, in the order it was made.
    const QList<QAction*>& commands() const { return m_commands; }
    QAction *treemapAction = nullptr, *typesAction = nullptr, *largestAction = nullptr;

protected:
    void changeEvent(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    friend class DocumentController;
    friend class NavigationController;
    friend class SearchController;
    friend class ExportController;
    friend class CatalogController;
    friend class SpaceController;

    // ---- layout (infofileform.cpp) ----
    void buildControls();
    QToolButton* toolButton(const char* name, int left, int width, const char* themeIcon,
                            int standardIcon);
    // A light palette keeps the list's designed colours on white; a dark one is followed, with
    // the mark colours kept and every text readable on its background.
    void applyListColours();

    // ---- commands and jobs (infofileform_actions.cpp) ----
    void buildActions();
    void connectControls();
    // A command of the window: an action with its keys that the busy state turns off.
    QAction* command(const QList<QKeySequence>& keys, const std::function<void()>& run);
    // Runs a command from an event. Nothing runs while a job does; an error that escapes the
    // command is shown, and the window ends enabled.
    void guarded(const std::function<void()>& command);
    // The busy state: every command off, the window disabled (the progress window and the busy
    // panel are windows of their own and stay usable).
    void setBusy(bool busy);
    // Every command on unless a job runs; the commands that change the list stay off while the
    // window is read-only.
    void enableCommands(bool busy);
    void setReadOnly(bool readOnly);
    // Runs `work` on the worker thread; `then(outcome)` runs here when it has ended, guarded as
    // a command is.
    template <class Work, class Then> void runJob(Work work, Then then) {
        m_jobs->run(std::move(work), [this, then = std::move(then)](auto& outcome) mutable {
            guarded([&] { then(outcome); });
        });
    }
    // The same behind the busy panel `text`, centred on `centreOn`.
    template <class Work, class Then>
    void runBehindPanel(const QString& text, QWidget* centreOn, Work work, Then then) {
        showBusyPanel(text, centreOn);
        runJob(std::move(work), [this, then = std::move(then)](auto& outcome) mutable {
            m_busyPanel.reset();
            then(outcome);
        });
    }
    // The same behind the progress window `caption`, whose bar follows what the work reports to
    // m_progress.callback() (or to the runner); `then(cancelled, outcome)` is told whether the
    // user closed the progress window.
    template <class Work, class Then>
    void runWithProgress(const QString& caption, Work work, Then then) {
        startProgress(caption);
        runJob(std::move(work), [this, then = std::move(then)](auto& outcome) mutable {
            const bool cancelled = endProgress();
            then(cancelled, outcome);
        });
    }
    void showBusyPanel(const QString& text, QWidget* centreOn);
    void startProgress(const QString& caption);
    bool endProgress();
    void showMessage(const QString& text, UserDialogs::Icon icon = UserDialogs::Icon::None);
    TMaskForm* maskForm();
    ui::TAboutForm* aboutForm();
    TCommentForm* commentForm();

    // ---- marks and comments (infofileform_commands.cpp) ----
    void applyMarkCommand(MarkCommand cmd);

    std::unique_ptr<UserDialogs> m_dialogs;
    ui::StringTables m_tables;
    ui::ProgressDisplay m_progress;
    std::unique_ptr<ui::TOpenSaveForm> m_busyPanel;

    // The open document and the views over it.
    std::unique_ptr<Document> m_doc;
    QString m_listFilePath;
    Navigator m_nav;
    FolderModel* m_folders = nullptr;
    DetailModel* m_model = nullptr;

    TMaskForm* m_maskForm = nullptr;
    ui::TAboutForm* m_aboutForm = nullptr;
    TCommentForm* m_commentForm = nullptr;
    CommandWindow* m_commandWindow = nullptr;
    QList<QAction*> m_commands;     // every command the busy state turns off
    QList<QAction*> m_editCommands; // those that change the list
    bool m_readOnly = false;
    // True while a mark command runs from its key: in the folder tree it marks the tree's folder.
    bool m_markFromKey = false;

    std::unique_ptr<DocumentController> m_documentCtl;
    std::unique_ptr<NavigationController> m_navigationCtl;
    std::unique_ptr<SearchController> m_searchCtl;
    std::unique_ptr<ExportController> m_exportCtl;
    std::unique_ptr<CatalogController> m_catalogCtl;
    std::unique_ptr<SpaceController> m_spaceCtl;
    // Last: destroyed first, waiting for a job that still reads the document.
    std::unique_ptr<ui::JobRunner> m_jobs;
};

} // namespace kx
