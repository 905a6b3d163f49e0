// The catalogue window: its lists, its commands and the search as you type.
#include "catalog/gui/catalogform.h"

#include "listfile/codepage.h"
#include "query/size80.h"
#include "support/strings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

#include <iterator>

namespace kx {

namespace {
constexpr int kColumns = 5;
constexpr int kSizeColumn = 2;

// Sorting by a column header: the size column by value, the others by their text.
class FoundRowsSorter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex& a, const QModelIndex& b) const override {
        const auto* m = static_cast<const CatalogRowsModel*>(sourceModel());
        if (a.column() == kSizeColumn)
            return compareSizes(m->rows()[std::size_t(a.row())].sizeValue,
                                m->rows()[std::size_t(b.row())].sizeValue) < 0;
        return QString::localeAwareCompare(a.data().toString(), b.data().toString()) < 0;
    }
};

// A table that tells whether one of its cells is being edited.
class TableView : public QTreeView {
public:
    using QTreeView::QTreeView;
    bool editing() const { return state() == EditingState; }
};

QTreeView* tableView(QWidget* parent, const char* name) {
    auto* v = new TableView(parent);
    v->setObjectName(QLatin1String(name));
    v->setRootIsDecorated(false);
    v->setUniformRowHeights(true);
    v->setAllColumnsShowFocus(true);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->header()->setStretchLastSection(true);
    return v;
}

bool isEnter(const QEvent* e) {
    if (e->type() != QEvent::KeyPress) return false;
    const int key = static_cast<const QKeyEvent*>(e)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// The keys of the buttons, shown in their hints.
struct ButtonKeys {
    QPushButton* TCatalogForm::*button;
    ui::Cap caption;
    ui::Hint hint;
    QKeySequence keys;
};
const ButtonKeys kButtons[] = {
    {&TCatalogForm::btAdd, ui::Cap::addLists, ui::Hint::addLists,
     QKeySequence(Qt::CTRL | Qt::Key_N)},
    {&TCatalogForm::btAddFolder, ui::Cap::addFolder, ui::Hint::addFolder,
     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)},
    {&TCatalogForm::btRefresh, ui::Cap::refreshLists, ui::Hint::refreshLists,
     QKeySequence(Qt::Key_F5)},
    // Delete takes effect in the table of lists only (the fields keep their own Delete).
    {&TCatalogForm::btRemove, ui::Cap::removeLists, ui::Hint::removeLists, {}},
    {&TCatalogForm::btBrowse, ui::Cap::browseList, ui::Hint::browseList,
     QKeySequence(Qt::CTRL | Qt::Key_B)},
    {&TCatalogForm::btOpen, ui::Cap::open, ui::Hint::openList, QKeySequence(Qt::CTRL | Qt::Key_O)},
    {&TCatalogForm::btSpace, ui::Cap::spaceOfList, ui::Hint::spaceOfList,
     QKeySequence(Qt::CTRL | Qt::Key_M)},
    {&TCatalogForm::btSpaceAll, ui::Cap::wholeCatalogue, ui::Hint::wholeCatalogue,
     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M)},
};
} // namespace

// ---------------------------------------------------------------- the rows found

void CatalogRowsModel::setRows(std::vector<CatalogRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void CatalogRowsModel::appendRows(std::vector<CatalogRow>& rows) {
    if (rows.empty()) return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()),
                  std::make_move_iterator(rows.end()));
    endInsertRows();
}

void CatalogRowsModel::setHeaders(const QStringList& headers) {
    m_headers = headers;
    emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
}

int CatalogRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CatalogRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant CatalogRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(m_rows.size())) return {};
    const CatalogRow& r = m_rows[std::size_t(index.row())];
    if (role == Qt::TextAlignmentRole && index.column() == kSizeColumn)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    switch (index.column()) {
    case 0:
        // A labelled disk by its label; the path is in the tooltip.
        if (role == Qt::DisplayRole && !r.listLabel.empty())
            return QString::fromStdString(r.listLabel);
        return QString::fromStdString(r.listPath);
    case 1:
        return QString::fromStdString(r.caption);
    case kSizeColumn:
        return QString::fromLatin1(r.size);
    case 3:
        return fromAnsi(r.changed);
    default:
        return fromAnsi(r.comment);
    }
}

