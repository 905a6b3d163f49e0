// The main window: construction, layout, the texts, and the events of the panes.
#include "browser/gui/infofileform.h"

#include "browser/gui/catalogcontroller.h"
#include "browser/gui/commandwindow.h"
#include "browser/gui/documentcontroller.h"
#include "browser/gui/exportcontroller.h"
#include "browser/gui/navigationcontroller.h"
#include "browser/gui/searchcontroller.h"
#include "browser/gui/spacecontroller.h"
#include "support/gui/aboutform.h"
#include "support/gui/resources.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

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
    void setLineColour(const QColor& c) { m_line = c; }
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(m_line);
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

private:
    QColor m_line{0xD8, 0xD8, 0xD8};
};

// The folder tree, telling when a key (an arrow, Home, a typed name ...) has moved its current
// node; the moves made by clicks and by the window itself are not reported.
class FolderTree : public QTreeView {
public:
    using QTreeView::QTreeView;
    std::function<void()> onKeyMove;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        const QPersistentModelIndex before = currentIndex();
        QTreeView::keyPressEvent(e);
        if (onKeyMove && currentIndex() != before) onKeyMove();
    }
};

Rgb rgbOf(const QColor& c) {
    return c.rgb() & 0xFFFFFFu;
}

// Leading and trailing blanks and control characters go.
QString trimmedArgument(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 0x20)
        ++b;
    while (e > b && s[e - 1].unicode() <= 0x20)
        --e;
    return s.mid(b, e - b);
}

} // namespace

TInfoFileForm::TInfoFileForm(const QStringList& args, std::unique_ptr<UserDialogs> dialogs,
                             QWidget* parent)
    : QMainWindow(parent),
      m_dialogs(dialogs ? std::move(dialogs) : std::make_unique<UserDialogs>()), m_progress(this) {
    setObjectName(QStringLiteral("TInfoFileForm"));
    setWindowTitle(ui::applicationTitle());
    m_jobs = std::make_unique<ui::JobRunner>();
    connect(m_jobs.get(), &ui::JobRunner::busyChanged, this, &TInfoFileForm::setBusy);
    // A job that reports how far it has come (done of total) moves the progress window's bar.
    connect(m_jobs.get(), &ui::JobRunner::progressed, this,
            [this](quint64 done, quint64 total) { m_progress.report(done, total); });
    m_documentCtl = std::make_unique<DocumentController>(*this);
    m_navigationCtl = std::make_unique<NavigationController>(*this);
    m_searchCtl = std::make_unique<SearchController>(*this);
    m_exportCtl = std::make_unique<ExportController>(*this);
    m_catalogCtl = std::make_unique<CatalogController>(*this);
    m_spaceCtl = std::make_unique<SpaceController>(*this);
    buildControls();
    FormCreate(args);
}

TInfoFileForm::~TInfoFileForm() {
    // A job may still read the document: it ends first. The views refer to the Entries: they
    // let go of them before the document goes.
    m_jobs->waitForDone();
    m_documentCtl->clearDocumentViews();
}

void TInfoFileForm::setForms(TMaskForm* mask, ui::TAboutForm* about, TCommentForm* comment) {
    m_maskForm = mask;
    m_aboutForm = about;
    m_commentForm = comment;
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

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);

    // The panes are made before the toolbar that stands above them: the order in which widgets
    // are made is the Tab order, and Tab reaches the tree and the list first.
    Splitter1 = new QSplitter(Qt::Horizontal, central);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);
    layout->addWidget(Splitter1, 1);

    m_folders = new FolderModel(this);
    auto* tree = new FolderTree(Splitter1);
    tree->onKeyMove = [this] { guarded([&] { tvTreeOfFileKeyMove(); }); };
    tvTreeOfFile = tree;
    tvTreeOfFile->setObjectName(QStringLiteral("tvTreeOfFile"));
    tvTreeOfFile->setModel(m_folders);
    tvTreeOfFile->setHeaderHidden(true);
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
    // A click on a header sorts the rows (lvInfoColumnClick), which the indicator shows.
    lvInfo->header()->setSectionsClickable(true);
    lvInfo->header()->setSortIndicatorShown(true);
    lvInfo->header()->setSortIndicator(-1, Qt::AscendingOrder);
    lvInfo->header()->setSectionsMovable(false);
    lvInfo->header()->setStretchLastSection(false);
    lvInfo->header()->setDefaultAlignment(Qt::AlignCenter);
    const int widths[] = {150, 87, 121, 120, 70, 139};
    for (int c = 0; c < DetailModel::colCount; ++c) {
        lvInfo->header()->setSectionResizeMode(c, QHeaderView::Interactive);
        lvInfo->setColumnWidth(c, widths[c]);
    }
    applyListColours();
    lvInfo->installEventFilter(this);
    lvInfo->viewport()->installEventFilter(this);

    Splitter1->addWidget(tvTreeOfFile);
    Splitter1->addWidget(lvInfo);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kTreeWidth, 922 - kTreeWidth - 3});

    Panel = new QFrame(central);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setFixedHeight(kPanelHeight);
    Panel->setMouseTracking(true);
    Panel->installEventFilter(this);
    layout->insertWidget(0, Panel);
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

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setFixedHeight(19);

    buildActions();
    connectControls();
}

