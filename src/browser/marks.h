// The mark rules: needed / not needed / clear on files and folders, the ancestors' mark counts,
// the mapping of detail-list rows to Entries and how marked rows are drawn.
#pragma once

#include "listfile/entry.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace kx {

// +1 / -1 on the markCount of each ancestor of e, from its parent upwards, stopping at the first
// ancestor whose name is empty (or at the top). e's own count never changes.
void raiseAncestorCounts(Entry* e);
void lowerAncestorCounts(Entry* e);

// The room a subtree's mark needs: one place per Entry of the subtree. Reserved for the largest
// subtree before a command changes anything, it lets the command finish without allocating.
class MarkWalk {
public:
    void reserve(std::size_t entries);

private:
    friend void setSubtreeMark(Entry* folder, std::uint8_t value, MarkWalk& walk);
    struct Visit {
        Entry* e;
        std::size_t parent; // index into m_order, npos for the folder itself
        std::int32_t own;   // this Entry's own change, passed to its parent
        std::int32_t below; // changes arriving from its children
    };
    std::vector<Visit> m_order;
    std::vector<std::pair<std::size_t, std::size_t>> m_stack; // (index in m_order, next child)
};

// Sets `mark` on folder and on every Entry below it. Each Entry's own change follows the count
// rule: 0 -> non-zero raises its ancestors, non-zero -> 0 lowers them. No recursion. The subtree
// is walked into `walk` before any mark changes: when memory runs out (std::bad_alloc) nothing
// has changed, and a walk reserved for the subtree needs no memory at all.
void setSubtreeMark(Entry* folder, std::uint8_t value, MarkWalk& walk);
void setSubtreeMark(Entry* folder, std::uint8_t value);

enum class MarkCommand { Needed, NotNeeded, Clear };
// One command on one Entry: the file tables for anything that is not a folder, the folder rules
// (a whole-subtree overwrite decided by the folder's own mark, through `walk`) for kind 'D'.
void applyMark(Entry* e, MarkCommand cmd, MarkWalk& walk);
void applyMark(Entry* e, MarkCommand cmd);

// The detail list's rows start with the ".." row while it shows (below the root, outside the
// search results): the Entry at index i of the rows is then row i + 1. The row of index 0.
int firstEntryRow(bool upRowShown);
// The Entry behind detail-list row `row`; null for the ".." row and out of range. The ".." row is
// row 0 only while hasUpRow is set and searchMode is not.
Entry* rowEntry(const std::vector<Entry*>& rows, int row, bool hasUpRow, bool searchMode);
// The Entries of the selected rows (any order, duplicates allowed) in ascending row order, each
// once, without the ".." row.
std::vector<Entry*> selectedEntries(const std::vector<Entry*>& rows, std::vector<int> selectedRows,
                                    bool hasUpRow, bool searchMode);

// A colour as 0xRRGGBB; kNoColour stands for the list's normal colour.
using Rgb = std::uint32_t;
constexpr Rgb kNoColour = 0xFFFFFFFFu;

// How one cell of a row is drawn. useDefaults: draw with the list's own colours and font.
struct RowStyle {
    bool useDefaults = true;
    Rgb text = kNoColour;
    Rgb background = kNoColour; // kNoColour: the list's normal background
    bool strikeOut = false;
};
// The name cell: red for damaged, red and struck through for crossed out, background by mark.
// e null (the ".." row, or no row entries) gives the defaults.
RowStyle nameCellStyle(const Entry* e);
// The other cells: black and plain, background by mark.
RowStyle otherCellStyle(const Entry* e);

// A file's fill in a treemap coloured by marks: its mark's background, a pale grey for none.
Rgb markFill(const Entry& e);

// The contrast ratio of two colours, from 1 (the same) to 21 (black and white), by their
// relative luminance as the accessibility guidelines define it.
double contrastRatio(Rgb a, Rgb b);
// A background on which white text reads better than black.
bool isDarkBackground(Rgb background);
// `wanted` when it reads on `background` (a contrast of 4.5 or more); else the first colour on
// the way from it to black or to white (whichever reads better there) that does.
Rgb readableOn(Rgb wanted, Rgb background);
// A cell's style on a list whose normal colours are dark (`base` behind, `text` in front): the
// mark backgrounds stay; black text where there is no mark becomes the list's text colour, and
// every other text colour is made readable on what lies behind it.
RowStyle onDarkList(RowStyle style, Rgb base, Rgb text);

} // namespace kx
