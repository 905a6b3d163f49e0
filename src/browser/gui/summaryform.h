// The summary window: the list file, its header text, the root as stored, and how many entries
// (with the bytes of the files among them) the whole list, the shown folder and the selection
// hold (a selected folder with everything below it), per kind, mark, comment, damage and
// crossing-out.
#pragma once

#include "query/summary.h"

#include <QDialog>
#include <QString>

#include <cstdint>

class QLabel;
class QTreeWidget;

namespace kx {
namespace ui {
struct StringTables;
}

// A small window beside the main one (not modal); the main window refills it while it is open.
class TSummaryForm : public QDialog {
    Q_OBJECT
public:
    // The figure columns: entries and bytes of each part.
    enum Column {
        colWhat,
        colAllEntries,
        colAllBytes,
        colShownEntries,
        colShownBytes,
        colSelectedEntries,
        colSelectedBytes,
        colCount
    };

    explicit TSummaryForm(QWidget* parent);

    // The texts of the captions table (rows 52 on). The tables must outlive the window.
    void applyTexts(const ui::StringTables& t);
    void showFigures(const QString& listFile, const QString& headerText, const QString& rootText,
                     const Summary& all, const Summary& shown, const Summary& selected);
    // A figure as the window writes it: digits in groups of three.
    static QString number(std::uint64_t n);
    // A number of bytes as the window writes it: the number, and from 1 KB on also the size as
    // the desktop writes it, in units of 1024 ("1 234 567 (1.2 MB)").
    static QString bytesText(std::uint64_t bytes);
    // The rows' tallies of a summary, in the window's row order.
    static const Tally& row(const Summary& s, int row);
    static constexpr int kRows = 9;

    QLabel* lblListFile = nullptr;
    QLabel* lblHeader = nullptr;
    QLabel* lblRoot = nullptr;
    QTreeWidget* twFigures = nullptr;

private:
    QLabel* m_captions[3] = {};
};

} // namespace kx
