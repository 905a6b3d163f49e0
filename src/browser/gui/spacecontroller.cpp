// Where the space goes, from the main window and from the catalogue window.
#include "browser/gui/spacecontroller.h"

#include "browser/gui/catalogcontroller.h"
#include "browser/gui/infofileform.h"
#include "browser/gui/navigationcontroller.h"
#include "browser/marks.h"
#include "catalog/catalog.h"
#include "listfile/codepage.h"
#include "listfile/exactname.h"
#include "query/belowroot.h"

#include <QAction>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <unordered_map>

namespace kx {

// A folder of the open list.
class ListSpace : public SpaceSource {
public:
    ListSpace(const Entry* folder, std::shared_ptr<const std::vector<std::uint64_t>> bytes)
        : m_folder(folder), m_bytes(std::move(bytes)) {}
    const Entry* folder() const { return m_folder; }

    QString place(const ui::StringTables&) const override {
        const Entry* root = m_folder->tree().root();
        return m_folder == root ? nameText(*root)
                                : QString::fromStdString(pathBelowRoot(m_folder, NameForm::shown,
                                                                       separatorOf(m_folder)));
    }
    TreemapView::Content treemap(bool byMarks) override {
        out::TreemapPicture p;
        out::describeEntries(p, m_folder->tree(), *m_bytes, byMarks ? markFill : out::typeColour);
        const Entry* folder = m_folder;
        auto bytes = m_bytes;
        return {[folder, bytes](const TreemapRect& area) {
                    return layoutTreemap(folder, *bytes, area);
                },
                p.fill, p.name, p.title};
    }
    TypeTotals types() override { return sizesByType(m_folder); }
    std::vector<LargeRow> largest(const TypeChoice& choice) override {
        std::vector<LargeRow> rows;
        for (const Entry* e : largestFiles(m_folder, kLargestShown, choice))
            rows.push_back(
                {QString::fromStdString(pathBelowRoot(e, NameForm::shown, separatorOf(e))),
                 e->size(), e->id()});
        return rows;
    }

private:
    const Entry* m_folder;
    std::shared_ptr<const std::vector<std::uint64_t>> m_bytes;
};

// Every list of the catalogue: the lists by their bytes as the treemap, the rest from the
// catalogue's rows.
class CatalogueSpace : public SpaceSource {
public:
    QString place(const ui::StringTables& t) const override {
        return t.caption(ui::Cap::wholeCatalogue);
    }
    TreemapView::Content treemap(bool) override {
        m_lists = open()->lists();
        auto lists = std::make_shared<std::vector<catalog::ListRecord>>(m_lists);
        const auto nameOf = [lists](const TreemapCell& c) {
            const catalog::ListRecord& l = (*lists)[c.id];
            if (!l.label.empty()) return l.label;
            if (!l.rootName.empty()) return fromAnsi(l.rootName).toStdString();
            return QFileInfo(QFile::decodeName(l.path.c_str())).fileName().toStdString();
        };
        return {[lists](const TreemapRect& area) {
                    std::vector<std::size_t> order;
                    for (std::size_t i = 0; i < lists->size(); ++i)
                        if ((*lists)[i].fileBytes > 0) order.push_back(i);
                    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
                        return (*lists)[a].fileBytes > (*lists)[b].fileBytes;
                    });
                    std::vector<double> sizes;
                    for (std::size_t i : order)
                        sizes.push_back(double((*lists)[i].fileBytes));
                    const std::vector<TreemapRect> rects = squarify(sizes, area);
                    std::vector<TreemapCell> cells;
                    for (std::size_t k = 0; k < order.size(); ++k)
                        cells.push_back({rects[k], std::uint32_t(order[k]), 0, false, false});
                    return cells;
                },
                [](const TreemapCell&) { return std::uint32_t(0x8fa8c8); }, nameOf,
                [lists, nameOf](const TreemapCell& c) {
                    return out::sizeTitle(nameOf(c) + " (" + (*lists)[c.id].path + ")",
                                          (*lists)[c.id].fileBytes);
                }};
    }
    TypeTotals types() override { return open()->sizesByType(); }
    std::vector<LargeRow> largest(const TypeChoice& choice) override {
        std::vector<LargeRow> rows;
        for (const catalog::LargeFile& f : open()->largestFiles(kLargestShown, choice)) {
            m_listPaths[f.listId] = f.listPath;
            rows.push_back(
                {QFile::decodeName(f.listPath.c_str()) + QStringLiteral(": ") + fromAnsi(f.caption),
                 f.size, std::size_t(f.listId) << 32 | f.ord});
        }
        return rows;
    }
    const catalog::ListRecord* list(std::size_t i) const {
        return i < m_lists.size() ? &m_lists[i] : nullptr;
    }
    // The list file of a row of the largest files, and the file's place in it; the key names
    // both, so that the rows of every table keep their meaning.
    const std::string* listPathOf(std::size_t key) const {
        const auto it = m_listPaths.find(std::int64_t(key >> 32));
        return it == m_listPaths.end() ? nullptr : &it->second;
    }
    static std::uint32_t ordOf(std::size_t key) { return std::uint32_t(key); }

private:
    static std::unique_ptr<catalog::Catalog> open() {
        return catalog::Catalog::open(catalog::defaultCatalogPath(), catalog::OpenMode::existing);
    }
    std::vector<catalog::ListRecord> m_lists;
    std::unordered_map<std::int64_t, std::string> m_listPaths;
};

SpaceController::SpaceController(TInfoFileForm& window) : m_w(window) {}