void TInfoFileForm::applyListColours() {
    const QPalette window = palette();
    const Rgb base = rgbOf(window.color(QPalette::Base));
    const bool dark = isDarkBackground(base);
    QPalette list = window;
    if (!dark) list.setColor(QPalette::Base, Qt::white);
    lvInfo->setPalette(list);
    m_model->setListColours(dark, base, rgbOf(window.color(QPalette::Text)));
    static_cast<GridDelegate*>(lvInfo->itemDelegate())
        ->setLineColour(dark ? window.color(QPalette::Mid) : QColor(0xD8, 0xD8, 0xD8));
}

void TInfoFileForm::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::PaletteChange && lvInfo) applyListColours();
}

// ---------------------------------------------------------------- creation and showing

void TInfoFileForm::FormCreate(const QStringList& args) {
    ui::buildStringTables(m_tables);
    spbtAbout->resize(ui::languageIs("ENG") ? 61 : 75, spbtAbout->height());
    setMinimumSize(spbtAbout->x() + spbtAbout->width() + kLogoPanelWidth + 30, kMinHeight);
    resize(922, 499);
    ui::centreWindow(this, nullptr);
    setAcceptDrops(true);
    m_progress.abortFlag() = false;
    m_listFilePath.clear();

    const QStringList rest = ui::stripLanguageArgs(args);
    const QString arg = rest.isEmpty() ? QString() : trimmedArgument(rest.first());
    if (arg.isEmpty()) return;
    if (QFileInfo(arg).isFile()) {
        m_documentCtl->openOnFirstShow(arg);
        return;
    }
    const bool eng = ui::languageIs("ENG");
    m_dialogs->message(
        this, UserDialogs::Icon::Error, eng ? QStringLiteral("Error") : QStringLiteral("Ошибка"),
        (eng ? QStringLiteral("File not found ") : QStringLiteral("Не найден файл: ")) + arg);
}

