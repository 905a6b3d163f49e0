// The main window: layout, document lifecycle, folder view, navigation and the command wiring.
#include "browser/gui/infofileform.h"

#include "browser/gui/commentform.h"
#include "browser/gui/maskform.h"
#include "browser/rowformat.h"
#include "listfile/codepage.h"
#include "listfile/innerlist.h"
#include "listfile/listfile.h"
#include "output/printing.h"
#include "output/textexport.h"
#include "support/gui/aboutform.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QToolTip>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

namespace kx {

namespace {

constexpr int kPanelHeight = 53;
constexpr int kLogoPanelWidth = 119;
constexpr int kTreeWidth = 201;
constexpr int kMinHeight = 201;

// Draws the cell borders of the detail list.
class GridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(QColor(0xD8, 0xD8, 0xD8));
        const QRect r = option.rect;
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->restore();
    }
    // Every row is as high as a row with an icon, also the ".." row that has none: the list's
    // uniform row height is taken from its first row.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), option.decorationSize.height() + 2));
        return size;
    }
};

// Leading and trailing blanks and control characters go.
QString trimmedArgument(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 0x20)
        ++b;
    while (e > b && s[e - 1].unicode() <= 0x20)
        --e;
    return s.mid(b, e - b);
}

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString messageText(const char* what) {
    return QString::fromLocal8Bit(what);
}

} // namespace

template <class F> void TInfoFileForm::guarded(F&& command) {
    try {
        command();
    } catch (...) {
        // Nothing to say beyond what the command reported itself; the window stays usable.
        setEnabled(true);
    }
}

TInfoFileForm::TInfoFileForm(const QStringList& args, std::unique_ptr<UserDialogs> dialogs,
                             QWidget* parent)
    : QMainWindow(parent),
      m_dialogs(dialogs ? std::move(dialogs) : std::make_unique<UserDialogs>()), m_progress(this) {
    setObjectName(QStringLiteral("TInfoFileForm"));
    setWindowTitle(ui::applicationTitle());
    buildControls();
    FormCreate(args);
}

TInfoFileForm::~TInfoFileForm() {
    // Nodes and rows refer to the Entries: let go of them before the tree goes.
    m_history.reset();
    m_currentNode = m_shownNode = nullptr;
    m_results = SearchResults();
    m_model->clear();
    clearFolderTree(tvTreeOfFile);
    freeEntry(m_tree);
}

void TInfoFileForm::setForms(TMaskForm* mask, ui::TAboutForm* about, TCommentForm* comment) {
    m_maskForm = mask;
    m_aboutForm = about;
    m_commentForm = comment;
}

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

TCommentForm* TInfoFileForm::commentForm() {
    if (!m_commentForm) m_commentForm = new TCommentForm(this);
    return m_commentForm;
}

// ---------------------------------------------------------------- layout

QToolButton* TInfoFileForm::toolButton(const char* name, int left, int width, const char* themeIcon,
                                       int standardIcon) {
    auto* b = new QToolButton(Panel);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(left, 2, width, 48);
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setAutoRaise(true);
    b->setIconSize(QSize(24, 24));
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(themeIcon));
    if (icon.isNull())
        icon = style()->standardIcon(static_cast<QStyle::StandardPixmap>(standardIcon));
    b->setIcon(icon);
    b->installEventFilter(this);
    return b;
}

