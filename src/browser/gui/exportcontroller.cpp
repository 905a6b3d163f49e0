// The main window's text and CSV export and its printing.
#include "browser/gui/exportcontroller.h"

#include "browser/gui/infofileform.h"
#include "browser/gui/writeprogress.h"
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

void ExportController::runExport(const QString& caption, std::int32_t total,
                                 std::function<out::ExportResult()> write) {
    m_w.runWithProgress(caption, total, std::move(write), [this](bool, auto& outcome) {
        out::ExportResult result = out::ExportResult::WriteFailed;
        try {
            result = outcome.get();
        } catch (const std::exception&) {
            result = out::ExportResult::WriteFailed;
        }
        const ui::StringTables& t = m_w.m_tables;
        if (result == out::ExportResult::CreateFailed || result == out::ExportResult::WriteFailed)
            m_w.showMessage(t.message(ui::Msg::createFailed), UserDialogs::Icon::Error);
        if (result == out::ExportResult::NotRegularFile)
            m_w.showMessage(t.message(ui::Msg::exportNotRegularFile), UserDialogs::Icon::Error);
        if (result == out::ExportResult::IsTheList)
            m_w.showMessage(t.message(ui::Msg::exportOverList), UserDialogs::Icon::Error);
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
    const WriteProgress progress = ui::writeProgressOf(m_w.m_progress);
    const Entry* root = m_w.root();
    const QString listFile = m_w.m_listFilePath;
    runExport(t.message(ui::Msg::exportTextProgress),
              ui::ProgressCounter::totalOf(kx::countBelow(root)),
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
    const WriteProgress progress = ui::writeProgressOf(m_w.m_progress);
    const QString listFile = m_w.m_listFilePath;
    if (which == 0) {
        // The rows as they are shown: sorted when sorted, the ".." row left out.
        const std::vector<Entry*> rows = m_w.m_model->shownEntries();
        runExport(t.message(ui::Msg::exportCsvProgress), static_cast<std::int32_t>(rows.size()),
                  [=] { return out::exportCsvRowsToFile(rows, chosen, progress, listFile); });
    } else {
        const Entry* root = m_w.root();
        runExport(t.message(ui::Msg::exportCsvProgress),
                  ui::ProgressCounter::totalOf(kx::countBelow(root)), [=] {
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
    const WriteProgress progress = ui::writeProgressOf(m_w.m_progress);
    UserDialogs* dialogs = m_w.m_dialogs.get();
    const QString jobName = ui::applicationTitle();
    m_w.runWithProgress(
        t.message(ui::Msg::printProgress), static_cast<std::int32_t>(lines.size()),
        [dialogs, lines, jobName, progress] {
            return dialogs->printOnDefaultPrinter(lines, jobName, progress);
        },
        [this](bool cancelled, auto& outcome) {
            // A cancelled job prints nothing and needs no word; a refused one is reported.
            if (!outcome.get() && !cancelled)
                m_w.showMessage(m_w.m_tables.message(ui::Msg::printRefused),
                                UserDialogs::Icon::Error);
        });
}

} // namespace kx