SpaceController::~SpaceController() = default;

TSpaceForm* SpaceController::makeForm(QWidget* parent) {
    return new TSpaceForm(parent, m_w.m_tables);
}

void SpaceController::setHandlers(TSpaceForm& form, TSpaceForm::Handlers h) {
    h.save = [this, &form](bool svg) { m_w.guarded([&] { save(form, svg); }); };
    h.guard = [this](const std::function<void()>& read) { m_w.guarded(read); };
    form.setHandlers(std::move(h));
}

void SpaceController::showClick(TSpaceForm::Tab tab) {
    if (!m_w.root()) {
        m_w.showMessage(m_w.m_tables.message(ui::Msg::listEmpty));
        return;
    }
    if (!m_form) {
        m_form = makeForm(&m_w);
        TSpaceForm::Handlers h;
        const auto entryOf = [this](std::uint32_t id) { return m_w.root()->tree().at(id); };
        h.cellClicked = [this, entryOf](const TreemapCell& c) {
            m_w.guarded([&] { reveal(entryOf(c.id)); });
        };
        h.cellDoubleClicked = [this, entryOf](const TreemapCell& c) {
            m_w.guarded([&] {
                if (c.folder)
                    m_w.m_navigationCtl->applyMove(m_w.m_nav.treeKey(entryOf(c.id)));
                else
                    reveal(entryOf(c.id));
            });
        };
        h.back = [this] { m_w.guarded([&] { m_w.spbtBackClick(); }); };
        h.up = [this] { m_w.guarded([&] { m_w.spbtUpClick(); }); };
        h.fileActivated = [this, entryOf](std::size_t key) {
            m_w.guarded([&] { reveal(entryOf(std::uint32_t(key))); });
        };
        setHandlers(*m_form, std::move(h));
    }
    m_form->show();
    m_form->raise();
    m_form->activateWindow();
    m_form->showTab(tab);
    folderShown();
}

void SpaceController::reveal(const Entry* e) {
    m_revealing = true;
    m_w.m_navigationCtl->applyMove(m_w.m_nav.reveal(e));
    m_revealing = false;
}

void SpaceController::folderShown() {
    if (!m_form || !m_form->isVisible() || m_revealing || !m_w.root()) return;
    const Entry* shown = m_w.m_nav.shown();
    if (!shown) return; // the search results: the window stays where it was
    auto* now = dynamic_cast<ListSpace*>(m_form->source());
    if (now && now->folder() == shown) return;
    if (!m_bytes)
        m_bytes =
            std::make_shared<const std::vector<std::uint64_t>>(subtreeBytes(m_w.root()->tree()));
    m_form->setSource(std::make_shared<ListSpace>(shown, m_bytes));
}

void SpaceController::listChanged() {
    // Marks and comments change no size: only the colours by mark.
    if (m_form && m_form->isVisible() && m_form->byMarks()) m_form->treemap->refresh();
}

void SpaceController::forgetList() {
    m_bytes.reset();
    if (m_form) m_form->setSource(nullptr);
}

void SpaceController::applyTexts() {
    const ui::StringTables& t = m_w.m_tables;
    m_w.treemapAction->setText(t.caption(ui::Cap::treemapCommand));
    m_w.typesAction->setText(t.caption(ui::Cap::typesCommand));
    m_w.largestAction->setText(t.caption(ui::Cap::largestCommand));
    if (m_form) m_form->applyTexts();
    if (m_catalogueForm) m_catalogueForm->applyTexts();
}

void SpaceController::showCatalogue(QWidget* beside) {
    if (!m_catalogueForm) {
        m_catalogueForm = makeForm(beside);
        auto source = std::make_shared<CatalogueSpace>();
        TSpaceForm::Handlers h;
        h.cellDoubleClicked = [this, source](const TreemapCell& c) {
            m_w.guarded([&] {
                if (const catalog::ListRecord* l = source->list(c.id))
                    m_w.m_catalogCtl->browseOffline(l->id);
            });
        };
        h.fileActivated = [this, source](std::size_t key) {
            m_w.guarded([&] {
                if (const std::string* path = source->listPathOf(key))
                    m_w.catalogOpenList(*path, CatalogueSpace::ordOf(key));
            });
        };
        setHandlers(*m_catalogueForm, std::move(h));
        m_catalogueForm->setSource(source);
    } else {
        m_catalogueForm->refresh();
    }
    m_catalogueForm->show();
    m_catalogueForm->raise();
    m_catalogueForm->activateWindow();
}

void SpaceController::save(TSpaceForm& form, bool svg) {
    const ui::StringTables& t = m_w.m_tables;
    const QString title = t.caption(svg ? ui::Cap::saveSvg : ui::Cap::savePng);
    const QString filter = t.caption(svg ? ui::Cap::svgFileFilter : ui::Cap::pngFileFilter);
    const QString proposed = svg ? QStringLiteral("treemap.svg") : QStringLiteral("treemap.png");
    const QString chosen =
        m_w.m_dialogs->getSaveFileName(&form, title, proposed, qtFileFilter(filter));
    if (chosen.isEmpty()) return;
    if (svg) {
        out::writePictureFile(chosen, m_w.m_listFilePath, form.treemap->svg());
        return;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!form.treemap->image().save(&buffer, "PNG"))
        throw Error(ErrorCode::exportWriteFailed, chosen.toStdString());
    out::writePictureFile(chosen, m_w.m_listFilePath,
                          std::string_view(png.constData(), std::size_t(png.size())));
}

} // namespace kx
