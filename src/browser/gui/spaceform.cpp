// The window of where the space goes.
#include "browser/gui/spaceform.h"

#include "support/strings.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kx {

using ui::Cap;

TSpaceForm::TSpaceForm(QWidget* parent, const ui::StringTables& tables)
    : QDialog(parent), m_t(tables) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinMaxButtonsHint);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    lblPlace = new QLabel(this);
    lblPlace->setTextFormat(Qt::PlainText);
    lblPlace->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(lblPlace);
    tabs = new QTabWidget(this);
    tabs->addTab(buildTreemapTab(), QString());
    tabs->addTab(buildTypesTab(), QString());
    largest = new LargestView(tabs);
    tabs->addTab(largest, QString());
    layout->addWidget(tabs, 1);
    connect(tabs, &QTabWidget::currentChanged, this, [this] { fillShownTab(); });
    connect(largest, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (m_handlers.fileActivated) m_handlers.fileActivated(LargestView::keyOf(item));
    });
    applyTexts();
    resize(900, 640);
}

QWidget* TSpaceForm::buildTreemapTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* bar = new QHBoxLayout;
    layout->addLayout(bar);
    btBack = new QPushButton(page);
    btUp = new QPushButton(page);
    cbColouring = new QComboBox(page);
    cbColouring->addItems({QString(), QString()});
    btLargest = new QPushButton(page);
    btPng = new QPushButton(page);
    btSvg = new QPushButton(page);
    for (QWidget* w : std::initializer_list<QWidget*>{btBack, btUp, cbColouring, btLargest})
        bar->addWidget(w);
    bar->addStretch(1);
    bar->addWidget(btPng);
    bar->addWidget(btSvg);
    auto* legend = new QHBoxLayout;
    layout->addLayout(legend);
    for (int g = 0; g < kTypeGroups; ++g) {
        auto* swatch = new QLabel(page);
        swatch->setFixedSize(12, 12);
        swatch->setAutoFillBackground(true);
        QPalette p = swatch->palette();
        p.setColor(QPalette::Window, QColor::fromRgb(typeGroupColour(TypeGroup(g))));
        swatch->setPalette(p);
        legend->addWidget(swatch);
        m_legend[g] = new QLabel(page);
        legend->addWidget(m_legend[g]);
        legend->addSpacing(8);
    }
    legend->addStretch(1);
    treemap = new TreemapView(page);
    layout->addWidget(treemap, 1);

    const auto call = [](const std::function<void()>& f) {
        if (f) f();
    };
    connect(btBack, &QPushButton::clicked, this, [this, call] { call(m_handlers.back); });
    connect(btUp, &QPushButton::clicked, this, [this, call] { call(m_handlers.up); });
    connect(btLargest, &QPushButton::clicked, this, [this] { showTab(largestTab); });
    connect(btPng, &QPushButton::clicked, this, [this] {
        if (m_handlers.save) m_handlers.save(false);
    });
    connect(btSvg, &QPushButton::clicked, this, [this] {
        if (m_handlers.save) m_handlers.save(true);
    });
    connect(cbColouring, &QComboBox::currentIndexChanged, this, [this] {
        if (m_source) guarded([&] { treemap->setContent(m_source->treemap(byMarks())); });
    });
    connect(treemap, &TreemapView::cellClicked, this, [this](int cell) {
        if (m_handlers.cellClicked) m_handlers.cellClicked(treemap->cells()[std::size_t(cell)]);
    });
    connect(treemap, &TreemapView::cellDoubleClicked, this, [this](int cell) {
        if (m_handlers.cellDoubleClicked)
            m_handlers.cellDoubleClicked(treemap->cells()[std::size_t(cell)]);
    });
    return page;
}