void TInfoFileForm::buildControls() {
    ui::initResources();
    // Icon themes live in the desktop's data folders, which not every platform plugin searches.
    QStringList iconPaths = QIcon::themeSearchPaths();
    for (const QString& d :
         QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                   QStandardPaths::LocateDirectory))
        if (!iconPaths.contains(d)) iconPaths << d;
    QIcon::setThemeSearchPaths(iconPaths);
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor")) {
        for (const QString& d : iconPaths)
            if (QFileInfo::exists(d + QStringLiteral("/Adwaita/index.theme"))) {
                QIcon::setThemeName(QStringLiteral("Adwaita"));
                break;
            }
    }
    m_images = std::make_unique<TreeImages>();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);

    Panel = new QFrame(central);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setFixedHeight(kPanelHeight);
    Panel->setMouseTracking(true);
    Panel->installEventFilter(this);
    layout->addWidget(Panel);
    QFont small = Panel->font();
    // Captions under the pictures fit the designed button widths.
    small.setPointSizeF(std::max(6.5, small.pointSizeF() - 2.0));
    Panel->setFont(small);

    spbtOpen = toolButton("spbtOpen", 0, 52, "document-open", QStyle::SP_DialogOpenButton);
    spbtBack = toolButton("spbtBack", 54, 52, "go-previous", QStyle::SP_ArrowBack);
    spbtForward = toolButton("spbtForward", 106, 52, "go-next", QStyle::SP_ArrowForward);
    spbtUp = toolButton("spbtUp", 158, 52, "go-up", QStyle::SP_ArrowUp);
    spbtSearch = toolButton("spbtSearch", 210, 57, "edit-find", QStyle::SP_FileDialogContentsView);
    spbtNeed = toolButton("spbtNeed", 268, 61, "emblem-default", QStyle::SP_DialogApplyButton);
    spbtNotNeed =
        toolButton("spbtNotNeed", 329, 61, "emblem-unreadable", QStyle::SP_DialogNoButton);
    spbtUnmark = toolButton("spbtUnmark", 390, 61, "edit-clear", QStyle::SP_DialogResetButton);
    spbtSave = toolButton("spbtSave", 451, 61, "document-save", QStyle::SP_DialogSaveButton);
    spbtPrint =
        toolButton("spbtPrint", 514, 61, "document-print", QStyle::SP_FileDialogDetailedView);
    spbtSaveText =
        toolButton("spbtSaveText", 575, 61, "document-export", QStyle::SP_FileDialogListView);
    spbtAbout = toolButton("spbtAbout", 639, 75, "help-about", QStyle::SP_MessageBoxInformation);
    for (int left : {-1, 53, 266, 512, 637}) {
        auto* line = new QFrame(Panel);
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Sunken);
        line->setGeometry(left, 4, 3, 45);
    }
    Panel1 = new QWidget(Panel);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->resize(kLogoPanelWidth, kPanelHeight);
    BRELVIKImage = new ui::LinkLabel(Panel1);
    BRELVIKImage->setObjectName(QStringLiteral("BRELVIKImage"));
    BRELVIKImage->setGeometry(15, 10, 102, 37);
    BRELVIKImage->setAlignment(Qt::AlignCenter);
    const QPixmap logo(QStringLiteral(":/fentaro/logo.png"));
    if (!logo.isNull())
        BRELVIKImage->setPixmap(
            logo.scaled(102, 37, Qt::KeepAspectRatio, Qt::SmoothTransformation));

    Splitter1 = new QSplitter(Qt::Horizontal, central);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);
    layout->addWidget(Splitter1, 1);

    tvTreeOfFile = new QTreeWidget(Splitter1);
    tvTreeOfFile->setObjectName(QStringLiteral("tvTreeOfFile"));
    tvTreeOfFile->setHeaderHidden(true);
    tvTreeOfFile->setColumnCount(1);
    tvTreeOfFile->setIndentation(19);
    tvTreeOfFile->setSelectionMode(QAbstractItemView::SingleSelection);
    tvTreeOfFile->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvTreeOfFile->setSortingEnabled(false);
    tvTreeOfFile->setUniformRowHeights(true);
    tvTreeOfFile->viewport()->installEventFilter(this);

    m_model = new DetailModel(this);
    lvInfo = new QTreeView(Splitter1);
    lvInfo->setObjectName(QStringLiteral("lvInfo"));
    lvInfo->setModel(m_model);
    lvInfo->setRootIsDecorated(false);
    lvInfo->setItemsExpandable(false);
    lvInfo->setUniformRowHeights(true);
    lvInfo->setSortingEnabled(false);
    lvInfo->setAllColumnsShowFocus(true);
    lvInfo->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvInfo->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvInfo->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvInfo->setItemDelegate(new GridDelegate(lvInfo));
    lvInfo->setContextMenuPolicy(Qt::CustomContextMenu);
    lvInfo->setIconSize(QSize(16, 16));
    lvInfo->header()->setSectionsClickable(false);
    lvInfo->header()->setSectionsMovable(false);
    lvInfo->header()->setStretchLastSection(false);
    lvInfo->header()->setDefaultAlignment(Qt::AlignCenter);
    const int widths[] = {150, 87, 121, 120, 70, 139};
    for (int c = 0; c < DetailModel::colCount; ++c) {
        lvInfo->header()->setSectionResizeMode(c, QHeaderView::Interactive);
        lvInfo->setColumnWidth(c, widths[c]);
    }
    QPalette white = lvInfo->palette();
    white.setColor(QPalette::Base, Qt::white);
    lvInfo->setPalette(white);
    lvInfo->installEventFilter(this);
    lvInfo->viewport()->installEventFilter(this);

    Splitter1->addWidget(tvTreeOfFile);
    Splitter1->addWidget(lvInfo);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kTreeWidth, 922 - kTreeWidth - 3});

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setFixedHeight(19);

    neededAction = new QAction(this);
    notneededAction = new QAction(this);
    clearAction = new QAction(this);
    commentAction = new QAction(this);
    helpAction = new QAction(this);
    helpAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F1));
    helpAction->setShortcutContext(Qt::WindowShortcut);
    addAction(helpAction);
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

    backAction = new QAction(this);
    backAction->setShortcuts(
        {QKeySequence(Qt::Key_Backspace), QKeySequence(Qt::ALT | Qt::Key_Left)});
    forwardAction = new QAction(this);
    forwardAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
    upAction = new QAction(this);
    upAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Up));
    for (QAction* a : {backAction, forwardAction, upAction}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }

    // Wiring: every command runs guarded.
    connect(spbtOpen, &QToolButton::clicked, this,
            [this] { guarded([&] { spbtOpenClick(spbtOpen); }); });
    connect(spbtSave, &QToolButton::clicked, this,
            [this] { guarded([&] { spbtSaveClick(spbtSave); }); });
    connect(spbtBack, &QToolButton::clicked, this, [this] { guarded([&] { spbtBackClick(); }); });
    connect(spbtForward, &QToolButton::clicked, this,
            [this] { guarded([&] { spbtForwardClick(); }); });
    connect(spbtUp, &QToolButton::clicked, this, [this] { guarded([&] { spbtUpClick(); }); });
    connect(backAction, &QAction::triggered, this, [this] { guarded([&] { spbtBackClick(); }); });
    connect(forwardAction, &QAction::triggered, this,
            [this] { guarded([&] { spbtForwardClick(); }); });
    connect(upAction, &QAction::triggered, this, [this] { guarded([&] { spbtUpClick(); }); });
    connect(spbtSearch, &QToolButton::clicked, this,
            [this] { guarded([&] { spbtSearchClick(); }); });
    connect(neededAction, &QAction::triggered, this, [this] { guarded([&] { N1Click(); }); });
    connect(notneededAction, &QAction::triggered, this, [this] { guarded([&] { N2Click(); }); });
    connect(clearAction, &QAction::triggered, this, [this] { guarded([&] { N6Click(); }); });
    connect(commentAction, &QAction::triggered, this,
            [this] { guarded([&] { spbtCommentClick(); }); });
    connect(N1, &QAction::triggered, neededAction, &QAction::trigger);
    connect(N2, &QAction::triggered, notneededAction, &QAction::trigger);
    connect(N8, &QAction::triggered, clearAction, &QAction::trigger);
    connect(pupComment, &QAction::triggered, commentAction, &QAction::trigger);
    connect(spbtPrint, &QToolButton::clicked, this, [this] { guarded([&] { mmPrintClick(); }); });
    connect(spbtSaveText, &QToolButton::clicked, this,
            [this] { guarded([&] { mmSaveTextClick(); }); });
    connect(spbtAbout, &QToolButton::clicked, this, [this] { guarded([&] { spbtAboutClick(); }); });
    connect(helpAction, &QAction::triggered, this, [this] { guarded([&] { spbtAboutClick(); }); });
    connect(BRELVIKImage, &ui::LinkLabel::clicked, this,
            [this] { guarded([&] { spbtLinkBrelvikClick(); }); });
    connect(lvInfo, &QTreeView::doubleClicked, this,
            [this] { guarded([&] { lvInfoDblClick(); }); });
    connect(lvInfo->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { guarded([&] { lvInfoChange(); }); });
    connect(lvInfo, &QTreeView::customContextMenuRequested, this, [this](const QPoint& pos) {
        guarded([&] {
            if (lvInfoContextPopup())
                m_dialogs->popupMenu(*PopupMenu, lvInfo->viewport()->mapToGlobal(pos));
        });
    });
}

