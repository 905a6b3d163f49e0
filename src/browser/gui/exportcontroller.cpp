// The main window's text and CSV export and its printing.
#include "browser/gui/exportcontroller.h"

#include "browser/gui/documentcontroller.h"
#include "browser/gui/infofileform.h"
#include "output/csvexport.h"
#include "output/printing.h"
#include "output/textexport.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

namespace kx {

namespace {
// A print of more pages first says how many and asks.
constexpr int kPagesPrintedWithoutAsking = 50;
} // namespace

QString ExportController::chooseExportFile(const QString& title, const QString& filter,
                                           const QString& extension) {
    const ui::StringTables& t = m_w.m_tables;
    const QString proposedName = out::proposedExportName(
        m_w.m_folders->data(m_w.m_folders->indexOf(m_w.rootNode()), Qt::DisplayRole).toString(),
        extension);
    const QString proposed = QFileInfo(m_w.m_listFilePath).dir().filePath(proposedName);
    QString chosen = m_w.m_dialogs->getSaveFileName(&m_w, title, proposed, qtFileFilter(filter));
    if (chosen.isEmpty()) return chosen;
    chosen = out::withTxtExtension(chosen, extension);
    if (QFileInfo::exists(chosen) &&
        m_w.m_dialogs->question(&m_w, t.message(ui::Msg::questionTitle),
                                t.message(ui::Msg::replaceFile), false) != UserDialogs::Answer::Yes)
        return QString();
    return chosen;
}

void ExportController::runAndTell(const QString& caption, std::function<bool()> work) {
    m_w.runWithProgress(caption, std::move(work), [this](bool, auto& outcome) {
        // A cancelled job needs no word; a failed one is told without a path.
        try {
            outcome.get();
        } catch (const Error& e) {
            m_w.showMessage(m_w.m_documentCtl->errorMessage(e), UserDialogs::Icon::Error);
        }
    });
}

void ExportController::saveTextClick() {
    const ui::StringTables& t = m_w.m_tables;
    if (!m_w.root()) {
        m_w.showMessage(t.message(ui::Msg::nothingToExport));
        return;
    }
    if (m_w.searchMode()) return;
    const QString chosen = chooseExportFile(t.caption(ui::Cap::exportTextTitle),
                                            QStringLiteral("*.TXT|*.txt"), QStringLiteral("txt"));
    if (chosen.isEmpty()) return;
    const Progress progress = m_w.m_progress.callback();
    const Entry* root = m_w.root();
    const QString listFile = m_w.m_listFilePath;
    runAndTell(t.message(ui::Msg::exportTextProgress),
               [=] { return out::exportToFile(root, chosen, progress, listFile); });
}

void ExportController::saveCsvClick() {
    const ui::StringTables& t = m_w.m_tables;
    if (!m_w.root()) {
        m_w.showMessage(t.message(ui::Msg::nothingToExport));
        return;
    }
    const int which = m_w.m_dialogs->choose(
        &m_w, t.caption(ui::Cap::exportCsvTitle), t.message(ui::Msg::csvWhichRows),
        {t.caption(ui::Cap::shownRows), t.caption(ui::Cap::wholeList),
         t.caption(ui::Cap::cancelDialog)});
    if (which != 0 && which != 1) return;
    const QString chosen =
        chooseExportFile(t.caption(ui::Cap::exportCsvTitle), t.caption(ui::Cap::csvFileFilter),
                         QStringLiteral("csv"));
    if (chosen.isEmpty()) return;
    const Progress progress = m_w.m_progress.callback();
    const QString listFile = m_w.m_listFilePath;
    if (which == 0) {
        // The rows as they are shown: sorted when sorted, the ".." row left out.
        const std::vector<Entry*> rows = m_w.m_model->shownEntries();
        runAndTell(t.message(ui::Msg::exportCsvProgress),
                   [=] { return out::exportCsvRowsToFile(rows, chosen, progress, listFile); });
    } else {
        const Entry* root = m_w.root();
        runAndTell(t.message(ui::Msg::exportCsvProgress), [=] {
            return out::exportCsvToFile(root, EntryFilter(), chosen, progress, listFile);
        });
    }
}

void ExportController::printClick() {
    const ui::StringTables& t = m_w.m_tables;
    if (!m_w.root()) {
        m_w.showMessage(t.message(ui::Msg::nothingToPrint));
        return;
    }
    if (m_w.searchMode()) return;
    if (!m_w.m_dialogs->hasDefaultPrinter()) {
        m_w.showMessage(t.message(ui::Msg::noDefaultPrinter), UserDialogs::Icon::Error);
        return;
    }
    // The lines are gathered and measured on the printer away from this thread.
    struct Gathered {
        QStringList lines;
        int pages = 0;
    };
    UserDialogs* dialogs = m_w.m_dialogs.get();
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    m_w.runJob(
        [entries = m_w.m_model->rowEntries(), dialogs]() mutable {
            Gathered g;
            g.lines =
                out::collectPrintLines(ChildList(entries.data(), std::uint32_t(entries.size())));
            if (!g.lines.isEmpty()) g.pages = dialogs->pageCountOnDefaultPrinter(g.lines);
            return g;
        },
        [this](auto& outcome) {
            QGuiApplication::restoreOverrideCursor();
            const Gathered& g = outcome.get();
            print(g.lines, g.pages);
        });
}

void ExportController::print(const QStringList& lines, int pages) {
    const ui::StringTables& t = m_w.m_tables;
    if (lines.isEmpty()) {
        m_w.showMessage(t.message(ui::Msg::noFilesToPrint));
        return;
    }
    if (pages > kPagesPrintedWithoutAsking &&
        m_w.m_dialogs->question(&m_w, t.message(ui::Msg::questionTitle),
                                t.message(ui::Msg::printPagesQuestion).arg(pages),
                                false) != UserDialogs::Answer::Yes)
        return;
    // A cancelled job prints nothing and needs no word; a refused one is reported.
    const Progress progress = m_w.m_progress.callback();
    UserDialogs* dialogs = m_w.m_dialogs.get();
    const QString jobName = ui::applicationTitle();
    runAndTell(t.message(ui::Msg::printProgress), [dialogs, lines, jobName, progress] {
        return dialogs->printOnDefaultPrinter(lines, jobName, progress);
    });
}

} // namespace kx