void TInfoFileForm::applyStringTables() {
    using ui::Cap;
    using ui::Hint;
    const ui::StringTables& t = m_tables;
    // A button or an action: its caption and its hint.
    const auto name = [&t](auto* item, Cap caption, Hint hint) {
        item->setText(t.caption(caption));
        item->setToolTip(t.hint(hint));
    };
    name(spbtOpen, Cap::open, Hint::open);
    name(spbtBack, Cap::back, Hint::back);
    name(spbtForward, Cap::forward, Hint::forward);
    name(spbtUp, Cap::up, Hint::up);
    name(spbtSearch, Cap::find, Hint::find);
    name(spbtSave, Cap::save, Hint::save);
    name(spbtPrint, Cap::print, Hint::print);
    name(spbtSaveText, Cap::exportText, Hint::exportText);
    name(spbtAbout, Cap::help, Hint::about);
    BRELVIKImage->setToolTip(t.hint(Hint::logo));
    QStringList columns;
    for (const Cap c : {Cap::columnName, Cap::columnSize, Cap::columnCreated, Cap::columnChanged,
                        Cap::columnAttributes, Cap::columnComments})
        columns << t.caption(c);
    m_model->setColumnCaptions(columns);
    name(helpAction, Cap::help, Hint::about);
    name(commentAction, Cap::comment, Hint::comment);
    name(neededAction, Cap::required, Hint::markRequired);
    name(notneededAction, Cap::useless, Hint::markUseless);
    name(clearAction, Cap::clear, Hint::clearMarks);
    const std::pair<QAction*, QAction*> items[] = {
        {N1, neededAction}, {N2, notneededAction}, {N8, clearAction}, {pupComment, commentAction}};
    for (const auto& [item, action] : items) {
        item->setText(action->text());
        item->setToolTip(action->toolTip());
    }
    // The names the command window lists for the commands that no caption above names.
    const std::pair<QAction*, Cap> commandNames[] = {
        {openAction, Cap::open},
        {saveAction, Cap::save},
        {searchAction, Cap::find},
        {exportTextAction, Cap::exportTextTitle},
        {printAction, Cap::print},
        {backAction, Cap::back},
        {forwardAction, Cap::forward},
        {upAction, Cap::up},
        {findAgainAction, Cap::findAgain},
        {closeAction, Cap::closeWindow},
        {undoAction, Cap::undo},
        {redoAction, Cap::redo},
        {copyPathsAction, Cap::copyPaths},
        {exportCsvAction, Cap::exportCsvTitle},
        {summaryAction, Cap::summaryTitle},
        {catalogAction, Cap::catalogueTitle},
        {filteredSearchAction, Cap::filterTitle},
        {commandsAction, Cap::commandsTitle},
    };
    for (const auto& [action, caption] : commandNames)
        action->setText(t.caption(caption));
    if (m_commandWindow) m_commandWindow->applyTexts(t);
    // The hints that navigation keeps up to date start from the current history.
    m_navigationCtl->setBackHint();
    updateForwardHint();
    if (m_aboutForm) m_aboutForm->applyTexts(t);
    m_searchCtl->applyTexts();
    m_catalogCtl->applyTexts();
    m_spaceCtl->applyTexts();
}

void TInfoFileForm::FormShow() {
    applyStringTables();
    if (openFromCommandLine()) spbtOpenClick(this);
}

void TInfoFileForm::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!e->spontaneous()) guarded([&] { FormShow(); });
}

bool TInfoFileForm::eventFilter(QObject* watched, QEvent* e) {
    // A mark command's key: the command runs knowing that it came from its key.
    if (e->type() == QEvent::Shortcut &&
        (watched == neededAction || watched == notneededAction || watched == clearAction) &&
        !static_cast<QShortcutEvent*>(e)->isAmbiguous()) {
        m_markFromKey = true;
        static_cast<QAction*>(watched)->trigger();
        m_markFromKey = false;
        return true;
    }
    if (!tvTreeOfFile || !lvInfo) return QMainWindow::eventFilter(watched, e);
    if (watched == tvTreeOfFile->viewport() && e->type() == QEvent::MouseButtonRelease) {
        const auto* me = static_cast<QMouseEvent*>(e);
        const QPoint pos = me->position().toPoint();
        // Only the left button opens a folder; its click is delivered before its release.
        if (me->button() == Qt::LeftButton)
            guarded([&] {
                tvTreeOfFileClick();
                tvTreeOfFileMouseUp(pos);
            });
    } else if (watched == lvInfo && e->type() == QEvent::KeyPress) {
        const auto* ke = static_cast<QKeyEvent*>(e);
        // Enter on the keypad is the same key, and so are Shift+Enter and Ctrl+Enter.
        const Qt::KeyboardModifiers same =
            Qt::KeypadModifier | Qt::ShiftModifier | Qt::ControlModifier;
        if ((ke->modifiers() & ~same) == Qt::NoModifier) guarded([&] { lvInfoKeyDown(ke->key()); });
    } else if (watched == Panel && e->type() == QEvent::Resize) {
        Panel1->move(Panel->width() - kLogoPanelWidth, 0);
    } else if (e->type() == QEvent::MouseMove && QGuiApplication::overrideCursor() == nullptr) {
        if (auto* w = qobject_cast<QWidget*>(watched)) w->setCursor(Qt::ArrowCursor);
    }
    return QMainWindow::eventFilter(watched, e);
}

} // namespace kx
