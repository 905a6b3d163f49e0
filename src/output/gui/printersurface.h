// Printing on a real printer: the drawing surface over QPainter and QPrinter.
#pragma once

#include "output/printing.h"

#include <QPainter>

class QPrinter;

namespace kx::out {

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