QVariant CatalogRowsModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole || section >= m_headers.size()) return {};
    return m_headers[section];
}

// ---------------------------------------------------------------- the window

TCatalogForm::TCatalogForm() : FilterWindow(nullptr) {
    // A window of its own: no parent keeps it above the main window, and closing the main
    // window ends the program with this one open.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinMaxButtonsHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    setAcceptDrops(true);

    m_search = new CatalogSearch(this);
    m_search->setReceiver([this](CatalogBatch& b) { receive(b); });
    m_typingPause.setSingleShot(true);
    m_typingPause.setInterval(kTypingPauseMs);
    connect(&m_typingPause, &QTimer::timeout, this, [this] { searchAsTyped(); });

    rows = new CatalogRowsModel(this);
    sorted = new FoundRowsSorter(this);
    sorted->setSourceModel(rows);
    lvFound = tableView(this, "lvFound");
    lvFound->setSelectionMode(QAbstractItemView::SingleSelection);
    lvFound->setModel(sorted);
    lvFound->setSortingEnabled(true);
    lvFound->header()->setSortIndicator(-1, Qt::AscendingOrder); // the catalogue's order first
    lvFound->setColumnWidth(0, 220);
    lvFound->setColumnWidth(1, 260);
    lvFound->setColumnWidth(2, 80);
    lvFound->setColumnWidth(3, 130);
    lvFound->installEventFilter(this);
    fields->grid()->setColumnStretch(1, 1); // the fields take the width, not their labels

    // The lists above, the search below; the fields move from the column into the search.
    column()->removeWidget(fields);
    auto* searchPanel = new QWidget(this);
    auto* searchColumn = new QVBoxLayout(searchPanel);
    searchColumn->setContentsMargins(0, 0, 0, 0);
    searchColumn->addWidget(fields);
    searchColumn->addWidget(lvFound, 1);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(buildListsPanel());
    split->addWidget(searchPanel);
    split->setStretchFactor(1, 1);
    column()->addWidget(split, 1);
    setTabOrder(fields->CloseBitBtn, lvFound);
    setMinimumSize(560, 480);
    resize(980, 720);

    connect(lvFound, &QTreeView::doubleClicked, this, [this] { openCurrentRow(); });
    const auto edited = [this] { fieldsEdited(); };
    connect(fields->ledMask, &QLineEdit::textEdited, this, edited);
    connect(fields->ledMinSize, &QLineEdit::textEdited, this, edited);
    connect(fields->ledMaxSize, &QLineEdit::textEdited, this, edited);
    for (QCheckBox* box : {fields->cbInComments, fields->cbCommented, fields->cbDamaged})
        connect(box, &QCheckBox::toggled, this, edited);
    for (QComboBox* box : {fields->cbxMark, fields->cbxSizeUnit})
        connect(box, &QComboBox::activated, this, edited);
}

TCatalogForm::~TCatalogForm() = default;

QWidget* TCatalogForm::buildListsPanel() {
    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    lblLists = new QLabel(panel);
    lblLists->setWordWrap(true);
    layout->addWidget(lblLists);
    auto* buttons = new QHBoxLayout;
    for (const ButtonKeys& b : kButtons) {
        QPushButton* button = new QPushButton(panel);
        button->setAutoDefault(false);
        if (!b.keys.isEmpty()) button->setShortcut(b.keys);
        buttons->addWidget(button);
        this->*b.button = button;
    }
    buttons->addStretch();
    layout->addLayout(buttons);
    lists = new CatalogListsModel(this);
    lvLists = tableView(panel, "lvLists");
    lvLists->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvLists->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked);
    lvLists->setModel(lists);
    lvLists->setColumnWidth(CatalogListsModel::label, 140);
    lvLists->setColumnWidth(CatalogListsModel::note, 160);
    lvLists->setColumnWidth(CatalogListsModel::root, 60);
    lvLists->setColumnWidth(CatalogListsModel::header, 140);
    lvLists->installEventFilter(this);
    layout->addWidget(lvLists, 1);
    // A double-click on the label or the note edits it; elsewhere it browses the list.
    connect(lvLists, &QTreeView::doubleClicked, this, [this](const QModelIndex& at) {
        if (!(lists->flags(at) & Qt::ItemIsEditable)) btBrowse->click();
    });
    return panel;
}