// ---------------------------------------------------------------- creation and showing

void TInfoFileForm::FormCreate(const QStringList& args) {
    ui::buildStringTables(m_tables);
    spbtAbout->resize(ui::languageIs("ENG") ? 61 : 75, spbtAbout->height());
    setMinimumSize(spbtAbout->x() + spbtAbout->width() + kLogoPanelWidth + 30, kMinHeight);
    resize(922, 499);
    ui::centreWindow(this, nullptr);
    setAcceptDrops(true);
    m_openFromCommandLine = m_searchMode = m_listModified = m_openDropped = false;
    m_progress.abortFlag() = false;
    m_listFilePath.clear();

    const QStringList rest = ui::stripLanguageArgs(args);
    const QString arg = rest.isEmpty() ? QString() : trimmedArgument(rest.first());
    if (arg.isEmpty()) return;
    if (QFileInfo(arg).isFile()) {
        m_openFromCommandLine = true;
        m_commandLineFile = arg;
        return;
    }
    const bool eng = ui::languageIs("ENG");
    m_dialogs->message(
        this, UserDialogs::Icon::Error, eng ? QStringLiteral("Error") : QStringLiteral("Ошибка"),
        (eng ? QStringLiteral("File not found ") : QStringLiteral("Не найден файл: ")) + arg);
}