QWidget* TSpaceForm::buildTypesTab() {
    auto* split = new QSplitter(Qt::Vertical);
    types = new TypesView(split);
    auto* lower = new QWidget(split);
    auto* layout = new QVBoxLayout(lower);
    layout->setContentsMargins(0, 0, 0, 0);
    m_typeFilesLabel = new QLabel(lower);
    layout->addWidget(m_typeFilesLabel);
    typeFiles = new LargestView(lower);
    layout->addWidget(typeFiles, 1);
    connect(types, &QTreeWidget::currentItemChanged, this, [this] { showTypeFiles(); });
    connect(typeFiles, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (m_handlers.fileActivated) m_handlers.fileActivated(LargestView::keyOf(item));
    });
    return split;
}

void TSpaceForm::applyTexts() {
    setWindowTitle(m_t.caption(Cap::spaceTitle));
    tabs->setTabText(treemapTab, m_t.caption(Cap::treemapTab));
    tabs->setTabText(typesTab, m_t.caption(Cap::typesTab));
    tabs->setTabText(largestTab, m_t.caption(Cap::largestTab));
    btBack->setText(m_t.caption(Cap::back));
    btUp->setText(m_t.caption(Cap::up));
    btLargest->setText(m_t.caption(Cap::largestTab));
    btPng->setText(m_t.caption(Cap::savePng));
    btSvg->setText(m_t.caption(Cap::saveSvg));
    cbColouring->setItemText(0, m_t.caption(Cap::colourByType));
    cbColouring->setItemText(1, m_t.caption(Cap::colourByMark));
    for (int g = 0; g < kTypeGroups; ++g)
        m_legend[g]->setText(typeGroupText(m_t, TypeGroup(g)));
    types->applyTexts(m_t);
    typeFiles->applyTexts(m_t);
    largest->applyTexts(m_t);
    if (m_source) lblPlace->setText(m_source->place(m_t));
    showTypeFiles();
}

bool TSpaceForm::byMarks() const {
    return cbColouring->currentIndex() == 1;
}

void TSpaceForm::setSource(std::shared_ptr<SpaceSource> source) {
    m_source = std::move(source);
    refresh();
}

void TSpaceForm::refresh() {
    for (bool& stale : m_stale)
        stale = true;
    if (!m_source) {
        // Nothing of a source that is gone may stay: the views hold its Entries.
        treemap->setContent({});
        types->clear();
        typeFiles->clear();
        largest->clear();
        lblPlace->clear();
        return;
    }
    lblPlace->setText(m_source->place(m_t));
    fillShownTab();
}

void TSpaceForm::showTab(Tab tab) {
    tabs->setCurrentIndex(tab);
    fillShownTab();
}

void TSpaceForm::guarded(const std::function<void()>& read) {
    if (m_handlers.guard)
        m_handlers.guard(read);
    else
        read();
}

void TSpaceForm::fillShownTab() {
    const int tab = tabs->currentIndex();
    if (!m_source || tab < 0 || !m_stale[tab]) return;
    guarded([&] {
        switch (Tab(tab)) {
        case treemapTab:
            treemap->setContent(m_source->treemap(byMarks()));
            break;
        case typesTab:
            types->setTotals(m_source->types(), m_t);
            break;
        case largestTab:
            largest->setRows(m_source->largest({}));
            break;
        }
        m_stale[tab] = false; // a read that failed is tried again when the tab shows again
    });
    if (tab == typesTab) showTypeFiles();
}

void TSpaceForm::showTypeFiles() {
    QTreeWidgetItem* item = types->currentItem();
    const TypeChoice choice = TypesView::choiceOf(item);
    const QString type = !item                 ? m_t.caption(Cap::allTypes)
                         : choice.oneExtension ? item->text(TypesView::colExtension)
                                               : typeGroupText(m_t, choice.group);
    m_typeFilesLabel->setText(m_t.caption(Cap::largestOfType).arg(type));
    if (m_source && !m_stale[typesTab])
        guarded([&] { typeFiles->setRows(m_source->largest(choice)); });
}

} // namespace kx
