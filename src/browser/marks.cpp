// The mark rules, the ancestors' mark counts, row mapping and how marked rows are drawn.
#include "browser/marks.h"

#include <algorithm>
#include <cmath>

namespace kx {

namespace {

// Counts come from the file and are never validated: add with wrap-around, never overflow.
void addToCount(Entry* e, std::int32_t delta) {
    e->setMarkCount(static_cast<std::int32_t>(static_cast<std::uint32_t>(e->markCount()) +
                                              static_cast<std::uint32_t>(delta)));
}

void addToAncestors(Entry* e, std::int32_t delta) {
    if (delta == 0) return;
    for (Entry* p = e->parent(); p && !p->name().empty(); p = p->parent())
        addToCount(p, delta);
}

std::int32_t countChange(std::uint8_t before, std::uint8_t after) {
    if (before == 0 && after != 0) return 1;
    if (before != 0 && after == 0) return -1;
    return 0;
}

constexpr Rgb kBlack = 0x000000;
constexpr Rgb kRed = 0xFF0000;

Rgb markBackground(std::uint8_t mark) {
    if (mark == 1) return 0xC9F9CC;
    if (mark == 2) return 0xDBD9D5;
    return kNoColour;
}

} // namespace

void raiseAncestorCounts(Entry* e) {
    addToAncestors(e, 1);
}
void lowerAncestorCounts(Entry* e) {
    addToAncestors(e, -1);
}

void MarkWalk::reserve(std::size_t entries) {
    m_order.reserve(entries);
    m_stack.reserve(entries);
}

void setSubtreeMark(Entry* folder, std::uint8_t value, MarkWalk& walk) {
    if (!folder) return;
    // Every Entry's own change moves each of its ancestors by one, up to the first empty name.
    // Walking those ancestors per Entry costs size x depth; instead the changes are summed bottom
    // up (a count moved by the sum ends where the one-by-one steps would end), which costs size.
    using Visit = MarkWalk::Visit;
    constexpr std::size_t npos = static_cast<std::size_t>(-1);
    std::vector<Visit>& order = walk.m_order;
    auto& stack = walk.m_stack;
    order.clear();
    stack.clear();
    // First the walk, the only step that can fail; the marks change after it.
    auto visit = [&](Entry* e, std::size_t parent) {
        order.push_back({e, parent, countChange(e->mark(), value), 0});
        if (!e->children().empty()) stack.emplace_back(order.size() - 1, 0);
    };
    visit(folder, npos);
    while (!stack.empty()) {
        auto& [index, next] = stack.back();
        Entry* e = order[index].e;
        if (next == e->children().size()) {
            stack.pop_back();
            continue;
        }
        Entry* child = e->children()[next++];
        const std::size_t parentIndex = index;
        visit(child, parentIndex); // may grow `stack`: no reference into it is used after this
    }
    for (const Visit& v : order)
        v.e->setMark(value);
    // Reverse pre-order sees every child before its parent.
    std::int32_t fromFolder = 0;
    for (std::size_t i = order.size(); i-- > 0;) {
        Visit& v = order[i];
        const bool passes = !v.e->name().empty(); // the walk stops at an empty name
        if (passes && v.below != 0) addToCount(v.e, v.below);
        const auto up =
            static_cast<std::int32_t>(static_cast<std::uint32_t>(v.own) +
                                      (passes ? static_cast<std::uint32_t>(v.below) : 0u));
        if (v.parent == npos)
            fromFolder = up;
        else
            order[v.parent].below = static_cast<std::int32_t>(
                static_cast<std::uint32_t>(order[v.parent].below) + static_cast<std::uint32_t>(up));
    }
    addToAncestors(folder, fromFolder);
}

void setSubtreeMark(Entry* folder, std::uint8_t value) {
    MarkWalk walk;
    setSubtreeMark(folder, value, walk);
}

void applyMark(Entry* e, MarkCommand cmd) {
    MarkWalk walk;
    applyMark(e, cmd, walk);
}

void applyMark(Entry* e, MarkCommand cmd, MarkWalk& walk) {
    if (!e) return;
    const std::uint8_t m = e->mark();
    if (e->isFolder()) {
        switch (cmd) {
        case MarkCommand::Needed:
            setSubtreeMark(e, m == 1 ? 0 : 1, walk);
            break;
        case MarkCommand::NotNeeded:
            setSubtreeMark(e, (m == 0 || m == 1) ? 2 : 0, walk);
            break;
        case MarkCommand::Clear:
            if (m != 0) setSubtreeMark(e, 0, walk);
            break;
        }
        return;
    }
    std::uint8_t after = m;
    switch (cmd) {
    case MarkCommand::Needed:
        if (m == 0 || m == 2)
            after = 1;
        else if (m == 1)
            after = 0;
        break;
    case MarkCommand::NotNeeded:
        if (m == 0 || m == 1)
            after = 2;
        else if (m == 2)
            after = 0;
        break;
    case MarkCommand::Clear:
        after = 0;
        break;
    }
    e->setMark(after);
    addToAncestors(e, countChange(m, after));
}

int firstEntryRow(bool upRowShown) {
    return upRowShown ? 1 : 0;
}

Entry* rowEntry(const std::vector<Entry*>& rows, int row, bool hasUpRow, bool searchMode) {
    const int index = row - firstEntryRow(hasUpRow && !searchMode);
    if (index < 0 || static_cast<std::size_t>(index) >= rows.size()) return nullptr;
    return rows[static_cast<std::size_t>(index)];
}

std::vector<Entry*> selectedEntries(const std::vector<Entry*>& rows, std::vector<int> selectedRows,
                                    bool hasUpRow, bool searchMode) {
    std::sort(selectedRows.begin(), selectedRows.end());
    selectedRows.erase(std::unique(selectedRows.begin(), selectedRows.end()), selectedRows.end());
    std::vector<Entry*> result;
    result.reserve(selectedRows.size());
    for (int r : selectedRows)
        if (Entry* e = rowEntry(rows, r, hasUpRow, searchMode)) result.push_back(e);
    return result;
}

RowStyle nameCellStyle(const Entry* e) {
    RowStyle s;
    if (!e) return s;
    s.useDefaults = false;
    s.text = e->isDamaged() ? kRed : kBlack;
    s.background = markBackground(e->mark());
    if (e->crossedOut() != 0) {
        s.strikeOut = true;
        s.text = kRed;
    }
    return s;
}

Rgb markFill(const Entry& e) {
    const Rgb mark = markBackground(e.mark());
    return mark == kNoColour ? 0xF4F4F4 : mark;
}

RowStyle otherCellStyle(const Entry* e) {
    RowStyle s;
    s.text = kBlack;
    if (!e) return s;
    s.useDefaults = false;
    s.background = markBackground(e->mark());
    return s;
}

namespace {

double channelLuminance(Rgb c, int shift) {
    const double v = double((c >> shift) & 0xFF) / 255.0;
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double luminance(Rgb c) {
    return 0.2126 * channelLuminance(c, 16) + 0.7152 * channelLuminance(c, 8) +
           0.0722 * channelLuminance(c, 0);
}

constexpr Rgb kWhite = 0xFFFFFF;
constexpr double kReadable = 4.5;

Rgb mix(Rgb from, Rgb to, int step, int steps) {
    Rgb out = 0;
    for (int shift : {16, 8, 0}) {
        const int a = int((from >> shift) & 0xFF), b = int((to >> shift) & 0xFF);
        out |= Rgb(a + (b - a) * step / steps) << shift;
    }
    return out;
}

} // namespace

double contrastRatio(Rgb a, Rgb b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool isDarkBackground(Rgb background) {
    return contrastRatio(background, kWhite) > contrastRatio(background, kBlack);
}

Rgb readableOn(Rgb wanted, Rgb background) {
    if (contrastRatio(wanted, background) >= kReadable) return wanted;
    // Black or white reads on any background with a ratio of at least 4.58.
    const Rgb end = isDarkBackground(background) ? kWhite : kBlack;
    constexpr int kSteps = 16;
    for (int step = 1; step < kSteps; ++step) {
        const Rgb c = mix(wanted, end, step, kSteps);
        if (contrastRatio(c, background) >= kReadable) return c;
    }
    return end;
}

RowStyle onDarkList(RowStyle style, Rgb base, Rgb text) {
    if (style.useDefaults) return style;
    if (style.background == kNoColour)
        style.text = style.text == kBlack ? text : readableOn(style.text, base);
    else
        style.text = readableOn(style.text, style.background);
    return style;
}

} // namespace kx
