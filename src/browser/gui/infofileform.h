// The main window TInfoFileForm: toolbar, folder tree, detail list and the open document, with
// its commands (open, save, close, navigation, marks, comments, search, export, print, about).
#pragma once

#include "browser/document.h"
#include "browser/gui/detailmodel.h"
#include "browser/gui/foldermodel.h"
#include "browser/gui/userdialogs.h"
#include "browser/navigator.h"
#include "listfile/entry.h"
#include "listfile/io/error.h"
#include "output/exportfile.h"
#include "query/summary.h"
#include "support/gui/progress.h"
#include "support/strings.h"

#include <QKeySequence>
#include <QList>
#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QDialog;
class QFrame;
class QLabel;
class QMenu;
class QSplitter;
class QToolButton;
class QTreeView;

namespace kx {

class TMaskForm;
class TCommentForm;
class TFilterForm;
class FilterFields;
class TSummaryForm;
struct EntryFilter;
class TCatalogForm;
struct CatalogRow;
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
    bool openFromCommandLine() const { return m_openFromCommandLine; }
    // True while a long job (open, save, export, print) runs on its worker thread.
    bool busy() const { return m_busy; }

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
    // Asks about unsaved changes; true when the window may close.
    bool FormCloseQuery();
    void applyStringTables();
    void spbtOpenClick(QWidget* initiator);
    // Returns true when the list file was written in full.
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
    // Ctrl+I: the summary window, beside this one, kept up to date while it is open.
    void summaryClick();
    TSummaryForm* summaryForm();

    // Ctrl+Z, Ctrl+Shift+Z / Ctrl+Y: the document's undo and redo.
    void undoClick();
    void redoClick();
    // Ctrl+C: the full disk paths of the selected rows, one a line, to the clipboard.
    void copyPathsClick();
    // A key moved the folder tree's selection: shown as a click on the node would show it.
    void tvTreeOfFileKeyMove();

    void mmSaveTextClick();
    // Ctrl+Shift+E: the shown rows (in their shown order) or the whole list as a CSV file.
    void mmSaveCsvClick();
    void mmPrintClick();
    void spbtAboutClick();
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

protected:
    void changeEvent(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // ---- layout (infofileform.cpp) ----
    void buildControls();
    void connectControls();
    QToolButton* toolButton(const char* name, int left, int width, const char* themeIcon,
                            int standardIcon);
    // The keys that have no menu item or button of their own (see connectControls).
    void addShortcut(const QList<QKeySequence>& keys, const std::function<void()>& command);
    // A light palette keeps the list's designed colours on white; a dark one is followed, with
    // the mark colours kept and every text readable on its background.
    void applyListColours();
    // Runs a command from an event. Nothing runs while a job does; an error that escapes the
    // command is shown, and the window ends enabled.
    void guarded(const std::function<void()>& command);

    // ---- document glue (infofileform_document.cpp) ----
    // Runs `work` on a worker thread while this window takes no command, drop or close and
    // keeps painting; returns once it has ended and rethrows here what it threw.
    void runInBackground(const std::function<void()>& work);
    // The same behind the progress window `caption`, whose bar follows what the work reports
    // to m_progress.callback(); the main window is disabled meanwhile. True when the user
    // cancelled through the progress window. What the work threw comes back here once both
    // windows are restored.
    bool runWithProgress(const QString& caption, const std::function<void()>& work);
    void openChosenFile(const QString& chosen, QWidget* initiator);
    void setDocument(std::unique_ptr<Document> doc, const QString& path);
    // The close question; true when the caller may go on (saved, or changes discarded).
    bool settleUnsavedChanges();
    void clearDocumentViews();
    void showMessage(const QString& text, UserDialogs::Icon icon = UserDialogs::Icon::None);
    // A path as the file system names it (the local 8-bit encoding of file names).
    static std::string localPath(const QString& path);
    // What went wrong, in the interface's language (the code's row of the message table), and
    // the same followed by " - " and the path when the error has one.
    QString errorMessage(const Error& e) const;
    QString errorWithPath(const Error& e) const;
    void showError(const Error& e);

    // ---- navigation glue (infofileform_navigation.cpp) ----
    void applyMove(const Move& m);
    void setBackHint();
    void setHint(QWidget* w, const QString& text);
    void selectNode(const Entry* node);
    // Selects a row given as the navigator counts rows (the list's own order).
    void selectRow(int listRow, bool focus);
    // The selected rows as the navigator counts them: the first as shown, and all ascending.
    int firstSelectedListRow() const;
    std::vector<int> selectedListRows() const;
    // The header's sort indicator as the model sorts.
    void showSortIndicator();

    // ---- commands (infofileform_commands.cpp) ----
    void applyMarkCommand(MarkCommand cmd);
    void searchFor(const QString& mask);
    // Runs a search behind the busy panel and shows its results; returns how many were found.
    std::size_t runSearch(const std::function<SearchResults()>& find);
    // Refills the summary window when it is open. The totals of the whole list and of the shown
    // folder are walked again only after a change of the list or of the folder shown.
    void updateSummary();
    void listChangedForSummary();
    // What a filter window asks for; false, once a bad value has been told, when it asks for none.
    bool readFilterOf(const FilterFields& form, EntryFilter& filter, bool& storable);
    // Shows a window that stays open beside this one; without a list, says so instead.
    bool showBeside(QDialog* form);
    // Asks for the export's file (proposed: the list's name with `extension`, beside it) and
    // whether to replace it; the empty text when the user cancels.
    QString chooseExportFile(const QString& title, const QString& filter, const QString& extension);
    // Runs an export or a print job as runWithProgress does and tells, without a path, the
    // kx::Error that ends it. True when the user cancelled.
    bool runAndTell(const QString& caption, const std::function<void()>& work);
    // After a save: a list that the catalogue holds is indexed again there, behind the progress
    // window; a failure is told, the save stands.
    void refreshCatalogue();
    TMaskForm* maskForm();
    ui::TAboutForm* aboutForm();
    TCommentForm* commentForm();

    std::unique_ptr<UserDialogs> m_dialogs;
    ui::StringTables m_tables;
    ui::ProgressDisplay m_progress;

    std::unique_ptr<Document> m_doc;
    QString m_listFilePath;
    bool m_openFromCommandLine = false;
    bool m_openDropped = false;
    bool m_busy = false;
    QString m_commandLineFile;
    QString m_droppedFile; // the Open dialog's file name when a drop starts the open
    QWidget* m_initiator = nullptr;
    QString m_lastMask; // the mask of the last search, for F3

    Navigator m_nav;
    FolderModel* m_folders = nullptr;
    DetailModel* m_model = nullptr;
    TMaskForm* m_maskForm = nullptr;
    ui::TAboutForm* m_aboutForm = nullptr;
    TCommentForm* m_commentForm = nullptr;
    TFilterForm* m_filterForm = nullptr;
    TSummaryForm* m_summaryForm = nullptr;
    TCatalogForm* m_catalogForm = nullptr;
    std::optional<Summary> m_allSummary, m_shownSummary;
    const Entry* m_summaryShown = nullptr; // the folder m_shownSummary is of
};

} // namespace kx
