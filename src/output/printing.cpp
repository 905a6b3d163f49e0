// Printing: print line collection and the one-column page layout over a drawing surface.
#include "output/printing.h"

#include "listfile/codepage.h"
#include "listfile/io/error.h"

namespace kx::out {

QStringList collectPrintLines(kx::ChildList entries) {
    QStringList lines;
    // An explicit stack instead of recursion: a list may be nested very deeply.
    struct Frame {
        kx::ChildList list;
        std::size_t next;
        qsizetype prefixLength; // the prefix's length before this folder's name was added
    };
    std::vector<Frame> stack{{entries, 0, 0}};
    QString prefix;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.list.size()) {
            prefix.truncate(frame.prefixLength);
            stack.pop_back();
            continue;
        }
        const kx::Entry* e = frame.list[frame.next++];
        const QString name = kx::fromAnsi(e->name());
        if (e->isFolder()) {
            const qsizetype before = prefix.size();
            if (!prefix.isEmpty()) prefix += QLatin1Char('\\');
            prefix += name;
            stack.push_back({e->children(), 0, before});
            continue;
        }
        QString line;
        if (e->isDamaged()) line += QLatin1Char('*');
        if (!prefix.isEmpty()) line += prefix + QLatin1Char('\\');
        line += name;
        lines.append(line);
    }
    return lines;
}

bool printLines(const QStringList& lines, PrintSurface& surface, const kx::Progress& progress) {
    if (!surface.begin()) throw kx::Error(kx::ErrorCode::printRefused);
    surface.setFontFace(QString::fromLatin1(page::fontFace));
    const int limit = surface.pageWidth() - page::sideMargins;
    const int threshold = surface.pageHeight() - page::bottomMargin;
    int y = page::top;
    auto draw = [&](const QString& text) {
        surface.drawText(page::left, y, text);
        y += surface.textHeight(text);
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (surface.textWidth(line) <= limit) {
            draw(line);
        } else {
            // One cut at most: the longest head (shortened two characters at a time) that fits,
            // then the rest as it is, even if that still overflows.
            qsizetype k = 2;
            while (k < line.size() && surface.textWidth(line.left(line.size() - k)) > limit)
                k += 2;
            if (k < line.size()) {
                draw(line.left(line.size() - k));
                draw(line.right(k));
            } else {
                draw(line); // no head fits at all: a cut would only print an empty line
            }
        }
        if (!kx::goOn(progress, std::uint64_t(i) + 1, std::uint64_t(lines.size()))) {
            surface.abort();
            return false;
        }
        // No new page after the last line: it would come out of the printer blank.
        if (y > threshold && i + 1 < lines.size()) {
            surface.newPage();
            y = page::top;
        }
    }
    surface.end();
    if (!surface.accepted()) throw kx::Error(kx::ErrorCode::printRefused);
    return true;
}

namespace {

// Takes its measures from another surface and counts the pages instead of drawing them.
class PageCounter : public PrintSurface {
public:
    explicit PageCounter(PrintSurface& measures) : m_measures(measures) {}
    int pages = 1;

    bool begin() override { return true; }
    void setFontFace(const QString& face) override { m_measures.setFontFace(face); }
    int textWidth(const QString& s) override { return m_measures.textWidth(s); }
    int textHeight(const QString& s) override { return m_measures.textHeight(s); }
    void drawText(int, int, const QString&) override {}
    void newPage() override { ++pages; }
    void end() override {}
    int pageWidth() const override { return m_measures.pageWidth(); }
    int pageHeight() const override { return m_measures.pageHeight(); }

private:
    PrintSurface& m_measures;
};

} // namespace

int countPages(const QStringList& lines, PrintSurface& measures) {
    if (lines.isEmpty()) return 0;
    PageCounter counter(measures);
    printLines(lines, counter);
    return counter.pages;
}

} // namespace kx::out
