// The main window's output: the list as text or CSV, and the shown rows on the default printer.
// Each runs on the window's job runner behind its progress window.
#pragma once

#include "output/exportfile.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace kx {

class TInfoFileForm;

class ExportController {
public:
    explicit ExportController(TInfoFileForm& window) : m_w(window) {}

    void saveTextClick();
    void saveCsvClick();
    void printClick();

private:
    // Asks for the export's file (proposed: the list's name with `extension`, beside it) and
    // whether to replace it; the empty text when the user cancels.
    QString chooseExportFile(const QString& title, const QString& filter, const QString& extension);
    // Runs an export or a print job behind the progress window and tells, without a path, the
    // error that ends it.
    void runAndTell(const QString& caption, std::function<bool()> work);
    void print(const QStringList& lines, int pages);

    TInfoFileForm& m_w;
};

} // namespace kx