void TInfoFileForm::applyStringTables() {
    const ui::StringTables& t = m_tables;
    const std::pair<QToolButton*, int> buttons[] = {
        {spbtOpen, 0}, {spbtBack, 1},  {spbtForward, 2},   {spbtUp, 3},    {spbtSearch, 4},
        {spbtSave, 8}, {spbtPrint, 9}, {spbtSaveText, 10}, {spbtAbout, 11}};
    for (const auto& [b, i] : buttons) {
        b->setText(t.caption(i));
        b->setToolTip(t.hint(i));
    }
    BRELVIKImage->setToolTip(t.hint(21));
    QStringList columns;
    for (int i = 13; i <= 18; ++i)
        columns << t.caption(i);
    m_model->setColumnCaptions(columns);
    const std::pair<QAction*, int> actions[] = {{helpAction, 11},
                                                {commentAction, 12},
                                                {neededAction, 5},
                                                {notneededAction, 6},
                                                {clearAction, 7}};
    for (const auto& [a, i] : actions) {
        a->setText(t.caption(i));
        a->setToolTip(t.hint(i));
    }
    const std::pair<QAction*, QAction*> items[] = {
        {N1, neededAction}, {N2, notneededAction}, {N8, clearAction}, {pupComment, commentAction}};
    for (const auto& [item, action] : items) {
        item->setText(action->text());
        item->setToolTip(action->toolTip());
    }
    // The hints that navigation keeps up to date start from the current history.
    setBackHint();
    if (m_history.canForward())
        setHint(spbtForward, m_history.forwardTop()->text(0));
    else
        updateForwardHint();
    if (m_aboutForm) m_aboutForm->applyTexts(t);
}

void TInfoFileForm::FormShow() {
    applyStringTables();
    if (m_openFromCommandLine) spbtOpenClick(this);
}

void TInfoFileForm::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!e->spontaneous()) guarded([&] { FormShow(); });
}

bool TInfoFileForm::settleUnsavedChanges() {
    if (!root() || !m_listModified) return true;
    switch (m_dialogs->question(this, m_tables.message(10), m_tables.message(20), true)) {
    case UserDialogs::Answer::Yes:
        return spbtSaveClick(nullptr);
    case UserDialogs::Answer::No:
        return true;
    case UserDialogs::Answer::Cancel:
        break;
    }
    return false;
}

bool TInfoFileForm::FormCloseQuery() {
    return settleUnsavedChanges();
}

void TInfoFileForm::closeEvent(QCloseEvent* e) {
    bool mayClose = true;
    guarded([&] { mayClose = FormCloseQuery(); });
    if (mayClose)
        e->accept();
    else
        e->ignore();
}

void TInfoFileForm::showMessage(const QString& text, UserDialogs::Icon icon) {
    const QString caption =
        icon == UserDialogs::Icon::Error ? m_tables.message(0) : ui::applicationTitle();
    m_dialogs->message(this, icon, caption, text);
}

// ---------------------------------------------------------------- open

void TInfoFileForm::spbtOpenClick(QWidget* initiator) {
    QString chosen;
    if (m_openFromCommandLine) {
        m_openFromCommandLine = false;
        chosen = m_commandLineFile;
    } else {
        prepareForOpen();
        if (m_openDropped) {
            m_openDropped = false;
            chosen = m_droppedFile;
        } else {
            const QString dir =
                m_listFilePath.isEmpty() ? QString() : QFileInfo(m_listFilePath).absolutePath();
            chosen = m_dialogs->getOpenFileName(this, m_tables.caption(0), dir,
                                                qtFileFilter(m_tables.caption(22)));
            if (chosen.isEmpty()) return;
        }
    }
    // Unsaved marks and comments are never dropped without asking.
    if (!settleUnsavedChanges()) return;
    openChosenFile(chosen, initiator);
}

void TInfoFileForm::clearDocumentViews() {
    m_history.reset();
    m_currentNode = m_shownNode = nullptr;
    m_model->clear();
    m_results = SearchResults();
    clearFolderTree(tvTreeOfFile);
}

void TInfoFileForm::historyReset() {
    m_history.clearBack();
    clearForwardStack();
    setBackHint();
}

