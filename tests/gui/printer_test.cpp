// Prints real lines and reads the PDF back: through the default printer of a private print
// server when scripts/print-test-env provides one, otherwise through a PDF file printer.
#include "common/qstringprint.h"
#include "common/treebuilder.h"
#include "listfile/io/error.h"
#include "output/gui/printersurface.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

namespace {

// The first PDF in the folder once it is complete (ends in %%EOF and stops growing).
QString waitForPdf(const QString& folder, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    qint64 lastSize = -1;
    while (timer.elapsed() < timeoutMs) {
        const QStringList pdfs = QDir(folder).entryList({"*.pdf"}, QDir::Files, QDir::Name);
        if (!pdfs.isEmpty()) {
            const QString path = QDir(folder).filePath(pdfs.first());
            QFile f(path);
            if (f.open(QIODevice::ReadOnly)) {
                const QByteArray data = f.readAll();
                if (data.size() == lastSize && data.right(32).contains("%%EOF")) return path;
                lastSize = data.size();
            }
        }
        QThread::msleep(200);
    }
    return {};
}

QString pdfText(const QString& pdf) {
    QProcess p;
    p.start("pdftotext", {"-enc", "UTF-8", pdf, "-"});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Every line must appear in the text in order, and a page must end between the first and the last.
void expectPrinted(const QString& pdf, const QStringList& lines) {
    const QString text = pdfText(pdf);
    ASSERT_FALSE(text.isEmpty()) << "pdftotext read nothing from " << pdf.toStdString();
    qsizetype at = 0;
    for (const QString& line : lines) {
        const qsizetype found = text.indexOf(line, at);
        ASSERT_GE(found, 0) << "missing or out of order: " << line.toStdString();
        at = found + line.size();
    }
    const qsizetype pageBreak = text.indexOf(QLatin1Char('\f'));
    EXPECT_GT(pageBreak, text.indexOf(lines.first()));
    EXPECT_LT(pageBreak, text.indexOf(lines.last()));
}

QString printToPdfFile(const QStringList& lines, const QTemporaryDir& dir) {
    const QString pdf = dir.filePath("printed.pdf");
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    EXPECT_TRUE(kx::out::printOnPrinter(lines, printer));
    return pdf;
}

QStringList folderLines(std::string_view folderName, int files) {
    kxtest::TreeBuilder t;
    t.file(t.root(), "readme.txt").attributes(kx::damaged);
    kx::Entry* folder = t.folder(t.root(), folderName);
    for (int i = 0; i < files; ++i)
        t.file(folder, "file " + std::to_string(1000 + i) + ".dat");
    return kx::out::collectPrintLines(t.root()->children());
}

} // namespace

TEST(Printer, DefaultPrinterGetsEveryLineOverMoreThanOnePage) {
    const QStringList lines = folderLines("Folder", 150);
    ASSERT_EQ(lines.mid(0, 2), QStringList({"*readme.txt", "Folder\\file 1000.dat"}));

    QTemporaryDir dir;
    QString pdf;
    const QString cupsOut = qEnvironmentVariable("FENTARO_PRINT_OUT");
    if (qEnvironmentVariableIsSet("CUPS_SERVER") && !cupsOut.isEmpty() &&
        kx::out::hasDefaultPrinter()) {
        ASSERT_TRUE(kx::out::printOnDefaultPrinter(lines, "Fentaro print test"));
        pdf = waitForPdf(cupsOut, 40000);
        ASSERT_FALSE(pdf.isEmpty()) << "the PDF printer wrote no file";
    } else {
        std::cout << "note: no print server with a default printer (run through "
                     "scripts/print-test-env); printing to a PDF file instead\n";
        if (!kx::out::hasDefaultPrinter()) {
            EXPECT_THROW(kx::out::printOnDefaultPrinter(lines, "Fentaro print test"), kx::Error);
        }
        pdf = printToPdfFile(lines, dir);
    }
    expectPrinted(pdf, lines);
}

// The list's 8-bit names reach the page as the letters they stand for.
TEST(Printer, CyrillicNamesReachThePage) {
    const QStringList lines = folderLines("\xCF\xE0\xEF\xEA\xE0", 80); // cp1251 "Папка"
    ASSERT_EQ(lines[1], "Папка\\file 1000.dat");
    QTemporaryDir dir;
    expectPrinted(printToPdfFile(lines, dir), lines);
}
