// Printing on a real printer: QPainter on a QPrinter, and the system's default printer.
#include "output/gui/printersurface.h"

#include <QFontMetrics>
#include <QPrinter>
#include <QPrinterInfo>

namespace kx::out {

bool PrinterSurface::begin() {
    return m_painter.begin(&m_printer);
}

void PrinterSurface::setFontFace(const QString& face) {
    QFont font = m_painter.font();
    font.setFamily(face);
    m_painter.setFont(font);
}

int PrinterSurface::textWidth(const QString& s) {
    return m_painter.fontMetrics().horizontalAdvance(s);
}

int PrinterSurface::textHeight(const QString&) {
    return m_painter.fontMetrics().height();
}

void PrinterSurface::drawText(int x, int y, const QString& s) {
    m_painter.drawText(x, y + m_painter.fontMetrics().ascent(), s);
}

void PrinterSurface::newPage() {
    m_printer.newPage();
}

void PrinterSurface::end() {
    m_painter.end();
}

int PrinterSurface::pageWidth() const {
    return m_printer.width();
}

int PrinterSurface::pageHeight() const {
    return m_printer.height();
}

bool hasDefaultPrinter() {
    return !QPrinterInfo::defaultPrinter().isNull();
}

bool printOnPrinter(const QStringList& lines, QPrinter& printer) {
    PrinterSurface surface(printer);
    return printLines(lines, surface);
}

bool printOnDefaultPrinter(const QStringList& lines, const QString& jobName) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return false;
    QPrinter printer(info);
    printer.setDocName(jobName);
    return printOnPrinter(lines, printer);
}

} // namespace kx::out
