// The treemap widget.
#include "browser/gui/treemapview.h"

#include "browser/marks.h"

#include <QEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <cmath>

namespace kx {

TreemapView::TreemapView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(200, 150);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TreemapView::setContent(Content content) {
    m_content = std::move(content);
    refresh();
}

void TreemapView::refresh() {
    m_cells = m_content.layout ? m_content.layout({0, 0, double(width()), double(height())})
                               : std::vector<TreemapCell>();
    repaintImage();
    update();
}

out::TreemapColours TreemapView::colours() const {
    const QColor base = palette().color(QPalette::Base);
    return isDarkBackground(base.rgb() & 0xffffff) ? out::TreemapColours::dark()
                                                   : out::TreemapColours::light();
}

out::TreemapPicture TreemapView::picture() const {
    out::TreemapPicture p;
    p.cells = &m_cells;
    p.width = width();
    p.height = height();
    p.colours = colours();
    p.fill = m_content.fill;
    p.name = m_content.name;
    p.title = m_content.title;
    return p;
}

std::string TreemapView::svg() const {
    return out::treemapSvg(picture());
}

void TreemapView::repaintImage() {
    const out::TreemapPicture p = picture();
    m_image = QImage(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
    m_image.fill(QColor::fromRgb(p.colours.background));
    if (!p.fill) return;
    QPainter painter(&m_image);
    const QColor line = QColor::fromRgb(p.colours.line);
    const QColor text = QColor::fromRgb(p.colours.text);
    QFont small = font();
    small.setPixelSize(11);
    painter.setFont(small);
    for (const TreemapCell& cell : m_cells) {
        const TreemapRect& r = cell.rect;
        const std::uint32_t fill = cell.folder ? p.colours.folder : p.fill(cell);
        if (r.w * r.h < 1) {
            // Below a pixel: its colour on the pixel it falls in, as fast as a store.
            const int x = int(r.x + r.w / 2), y = int(r.y + r.h / 2);
            if (x >= 0 && y >= 0 && x < m_image.width() && y < m_image.height())
                reinterpret_cast<QRgb*>(m_image.scanLine(y))[x] = 0xff000000u | fill;
            continue;
        }
        const QRectF rect(r.x, r.y, r.w, r.h);
        painter.fillRect(rect, QColor::fromRgb(fill));
        if (r.w >= 3 && r.h >= 3) {
            painter.setPen(line);
            painter.drawRect(rect.adjusted(0, 0, -0.5, -0.5));
        }
        if (!out::hasRoomForName(cell)) continue;
        const std::string name = out::fittedName(p.name(cell), r.w);
        if (name.empty()) continue;
        painter.setPen(text);
        painter.drawText(QPointF(r.x + 3, r.y + 12), QString::fromStdString(name));
    }
}

void TreemapView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}

void TreemapView::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    refresh();
}

void TreemapView::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::PaletteChange) refresh();
}

int TreemapView::cellAtPoint(const QPoint& p, int depth) const {
    return cellAt(m_cells, p.x() + 0.5, p.y() + 0.5, depth);
}

QString TreemapView::cellTitle(const TreemapCell& c) const {
    return QString::fromStdString(m_content.title(c));
}

bool TreemapView::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const int cell = cellAtPoint(help->pos());
        if (cell >= 0 && m_content.title)
            QToolTip::showText(help->globalPos(), cellTitle(m_cells[std::size_t(cell)]), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(e);
}

void TreemapView::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const int cell = cellAtPoint(e->position().toPoint());
    if (cell >= 0) emit cellClicked(cell);
}

void TreemapView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const int cell = cellAtPoint(e->position().toPoint(), 0);
    if (cell >= 0) emit cellDoubleClicked(cell);
}

} // namespace kx