void TInfoFileForm::openChosenFile(const QString& chosen, QWidget* initiator) {
    const std::string path = localPath(chosen);
    // The list's one entry is inflated straight into the reader: no working file on disk.
    ListContainer container;
    std::unique_ptr<EntrySource> source;
    try {
        source = container.openEntry(path);
    } catch (const std::exception&) {
        showMessage(m_tables.message(2) + QStringLiteral(" - ") + chosen, UserDialogs::Icon::Error);
        return;
    }
    if (source->remaining() == 0) {
        showMessage(m_tables.message(5), UserDialogs::Icon::Error);
        return;
    }

    m_searchMode = false;
    m_listModified = false;
    m_initiator = initiator;
    m_listFilePath = chosen;
    m_container = container;
    ui::TOpenSaveForm busy(this, initiator == spbtOpen ? m_tables.caption(26) : QString());
    busy.showAndPaint();
    setEnabled(false);

    clearDocumentViews();
    freeEntry(m_tree);
    std::unique_ptr<EntryTree> tree;
    FolderTreeBuilder builder(*m_images);
    bool readFailed = false;
    try {
        tree = readInnerList(*source, &builder);
        source->verify();
    } catch (const std::exception&) {
        readFailed = true;
    }
    NodeTreePtr top(builder.take());
    source.reset();
    if (readFailed || !tree || !tree->root() || !top) {
        top.reset();
        tree.reset();
        busy.close();
        setEnabled(true);
        historyReset();
        showMessage(m_tables.message(6), UserDialogs::Icon::Error);
        return;
    }
    m_tree = std::move(tree);
    busy.close();
    setEnabled(true);

    FolderNode* rootItem = top.release();
    rootItem->setText(0, QFileInfo(chosen).fileName());
    tvTreeOfFile->addTopLevelItem(rootItem);
    rootItem->setExpanded(true);
    selectNode(rootItem);
    m_currentNode = rootItem;
    const std::string base = basePath(root()->name());
    tvTreeOfFile->setFocus();
    QCoreApplication::processEvents();
    if (showFolder(std::string(root()->name()) + '*', base)) m_shownNode = rootItem;
    historyReset();
}

bool TInfoFileForm::openDroppedFiles(const QStringList& paths) {
    for (const QString& p : paths) {
        const QString name = QFileInfo(p).fileName();
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot < 0 || name.mid(dot) != QLatin1String(".kx")) continue;
        m_openDropped = true;
        m_droppedFile = p;
        spbtOpenClick(this);
        return true;
    }
    return false;
}

void TInfoFileForm::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TInfoFileForm::dropEvent(QDropEvent* e) {
    QStringList paths;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    e->acceptProposedAction();
    guarded([&] { openDroppedFiles(paths); });
}

// ---------------------------------------------------------------- save

WriteProgress TInfoFileForm::saveProgress() {
    WriteProgress p = m_progress.writeProgress();
    // Packing takes most of a large save: the bar runs once more for it, and the progress window
    // can still be closed to cancel.
    p.packStep = [this](std::uint64_t done, std::uint64_t total) {
        if (!m_progress.abortFlag() && m_progress.form() && total > 0)
            m_progress.form()->pBar->setValue(int(done * 100 / total));
        QCoreApplication::processEvents();
    };
    return p;
}

bool TInfoFileForm::spbtSaveClick(QWidget* initiator) {
    if (!root()) {
        showMessage(m_tables.message(16));
        return false;
    }
    m_initiator = initiator;
    QCoreApplication::processEvents();
    setEnabled(false);
    m_progress.counter.total = 0;
    m_progress.counter.done = 0;
    m_progress.countProgressTotal(root());
    m_progress.showProgress(m_tables.message(17));

    bool busyCursor = false;
    bool complete = false;
    QString failure;
    try {
        complete =
            saveListFile(m_container, *m_tree, localPath(m_listFilePath), saveProgress(), [&] {
                QGuiApplication::setOverrideCursor(Qt::BusyCursor);
                busyCursor = true;
            });
    } catch (const std::exception& e) {
        failure = messageText(e.what());
        if (failure.isEmpty()) failure = m_tables.message(6);
    }
    if (!m_progress.abortFlag()) m_progress.closeProgress();
    m_progress.abortFlag() = false;
    if (busyCursor) QGuiApplication::restoreOverrideCursor();
    setEnabled(true);
    // The root's name may have been cleared by the write: the folder rows keep their Entries.
    if (!failure.isEmpty()) {
        showMessage(m_tables.message(23) + QStringLiteral(" - ") + failure,
                    UserDialogs::Icon::Error);
        return false;
    }
    if (!complete) {
        showMessage(m_tables.message(24));
        return false;
    }
    m_listModified = false;
    return true;
}

// ---------------------------------------------------------------- folder view

FolderNode* TInfoFileForm::rootNode() const {
    return tvTreeOfFile->topLevelItemCount() > 0
               ? static_cast<FolderNode*>(tvTreeOfFile->topLevelItem(0))
               : nullptr;
}

FolderNode* TInfoFileForm::selectedNode() const {
    const QList<QTreeWidgetItem*> items = tvTreeOfFile->selectedItems();
    return items.isEmpty() ? nullptr : static_cast<FolderNode*>(items.first());
}

void TInfoFileForm::selectNode(FolderNode* node) {
    if (node) tvTreeOfFile->setCurrentItem(node);
}

bool TInfoFileForm::showFolder(const std::string& folderPath, const std::string& diskPath) {
    Entry* r = root();
    Entry* folder = resolveFolderPath(r, folderPath);
    if (!folder) return false;
    foldersFirst(folder->children);
    const bool upRow = folder->name() != r->name();
    lvInfo->setUpdatesEnabled(false);
    m_model->showFolderRows(folder->children, upRow, diskPath);
    lvInfo->setUpdatesEnabled(true);
    return true;
}

