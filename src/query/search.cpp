// The search by mask over the entry tree: the shared walk of searchwalk.h with the name matcher
// as its only test.
#include "query/search.h"

#include "listfile/codepage.h"
#include "query/searchwalk.h"

#include <QList>
#include <QString>

namespace kx {

std::string searchBase(std::string_view rootName) {
    std::string s(rootName);
    if (!s.empty() && s.back() == '\\') s.pop_back();
    return s;
}

std::string exactMaskOf(std::string_view typedMask, std::string_view maskAnsi, bool glob) {
    const std::string text =
        typedMask.empty() ? fromAnsi(maskAnsi).toStdString() : std::string(typedMask);
    return std::string(searchwalk::effectiveMask(text, glob));
}

namespace {
QString upperText(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())).toUpper();
}
} // namespace

std::string unicodeUpper(std::string_view utf8) {
    return upperText(utf8).toStdString();
}

namespace searchwalk {

namespace {
std::u32string upperCharacters(std::string_view utf8) {
    const QList<uint> ucs4 = upperText(utf8).toUcs4();
    return std::u32string(ucs4.begin(), ucs4.end());
}
} // namespace

ExactMaskMatcher::ExactMaskMatcher(std::string_view mask, bool glob)
    : m_mask(upperCharacters(mask)), m_glob(glob) {}

bool ExactMaskMatcher::matches(std::string_view utf8) const {
    if (m_mask.empty()) return false;
    const std::u32string s = upperCharacters(utf8);
    const auto same = [](char32_t c) { return c; };
    return m_glob ? globFolded(s.data(), s.size(), m_mask.data(), m_mask.size(), same)
                  : containsFolded(s.data(), s.size(), m_mask.data(), m_mask.size(), same);
}

} // namespace searchwalk

SearchResults searchByMask(const Entry* root, std::string_view maskAnsi, std::string_view typedMask,
                           bool fitsCodePage) {
    SearchResults r;
    if (!root) return r;
    r.base = searchBase(root->name());
    const std::string_view mask = searchwalk::withoutLeadingStar(maskAnsi);
    if (mask.empty()) return r;
    const searchwalk::MaskMatcher matcher(mask);
    const searchwalk::ExactMaskMatcher exact(exactMaskOf(typedMask, maskAnsi, false), false);
    searchwalk::collectBelow(root, r.entries, [&](const Entry& e) {
        if (e.hasExactName()) return exact.matches(*e.exactName());
        return fitsCodePage && matcher.matches(e.name());
    });
    foldersFirst(r.entries);
    return r;
}

std::string resultCaption(const SearchResults& r, std::size_t i, NameForm form) {
    return i < r.entries.size() ? captionBelowRoot(r.entries[i], form) : std::string();
}

std::string resultPath(const SearchResults& r, std::size_t i) {
    if (i >= r.entries.size()) return {};
    return r.base + '\\' + resultCaption(r, i);
}

} // namespace kx
