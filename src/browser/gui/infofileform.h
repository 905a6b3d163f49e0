// The main window TInfoFileForm: toolbar, folder tree, detail list and the open document, with
// its commands (open, save, close, navigation, marks, comments, search, export, print, about).
#pragma once

#include "browser/gui/detailmodel.h"
#include "browser/gui/foldertree.h"
#include "browser/gui/userdialogs.h"
#include "browser/history.h"
#include "browser/marks.h"
#include "browser/search.h"
#include "listfile/container.h"
#include "listfile/entry.h"
#include "support/gui/progress.h"
#include "support/strings.h"

#include <QMainWindow>
#include <QStringList>

#include <memory>
#include <string>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QSplitter;
class QToolButton;
class QTreeView;
class QTreeWidget;

namespace kx {

class TMaskForm;
class TCommentForm;
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
    Entry* root() const { return m_tree ? m_tree->root() : nullptr; }
    const QString& listFilePath() const { return m_listFilePath; }
    std::string headerText() const { return m_tree ? m_tree->headerText : std::string(); }
    bool listModified() const { return m_listModified; }
    bool openFromCommandLine() const { return m_openFromCommandLine; }

    // ---- folder view and navigation state ----
    bool searchMode() const { return m_searchMode; }
    bool hasUpRow() const { return m_model->hasUpRow(); }
    const std::vector<Entry*>& rowEntries() const { return m_model->rowEntries(); }
    FolderNode* currentNode() const { return m_currentNode; }
    FolderNode* rootNode() const;
    FolderNode* selectedNode() const;
    const History<FolderNode*>& history() const { return m_history; }
    int searchRowIndex() const { return m_searchRowIndex; }
    const SearchResults& searchResults() const { return m_results; }
    DetailModel* model() const { return m_model; }
    const ui::StringTables& tables() const { return m_tables; }
    ui::Progress& progress() { return m_progress; }
    // Rows of the detail list that are selected, ascending.
    std::vector<int> selectedRows() const;
    // The first selected row, or -1.
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

    bool showFolder(const std::string& folderPath, const std::string& diskPath);
    void tvTreeOfFileClick();
    void tvTreeOfFileMouseUp(const QPoint& viewportPos);
    void lvInfoDblClick();
    void lvInfoKeyDown(int key);
    void lvInfoChange();
    void spbtBackClick();
    void spbtForwardClick();
    void spbtUpClick();
    void prepareForOpen();
    void clearForwardStack();
    void updateForwardHint();

    void N1Click();
    void N2Click();
    void N6Click();
    // Decides which menu items show; true when the menu has commands.
    bool lvInfoContextPopup();
    void spbtCommentClick();

    void spbtSearchClick();
    void showSearchResults();

    void mmSaveTextClick();
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
    QTreeWidget* tvTreeOfFile = nullptr;
    QSplitter* Splitter1 = nullptr;
    QTreeView* lvInfo = nullptr;
    QMenu* PopupMenu = nullptr;
    QAction *N1 = nullptr, *N2 = nullptr, *N8 = nullptr, *pupComment = nullptr;
    QAction *neededAction = nullptr, *notneededAction = nullptr, *clearAction = nullptr,
            *commentAction = nullptr, *helpAction = nullptr;
    QAction *backAction = nullptr, *forwardAction = nullptr, *upAction = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildControls();
    QToolButton* toolButton(const char* name, int left, int width, const char* themeIcon,
                            int standardIcon);
    // Runs a command; an error that escapes it ends the command quietly with the window enabled.
    template <class F> void guarded(F&& command);

    // Open flow after the file is chosen.
    void openChosenFile(const QString& chosen, QWidget* initiator);
    // The close question; true when the caller may go on (saved, or changes discarded).
    bool settleUnsavedChanges();
    WriteProgress saveProgress();
    void clearDocumentViews();
    void historyReset();

    bool showNode(FolderNode* node);
    void recordCurrentFolder(bool onlyIfNotOnTop);
    void setBackHint();
    void setHint(QWidget* w, const QString& text);
    void selectNode(FolderNode* node);
    int firstRealRow() const;
    int findRowCaption(const QString& text, int fromRow, Qt::CaseSensitivity cs) const;
    void selectRow(int row, bool focus);
    void searchResultDblClick();
    void applyMarkCommand(MarkCommand cmd);
    void showMessage(const QString& text, UserDialogs::Icon icon = UserDialogs::Icon::None);

    TMaskForm* maskForm();
    ui::TAboutForm* aboutForm();
    TCommentForm* commentForm();

    std::unique_ptr<UserDialogs> m_dialogs;
    ui::StringTables m_tables;
    ui::Progress m_progress;
    std::unique_ptr<TreeImages> m_images; // made once the icon theme is set up

    ListContainer m_container;
    std::unique_ptr<EntryTree> m_tree;
    QString m_listFilePath;
    bool m_listModified = false;
    bool m_openFromCommandLine = false;
    bool m_openDropped = false;
    QString m_commandLineFile;
    QString m_droppedFile; // the Open dialog's file name when a drop starts the open
    QWidget* m_initiator = nullptr;

    History<FolderNode*> m_history;
    FolderNode* m_currentNode = nullptr;
    FolderNode* m_shownNode = nullptr; // the node whose folder the detail list shows
    bool m_searchMode = false;
    int m_searchRowIndex = 0;
    SearchResults m_results;

    DetailModel* m_model = nullptr;
    TMaskForm* m_maskForm = nullptr;
    ui::TAboutForm* m_aboutForm = nullptr;
    TCommentForm* m_commentForm = nullptr;
};

} // namespace kx