void TCatalogForm::applyTexts(const ui::StringTables& t) {
    fields->applyTexts(t);
    lists->applyTexts(t);
    setWindowTitle(t.caption(ui::Cap::catalogueTitle));
    for (const ButtonKeys& b : kButtons) {
        QPushButton* button = this->*b.button;
        button->setText(t.caption(b.caption));
        if (!b.keys.isEmpty()) button->setShortcut(b.keys); // setText put a mnemonic in its place
        const QKeySequence keys = b.keys.isEmpty() ? QKeySequence(Qt::Key_Delete) : b.keys;
        button->setToolTip(t.hint(b.hint).arg(keys.toString(QKeySequence::NativeText)));
    }
    fields->ledMask->setToolTip(
        t.hint(ui::Hint::searchMask)
            .arg(QKeySequence(Qt::Key_Return).toString(QKeySequence::NativeText)));
    // The size, change and comment columns are named as in the detail list.
    rows->setHeaders({t.caption(ui::Cap::listColumn), t.caption(ui::Cap::pathColumn),
                      t.caption(ui::Cap::columnSize), t.caption(ui::Cap::columnChanged),
                      t.caption(ui::Cap::columnComments)});
    showCount();
    showListCount();
}

// ---------------------------------------------------------------- the lists

void TCatalogForm::setLists(std::vector<CatalogList> l) {
    m_noCatalogue = false;
    lists->setLists(std::move(l));
    showListCount();
}

void TCatalogForm::setNoCatalogue() {
    m_noCatalogue = true;
    lists->setLists({});
    showListCount();
}

void TCatalogForm::showListCount() {
    const ui::StringTables* t = fields->tables();
    if (!t) return;
    lblLists->setText(m_noCatalogue || lists->lists().empty()
                          ? t->caption(ui::Cap::catalogueHoldsNoLists)
                          : t->caption(ui::Cap::listCount).arg(lists->lists().size()));
}

std::vector<CatalogList> TCatalogForm::selectedLists() const {
    std::vector<CatalogList> out;
    for (int r = 0; r < lists->rowCount(); ++r)
        if (lvLists->selectionModel()->isRowSelected(r, {}))
            out.push_back(lists->lists()[std::size_t(r)]);
    return out;
}

const CatalogList* TCatalogForm::currentList() const {
    const QModelIndex at = lvLists->currentIndex();
    return at.isValid() ? &lists->lists()[std::size_t(at.row())] : nullptr;
}

// ---------------------------------------------------------------- the search

void TCatalogForm::fieldsEdited() {
    // The running search stops at once; the next starts when the typing pauses.
    m_search->stop();
    m_typingPause.start();
}

void TCatalogForm::searchAsTyped() {
    EntryFilter filter;
    bool storable = true; // a mask the code page cannot hold still finds exact names
    QString problem;
    if (!fields->readFilter(filter, storable, problem)) {
        showProblem(problem);
        return;
    }
    const bool nothingAsked = filter.mask.empty() && !filter.mark && !filter.commentedOnly &&
                              !filter.damagedOnly && !filter.minSize && !filter.maxSize;
    if (nothingAsked) {
        rows->setRows({});
        m_state = State::none;
        showCount();
        return;
    }
    search(filter, false);
}

