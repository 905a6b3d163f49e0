// The treemap as a widget: laid out again when its size or its content changes, painted once into
// a picture that each paint copies, a hover that tells the path and the bytes under the mouse, and
// clicks handed to whoever shows it.
#pragma once

#include "output/treemapsvg.h"
#include "query/treemap.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <vector>

namespace kx {

class TreemapView : public QWidget {
    Q_OBJECT
public:
    // What the view draws: a layout of its area, and per cell its fill, name and hover text (as
    // out::TreemapPicture takes them).
    struct Content {
        std::function<std::vector<TreemapCell>(const TreemapRect& area)> layout;
        std::function<std::uint32_t(const TreemapCell&)> fill;
        std::function<std::string(const TreemapCell&)> name, title;
    };

    explicit TreemapView(QWidget* parent = nullptr);
    void setContent(Content content);
    // Lays out and paints again (the sizes or the colours changed).
    void refresh();

    const std::vector<TreemapCell>& cells() const { return m_cells; }
    // The picture as painted, and the same as SVG text.
    const QImage& image() const { return m_image; }
    std::string svg() const;
    // A cell's name and its hover text.
    std::string cellName(const TreemapCell& c) const { return m_content.name(c); }
    QString cellTitle(const TreemapCell& c) const;
    // The deepest cell under a point of the widget (or the one of `depth`), or -1.
    int cellAtPoint(const QPoint& p, int depth = -1) const;

signals:
    // A click names the deepest cell under the mouse; a double-click the one at the top (a child
    // of the folder laid out), so that it zooms one level in wherever it lands in a folder.
    void cellClicked(int cell);
    void cellDoubleClicked(int cell);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    out::TreemapPicture picture() const;
    out::TreemapColours colours() const;
    void repaintImage();

    Content m_content;
    std::vector<TreemapCell> m_cells;
    QImage m_image;
};

} // namespace kx
