// Printing on a real printer: QPainter on a QPrinter, and the system's default printer.
#include "output/gui/printersurface.h"

#include "listfile/io/error.h"

#include <QFontMetrics>
#include <QPrinter>
#include <QPrinterInfo>

namespace kx::out {

bool PrinterSurface::begin() {
    if (!m_painter.begin(&m_printer)) return false;
    m_painter.setFont(m_font);
    return true;
}

void PrinterSurface::setFontFace(const QString& face) {
    m_font.setFamily(face);
    if (m_painter.isActive()) m_painter.setFont(m_font);
}

int PrinterSurface::textWidth(const QString& s) {
    return QFontMetrics(m_font, &m_printer).horizontalAdvance(s);
}

int PrinterSurface::textHeight(const QString&) {
    return QFontMetrics(m_font, &m_printer).height();
}

void PrinterSurface::drawText(int x, int y, const QString& s) {
    m_painter.drawText(x, y + m_painter.fontMetrics().ascent(), s);
}

void PrinterSurface::newPage() {
    m_printer.newPage();
}

void PrinterSurface::end() {
    // A job that the print system refuses leaves the printer in its error state.
    m_accepted = m_painter.end() && m_printer.printerState() != QPrinter::Error;
}

void PrinterSurface::abort() {
    m_printer.abort();
    m_painter.end();
    m_accepted = false;
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

bool printOnPrinter(const QStringList& lines, QPrinter& printer, const kx::Progress& progress) {
    PrinterSurface surface(printer);
    return printLines(lines, surface, progress);
}

int pageCountOnPrinter(const QStringList& lines, QPrinter& printer) {
    PrinterSurface surface(printer);
    return countPages(lines, surface);
}

bool printOnDefaultPrinter(const QStringList& lines, const QString& jobName,
                           const kx::Progress& progress) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) throw kx::Error(kx::ErrorCode::printRefused);
    QPrinter printer(info);
    printer.setDocName(jobName);
    return printOnPrinter(lines, printer, progress);
}

int pageCountOnDefaultPrinter(const QStringList& lines) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return 0;
    QPrinter printer(info);
    return pageCountOnPrinter(lines, printer);
}

} // namespace kx::out
