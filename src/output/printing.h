// Printing: the print lines of a folder, the page layout over a drawing surface, the printer.
#pragma once

#include "listfile/entry.h"

#include <QPainter>
#include <QString>
#include <QStringList>
#include <vector>

class QPrinter;

namespace kx::out {

// Lines for every file in and below the given entries (the shown folder's children), each with
// its path relative to that folder and "*" in front when the file is damaged.
QStringList collectPrintLines(const std::vector<kx::Entry*>& entries);

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
// has passed the threshold and another line follows. Returns false when begin() failed.
bool printLines(const QStringList& lines, PrintSurface& surface);

// QPainter on a QPrinter.
class PrinterSurface : public PrintSurface {
public:
    explicit PrinterSurface(QPrinter& printer) : m_printer(printer) {}
    bool begin() override;
    void setFontFace(const QString& face) override;
    int textWidth(const QString& s) override;
    int textHeight(const QString& s) override;
    void drawText(int x, int y, const QString& s) override;
    void newPage() override;
    void end() override;
    int pageWidth() const override;
    int pageHeight() const override;

private:
    QPrinter& m_printer;
    QPainter m_painter;
};

// True when the system has a default printer.
bool hasDefaultPrinter();

// Prints the lines on the given printer (a real queue or a PDF file).
bool printOnPrinter(const QStringList& lines, QPrinter& printer);

// Prints on the system's default printer with the printer's default settings. Returns false when
// there is no default printer or the job cannot start.
bool printOnDefaultPrinter(const QStringList& lines, const QString& jobName);

} // namespace kx::out
