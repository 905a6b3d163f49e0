// Filters over Entries (a name mask, marks, comments, damage, sizes) and the filtered search,
// of which the plain search by mask is the case without conditions.
#pragma once

#include "listfile/entry.h"
#include "query/search.h"
#include "query/searchwalk.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kx {

// What an Entry must be to pass. Every condition that is set must hold.
struct EntryFilter {
    // Text the name must contain, in the list's 8-bit code page, matched as searchByMask does
    // (case folded by the code page, a leading "*" dropped). Empty (or "*"): any name.
    std::string mask;
    // The mask as typed (UTF-8), matched against exact names (listfile/exactname.h), case folded
    // by Unicode. Empty: `mask` read in the code page.
    std::string typedMask;
    // Whether the code page holds every character of the typed mask. When not, no name or comment
    // in the code page holds the mask: only exact names can match.
    bool maskFitsCodePage = true;
    // Sets the mask from typed text (UTF-8): its code-page form and the text itself.
    void setMaskText(std::string_view utf8);
    // The mask may occur in the comment instead of the name.
    bool inComments = false;
    // The mask is a glob over the whole name (or comment): "*" any run of characters, "?" one
    // character, case folded by the code page; no "*" is dropped.
    bool glob = false;
    // The stored mark byte equals this (0 none, 1 required, 2 useless, any other as stored).
    std::optional<std::uint8_t> mark;
    // A comment is stored: its first byte is not NUL.
    bool commentedOnly = false;
    // The damaged attribute bit is set (Entry::isDamaged).
    bool damagedOnly = false;
    // Bounds of the stored size in bytes, both inclusive, compared with the exact stored value
    // (a NaN size passes no bound). A bound keeps files only: a folder (kind 'D') never passes.
    std::optional<std::uint64_t> minSize, maxSize;

    // The mask as tested: a glob whole, otherwise without its leading "*".
    std::string_view testedMask() const { return searchwalk::effectiveMask(mask, glob); }

    // Whether a condition other than the mask is set (inComments and glob are none: they say how
    // the mask matches).
    bool hasConditions() const {
        return mark || commentedOnly || damagedOnly || minSize || maxSize;
    }
};

// A filter made ready for testing many Entries: the mask is upper-cased once.
class EntryTest {
public:
    explicit EntryTest(const EntryFilter& filter);
    bool operator()(const Entry& e) const;

    // The same test in its two halves, for stores that keep the fields but no Entry (the
    // catalogue): the conditions on the stored fields (the size read only when a bound asks),
    // then the mask on the name and, with inComments, the comment.
    bool hasMask() const { return m_hasMask; }
    const EntryFilter& filter() const { return m_filter; }
    template <class SizeOf>
    bool conditionsHold(char kind, std::uint8_t attributes, std::uint8_t mark, bool hasComment,
                        const SizeOf& sizeOf) const {
        if (m_filter.mark && mark != *m_filter.mark) return false;
        if (m_filter.damagedOnly && !(attributes & damaged)) return false;
        if ((m_filter.minSize || m_filter.maxSize) && (kind == kFolder || !sizeWithin(sizeOf())))
            return false;
        return !m_filter.commentedOnly || hasComment;
    }
    // `comment` is read only when the name does not match.
    template <class CommentOf>
    bool maskMatches(std::string_view name, bool hasComment, const CommentOf& commentOf) const {
        if (!m_hasMask) return true;
        if (!m_filter.maskFitsCodePage) return false;
        if (m_matcher.matches(name)) return true;
        return m_filter.inComments && hasComment && m_matcher.matches(commentOf());
    }
    // The same with the name an exact name (UTF-8).
    template <class CommentOf>
    bool exactMaskMatches(std::string_view exactName, bool hasComment,
                          const CommentOf& commentOf) const {
        if (!m_hasMask || m_exact.matches(exactName)) return true;
        return m_filter.maskFitsCodePage && m_filter.inComments && hasComment &&
               m_matcher.matches(commentOf());
    }

private:
    bool sizeWithin(const ExtendedFloat& size) const;
    EntryFilter m_filter;
    bool m_hasMask;
    searchwalk::MaskMatcher m_matcher;
    searchwalk::ExactMaskMatcher m_exact;
};

// Whether one Entry passes the filter. For many Entries, make one EntryTest instead.
bool passes(const EntryFilter& filter, const Entry& e);

// The Entries below the root that pass the filter, shaped and ordered exactly as searchByMask's
// results (pre-order, then folders to the front; the root never a result). Without conditions
// this is searchByMask(root, filter.mask), or with inComments the same over names and comments,
// so an empty mask finds nothing; with any condition an empty mask lists every Entry that passes.
SearchResults searchFiltered(const Entry* root, const EntryFilter& filter);

} // namespace kx