void TCatalogForm::search(const EntryFilter& filter, bool told) {
    m_typingPause.stop();
    m_search->stop();
    m_told = told;
    if (!QFileInfo::exists(QFile::decodeName(m_db.c_str()))) {
        setNoLists();
        return;
    }
    rows->setRows({});
    m_found = 0;
    m_state = State::found;
    m_search->start(m_db, filter, kShownRows, std::exchange(m_reopen, false));
    showCount();
}

void TCatalogForm::receive(CatalogBatch& batch) {
    if (batch.error) {
        showProblem(QString());
        if (m_failed) m_failed(*batch.error, m_told);
        return;
    }
    if (batch.noLists) {
        setNoLists();
        return;
    }
    const bool first = rows->rows().empty();
    rows->appendRows(batch.rows);
    m_found = batch.found;
    showCount();
    if (first && !rows->rows().empty()) lvFound->setCurrentIndex(sorted->index(0, 0));
}

void TCatalogForm::setFound(std::vector<CatalogRow> found, std::size_t count) {
    m_search->stop();
    rows->setRows(std::move(found));
    m_found = count;
    m_state = State::found;
    showCount();
    if (!rows->rows().empty()) lvFound->setCurrentIndex(sorted->index(0, 0));
}

void TCatalogForm::setNoLists() {
    m_search->stop();
    rows->setRows({});
    m_state = State::noLists;
    showCount();
}

void TCatalogForm::showProblem(const QString& text) {
    m_search->stop();
    m_state = State::problem;
    fields->lblFound->setText(text);
}

void TCatalogForm::showCount() {
    const ui::StringTables* t = fields->tables();
    if (!t) return;
    switch (m_state) {
    case State::none:
        fields->lblFound->clear();
        break;
    case State::problem:
        break;
    case State::noLists:
        fields->lblFound->setText(t->caption(ui::Cap::catalogueHoldsNoLists));
        break;
    case State::found: {
        QString text =
            m_found > rows->rows().size()
                ? t->caption(ui::Cap::foundFirstShown).arg(m_found).arg(rows->rows().size())
                : t->caption(ui::Cap::foundCount).arg(m_found);
        if (m_search->running()) text += QLatin1Char(' ') + t->caption(ui::Cap::stillCounting);
        fields->lblFound->setText(text);
        break;
    }
    }
}

void TCatalogForm::openCurrentRow() {
    const QModelIndex at = sorted->mapToSource(lvFound->currentIndex());
    if (!at.isValid() || !m_open) return;
    // A copy: opening the list may refill the table.
    const CatalogRow row = rows->rows()[std::size_t(at.row())];
    m_open(row);
}

// ---------------------------------------------------------------- keys and drops

bool TCatalogForm::eventFilter(QObject* watched, QEvent* e) {
    if (watched == lvFound && isEnter(e)) {
        openCurrentRow();
        return true;
    }
    // Enter that ends the edit of a label or a note reaches the table too: it browses nothing.
    if (watched == lvLists && isEnter(e) && !static_cast<TableView*>(lvLists)->editing()) {
        btBrowse->click();
        return true;
    }
    if (watched == lvLists && e->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(e)->key() == Qt::Key_Delete) {
        btRemove->click();
        return true;
    }
    return FilterWindow::eventFilter(watched, e);
}

void TCatalogForm::showEvent(QShowEvent* e) {
    FilterWindow::showEvent(e);
    fields->ledMask->setFocus();
}

void TCatalogForm::dragEnterEvent(QDragEnterEvent* e) {
    // The files are only read: the drag source is told they were copied.
    if (!e->mimeData()->hasUrls() || !(e->possibleActions() & Qt::CopyAction)) {
        e->ignore();
        return;
    }
    e->setDropAction(Qt::CopyAction);
    e->accept();
}

void TCatalogForm::dropEvent(QDropEvent* e) {
    QStringList paths;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    if (paths.isEmpty() || !(e->possibleActions() & Qt::CopyAction)) {
        e->ignore();
        return;
    }
    e->setDropAction(Qt::CopyAction);
    e->accept();
    emit pathsDropped(paths);
}

} // namespace kx