bool TInfoFileForm::showNode(FolderNode* node) {
    if (!node) return false;
    const std::string path = folderPathOf(node);
    if (!showFolder(path, diskPath(path))) return false;
    m_shownNode = node;
    return true;
}

std::vector<int> TInfoFileForm::selectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& i : lvInfo->selectionModel()->selectedRows())
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int TInfoFileForm::firstSelectedRow() const {
    int first = -1;
    for (const QItemSelectionRange& range : lvInfo->selectionModel()->selection())
        if (first < 0 || range.top() < first) first = range.top();
    return first;
}

int TInfoFileForm::firstRealRow() const {
    const int n = m_model->rowCount();
    if (n == 0) return -1;
    return n > 1 && m_model->isUpRow(0) ? 1 : 0;
}

int TInfoFileForm::findRowCaption(const QString& text, int fromRow, Qt::CaseSensitivity cs) const {
    for (int r = fromRow, n = m_model->rowCount(); r < n; ++r)
        if (m_model->caption(r).compare(text, cs) == 0) return r;
    return -1;
}

void TInfoFileForm::selectRow(int row, bool focus) {
    if (row < 0 || row >= m_model->rowCount()) return;
    const QModelIndex index = m_model->index(row, 0);
    const auto how = QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    if (focus) {
        lvInfo->selectionModel()->setCurrentIndex(index, how);
        lvInfo->scrollTo(index);
    } else {
        lvInfo->selectionModel()->select(index, how);
    }
}

// ---------------------------------------------------------------- navigation

void TInfoFileForm::setHint(QWidget* w, const QString& text) {
    w->setToolTip(text);
    // A hint on show follows its new text at once.
    if (QToolTip::isVisible() && w->underMouse()) QToolTip::showText(QCursor::pos(), text, w);
}

void TInfoFileForm::setBackHint() {
    setHint(spbtBack, m_history.canBack() ? m_history.backTop()->text(0) : m_tables.hint(1));
}

void TInfoFileForm::recordCurrentFolder(bool onlyIfNotOnTop) {
    if (!m_currentNode) return;
    m_history.record(m_currentNode, onlyIfNotOnTop);
    setBackHint();
}

void TInfoFileForm::clearForwardStack() {
    m_history.clearForward();
    updateForwardHint();
}

void TInfoFileForm::updateForwardHint() {
    const int r = firstSelectedRow();
    QString hint = m_tables.hint(2);
    if (r >= 0) {
        if (m_model->isUpRow(r)) {
            const FolderNode* from = m_shownNode ? m_shownNode : selectedNode();
            hint = from && from->parentNode() ? from->parentNode()->text(0) : QString();
        } else if (const Entry* e = m_model->entryAt(r); e && e->isFolder()) {
            hint = fromAnsi(e->name());
        }
    }
    setHint(spbtForward, hint);
}

void TInfoFileForm::lvInfoKeyDown(int key) {
    // The key goes on to the list's own handling afterwards.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) lvInfoDblClick();
}

void TInfoFileForm::lvInfoChange() {
    if (!m_history.canForward() && firstSelectedRow() >= 0) updateForwardHint();
}

void TInfoFileForm::prepareForOpen() {
    FolderNode* sel = selectedNode();
    if (!sel) return;
    m_searchMode = false;
    recordCurrentFolder(true);
    m_currentNode = sel;
    showNode(sel);
    selectNode(rootNode());
    tvTreeOfFile->setFocus();
    clearForwardStack();
}

void TInfoFileForm::tvTreeOfFileClick() {
    FolderNode* sel = selectedNode();
    if (m_searchMode) {
        m_searchMode = false;
        if (sel) sel->setSelectedImage(imageOpenFolder);
        return;
    }
    if (sel) {
        sel->setSelectedImage(imageOpenFolder);
        tvTreeOfFile->viewport()->update();
        lvInfo->viewport()->update();
    }
}

void TInfoFileForm::tvTreeOfFileMouseUp(const QPoint& viewportPos) {
    auto* node = static_cast<FolderNode*>(tvTreeOfFile->itemAt(viewportPos));
    if (!node) return;
    if (!m_searchMode && !(node == selectedNode() && node != m_currentNode)) return;
    m_searchMode = false;
    recordCurrentFolder(true);
    m_currentNode = node;
    showNode(node);
    clearForwardStack();
}

