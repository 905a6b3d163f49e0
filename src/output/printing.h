// Printing: the print lines of a folder and the page layout over a drawing surface.
#pragma once

#include "listfile/entry.h"
#include "support/progress.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace kx::out {

// Lines for every file in and below the given entries (the shown folder's children), each with
// its path relative to that folder and "*" in front when the file is damaged.
QStringList collectPrintLines(kx::ChildList entries);

// The drawing surface the layout talks to, in the surface's device units.
class PrintSurface {
public:
    virtual ~PrintSurface() = default;
    virtual bool begin() = 0; // false when the job cannot start
    virtual void setFontFace(const QString& face) = 0;
    virtual int textWidth(const QString& s) = 0;
    virtual int textHeight(const QString& s) = 0;
    virtual void drawText(int x, int y, const QString& s) = 0; // y = top of the text
    virtual void newPage() = 0;
    virtual void end() = 0;
    virtual int pageWidth() const = 0;
    virtual int pageHeight() const = 0;
    // Cancels a job that has begun, in place of end(): nothing of it is printed.
    virtual void abort() { end(); }
    // After end(): whether the printer took the job.
    virtual bool accepted() const { return true; }
};

// The page geometry of a print job.
namespace page {
constexpr int left = 100;         // x of every line
constexpr int top = 100;          // y of the first line on every page
constexpr int sideMargins = 200;  // width limit = page width - this
constexpr int bottomMargin = 200; // a new page follows once y passes page height - this
inline const char* const fontFace = "Times New Roman";
} // namespace page

// Lays the lines out in one column: a line wider than the limit is cut once, its head shortened
// in steps of two characters until it fits, the rest on the next line; a new page starts when y
// has passed the threshold and another line follows. The progress hears the lines drawn of the
// lines in all after each line; once it says to stop, the job is aborted. True when printed;
// false when aborted. Throws
// kx::Error (printRefused) when begin() failed or the printer did not take the job.
bool printLines(const QStringList& lines, PrintSurface& surface, const kx::Progress& progress = {});

// The number of pages printLines fills on a surface with these measures, found by the same
// layout without beginning a job or drawing; 0 for no lines. Only the surface's font, text and
// page measures are used.
int countPages(const QStringList& lines, PrintSurface& measures);

} // namespace kx::out
