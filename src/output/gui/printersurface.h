// Printing on a real printer: the drawing surface over QPainter and QPrinter.
#pragma once

#include "output/printing.h"

#include <QPainter>

class QPrinter;

namespace kx::out {

// QPainter on a QPrinter. Text is measured with the printer's font metrics, before begin() as
// well, so that pages can be counted without starting a job.
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
    void abort() override;
    bool accepted() const override { return m_accepted; }

private:
    QPrinter& m_printer;
    QPainter m_painter;
    QFont m_font;
    bool m_accepted = false;
};

// True when the system has a default printer.
bool hasDefaultPrinter();

// Prints the lines on the given printer (a real queue or a PDF file); see printLines.
bool printOnPrinter(const QStringList& lines, QPrinter& printer, const kx::Progress& progress = {});
// The pages the lines fill on the given printer.
int pageCountOnPrinter(const QStringList& lines, QPrinter& printer);

// Prints on the system's default printer with the printer's default settings (see printLines).
// Throws kx::Error (printRefused) when there is no default printer as well.
bool printOnDefaultPrinter(const QStringList& lines, const QString& jobName,
                           const kx::Progress& progress = {});
// The pages the lines fill on the default printer; 0 without one.
int pageCountOnDefaultPrinter(const QStringList& lines);

} // namespace kx::out
