// Printing: print line collection and the one-column page layout over a drawing surface.
#include "output/printing.h"

#include "listfile/codepage.h"
#include "listfile/io/error.h"
#include "query/belowroot.h"

namespace kx::out {

QStringList collectPrintLines(kx::ChildList entries) {
    QStringList lines;
    std::string line;
    // The names as shown (UTF-8): an exact name where the record keeps one.
    walkWithPaths(
        entries, PathJoin::exportPath,
        [&](const kx::Entry* e, const FolderPath& folder) {
            if (e->isFolder()) return WalkOn::into;
            line.clear();
            if (e->isDamaged()) line += '*';
            folder.appendChild(line, nameIn(e, NameForm::shown));
            lines.append(QString::fromStdString(line));
            return WalkOn::over;
        },
        NameForm::shown);
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