void TInfoFileForm::lvInfoDblClick() {
    if (m_model->showsResults()) {
        searchResultDblClick();
        return;
    }
    // The rows belong to the folder that is shown, whatever the tree's selection says.
    FolderNode* t = m_shownNode;
    const int r = firstSelectedRow();
    if (!t || r < 0) return;
    // The ".." row leads up also from a folder that holds nothing else.
    if (m_model->isUpRow(r)) {
        FolderNode* p = t->parentNode();
        if (p) {
            showNode(p);
            int row = findRowCaption(t->text(0), 1, Qt::CaseInsensitive);
            selectRow(row >= 0 ? row : firstRealRow(), true);
            recordCurrentFolder(false);
            m_currentNode = p;
            selectNode(p);
            t->setExpanded(false);
            clearForwardStack();
        }
    } else if (const Entry* e = m_model->entryAt(r); e && e->isFolder()) {
        const std::string path = folderPathOf(t) + std::string(e->name()) + '*';
        FolderNode* c = childNodeNamed(t, e->name());
        if (showFolder(path, diskPath(path))) {
            m_shownNode = c;
            selectRow(firstRealRow(), true);
        }
        if (c) {
            recordCurrentFolder(false);
            m_currentNode = c;
            c->setExpanded(true);
            selectNode(c);
            clearForwardStack();
        }
    }
    if (FolderNode* sel = selectedNode()) sel->setSelectedImage(imageOpenFolder);
}

void TInfoFileForm::searchResultDblClick() {
    const int r = firstSelectedRow();
    if (!selectedNode() || r < 0) return;
    m_searchRowIndex = r;
    const Entry* e = m_model->entryAt(r);
    if (!e || !e->isFolder()) return;
    const std::string caption = resultCaption(m_results, static_cast<std::size_t>(r));
    std::string names;
    for (char c : caption)
        names.push_back(c == '\\' ? '*' : c);
    names.push_back('*');
    const std::string path = std::string(root()->name()) + '*' + names;
    const std::string disk = m_results.base + '\\' + caption + '\\';
    FolderNode* node = findNodeByPath(rootNode(), names);
    if (node) selectNode(node);
    if (showFolder(path, disk)) {
        m_shownNode = node;
        selectRow(firstRealRow(), false);
    }
    m_searchMode = false;
}

void TInfoFileForm::spbtBackClick() {
    if (m_searchMode) {
        spbtUpClick();
        return;
    }
    if (!m_history.canBack() || !m_currentNode) return;
    FolderNode* n = m_history.backTop();
    m_history.pushForward(m_currentNode);
    setHint(spbtForward, m_currentNode->text(0));
    m_history.popBack();
    setBackHint();
    selectNode(n);
    const QString left = m_currentNode->text(0);
    m_currentNode = n;
    showNode(n);
    const int row = findRowCaption(left, 0, Qt::CaseSensitive);
    selectRow(row >= 0 ? row : firstRealRow(), false);
}

void TInfoFileForm::spbtForwardClick() {
    if (!m_history.canForward()) return;
    if (m_searchMode) {
        spbtUpClick();
        return;
    }
    FolderNode* n = m_history.forwardTop();
    recordCurrentFolder(false);
    m_history.popForward();
    if (m_history.canForward())
        setHint(spbtForward, m_history.forwardTop()->text(0));
    else
        updateForwardHint();
    selectNode(n);
    const QString left = m_currentNode ? m_currentNode->text(0) : QString();
    m_currentNode = n;
    showNode(n);
    const int row = findRowCaption(left, 0, Qt::CaseSensitive);
    selectRow(row >= 0 ? row : firstRealRow(), false);
}

void TInfoFileForm::spbtUpClick() {
    if (m_searchMode) {
        showSearchResults();
        if (m_searchRowIndex < m_model->rowCount()) selectRow(m_searchRowIndex, false);
        return;
    }
    FolderNode* s = selectedNode();
    if (!s || !s->parentNode()) return;
    FolderNode* p = s->parentNode();
    selectNode(p);
    s->setExpanded(false);
    recordCurrentFolder(false);
    m_currentNode = p;
    showNode(p);
    clearForwardStack();
    const int row = findRowCaption(s->text(0), 1, Qt::CaseInsensitive);
    selectRow(row >= 0 ? row : firstRealRow(), false);
}

bool TInfoFileForm::eventFilter(QObject* watched, QEvent* e) {
    if (!tvTreeOfFile || !lvInfo) return QMainWindow::eventFilter(watched, e);
    if (watched == tvTreeOfFile->viewport() && e->type() == QEvent::MouseButtonRelease) {
        const auto* me = static_cast<QMouseEvent*>(e);
        const QPoint pos = me->position().toPoint();
        // A left click is delivered before the release of the same button.
        guarded([&] {
            if (me->button() == Qt::LeftButton) tvTreeOfFileClick();
            tvTreeOfFileMouseUp(pos);
        });
    } else if (watched == lvInfo && e->type() == QEvent::KeyPress) {
        const auto* ke = static_cast<QKeyEvent*>(e);
        if (ke->modifiers() == Qt::NoModifier) guarded([&] { lvInfoKeyDown(ke->key()); });
    } else if (watched == Panel && e->type() == QEvent::Resize) {
        Panel1->move(Panel->width() - kLogoPanelWidth, 0);
    } else if (e->type() == QEvent::MouseMove && QGuiApplication::overrideCursor() == nullptr) {
        if (auto* w = qobject_cast<QWidget*>(watched)) w->setCursor(Qt::ArrowCursor);
    }
    return QMainWindow::eventFilter(watched, e);
}

// ---------------------------------------------------------------- marks and comments

void TInfoFileForm::applyMarkCommand(MarkCommand cmd) {
    const std::vector<Entry*> entries =
        selectedEntries(m_model->rowEntries(), selectedRows(), m_model->hasUpRow(), false);
    if (entries.empty()) return;
    m_listModified = true;
    for (Entry* e : entries)
        applyMark(e, cmd);
    m_model->rowsChanged();
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
        showMessage(m_tables.message(15));
        offer = false;
    } else if (m_model->isUpRow(first)) {
        offer = false;
    }
    if (!offer) {
        for (QAction* a : items)
            a->setVisible(false);
        return false;
    }
    m_listModified = true;
    return true;
}

void TInfoFileForm::spbtCommentClick() {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        showMessage(m_tables.message(18));
        return;
    }
    if (rows.size() > 1) {
        showMessage(m_tables.message(19));
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
        showMessage(m_tables.message(26));
        return;
    }
    e->setComment(ansi);
    m_model->rowsChanged();
    m_listModified = true;
}

// ---------------------------------------------------------------- search

void TInfoFileForm::spbtSearchClick() {
    if (!root()) {
        showMessage(m_tables.message(22));
        return;
    }
    TMaskForm* form = maskForm();
    form->applyTexts(m_tables);
    if (m_dialogs->execDialog(*form) != QDialog::Accepted) return;
    const std::string mask = toAnsi(form->mask());
    m_searchMode = true;
    m_initiator = spbtSearch;
    ui::TOpenSaveForm busy(this, m_tables.caption(28));
    busy.showAndPaint();
    setEnabled(false);
    m_model->clear();
    m_shownNode = nullptr;
    try {
        m_results = searchByMask(root(), mask);
    } catch (...) {
        m_results = SearchResults();
        busy.close();
        setEnabled(true);
        throw;
    }
    busy.close();
    setEnabled(true);
    showSearchResults();
}

void TInfoFileForm::showSearchResults() {
    lvInfo->setUpdatesEnabled(false);
    m_model->showSearchRows(m_results);
    lvInfo->setUpdatesEnabled(true);
    m_shownNode = nullptr;
}

// ---------------------------------------------------------------- export, print, about

void TInfoFileForm::mmSaveTextClick() {
    if (!root()) {
        showMessage(m_tables.message(8));
        return;
    }
    if (m_searchMode) return;
    const FolderNode* top = rootNode();
    const QString proposedName = out::proposedExportName(top ? top->text(0) : QString());
    const QString proposed = QFileInfo(m_listFilePath).dir().filePath(proposedName);
    QString chosen = m_dialogs->getSaveFileName(this, m_tables.caption(19), proposed,
                                                qtFileFilter(QStringLiteral("*.TXT|*.txt")));
    if (chosen.isEmpty()) return;
    chosen = out::withTxtExtension(chosen);
    if (QFileInfo::exists(chosen) &&
        m_dialogs->question(this, m_tables.message(10), m_tables.message(9), false) !=
            UserDialogs::Answer::Yes)
        return;
    QCoreApplication::processEvents();
    setEnabled(false);
    m_progress.counter.total = 0;
    m_progress.counter.done = 0;
    m_progress.countProgressTotal(root());
    m_progress.showProgress(m_tables.message(12));
    out::ExportResult result = out::ExportResult::WriteFailed;
    try {
        result = out::exportToFile(root(), chosen, m_progress.writeProgress());
    } catch (const std::exception&) {
        result = out::ExportResult::WriteFailed;
    }
    if (!m_progress.abortFlag()) m_progress.closeProgress();
    m_progress.abortFlag() = false;
    setEnabled(true);
    if (result == out::ExportResult::CreateFailed || result == out::ExportResult::WriteFailed)
        showMessage(m_tables.message(11), UserDialogs::Icon::Error);
}

void TInfoFileForm::mmPrintClick() {
    if (!root()) {
        showMessage(m_tables.message(13));
        return;
    }
    if (m_searchMode) return;
    const QStringList lines = out::collectPrintLines(m_model->rowEntries());
    if (!m_dialogs->hasDefaultPrinter()) {
        showMessage(m_tables.message(25), UserDialogs::Icon::Error);
        return;
    }
    m_dialogs->printOnDefaultPrinter(lines, ui::applicationTitle());
}

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
        this, m_tables.aboutText(7), m_tables,
        [this](const QUrl& url) { return m_dialogs->openUrl(url); },
        [this](const QString& title, const QString& text) {
            m_dialogs->message(this, UserDialogs::Icon::None, title, text);
        });
}

} // namespace kx
