// The undo history: steps of exact before and after bytes, and the state on disk.
#include "browser/undo.h"

#include <algorithm>
#include <new>

namespace kx {

CommentField commentField(const Entry& e) {
    CommentField field;
    e.copyCommentField(field.data());
    return field;
}

void setCommentField(Entry& e, const CommentField& field) {
    e.setCommentField(field.data());
}

void EditStep::noteMark(Entry* e) {
    const std::uint8_t mark = e->mark();
    m_marks.push_back({e, mark, mark});
    if (!e->children().empty()) {
        const std::int32_t count = e->markCount();
        m_counts.push_back({e, count, count});
    }
}

void EditStep::noteComment(Entry* e, const CommentField& after) {
    m_comments.push_back({e, commentField(*e), after});
}

template <class Note> void EditStep::keepChanged(std::vector<Note>& notes) {
    notes.erase(
        std::remove_if(notes.begin(), notes.end(), [](const Note& n) { return !n.changed(); }),
        notes.end());
    // A copy costs as much as the notes: only one that frees most of them is worth it, and a
    // step that keeps its room when memory is short is still right.
    if (notes.size() < notes.capacity() / 4) {
        try {
            notes.shrink_to_fit();
        } catch (const std::bad_alloc&) {
        }
    }
}

bool EditStep::finish() {
    for (MarkBytes& m : m_marks)
        m.after = m.e->mark();
    for (CountBytes& c : m_counts)
        c.after = c.e->markCount();
    keepChanged(m_marks);
    keepChanged(m_counts);
    keepChanged(m_comments);
    return !m_marks.empty() || !m_counts.empty() || !m_comments.empty();
}

// An Entry noted twice holds the same before and after values both times, so the order in which
// the notes are put back does not matter.
void EditStep::put(bool after) const {
    for (const CommentBytes& c : m_comments)
        setCommentField(*c.e, after ? c.after : c.before);
    for (const MarkBytes& m : m_marks)
        m.e->setMark(after ? m.after : m.before);
    for (const CountBytes& c : m_counts)
        c.e->setMarkCount(after ? c.after : c.before);
}

void EditHistory::push(EditStep step) {
    m_steps.resize(m_done);
    if (m_saved != kNoSavedState && m_saved > m_done) m_saved = kNoSavedState;
    m_steps.push_back(std::move(step));
    ++m_done;
}

bool EditHistory::undo() {
    if (!canUndo()) return false;
    m_steps[m_done - 1].undo();
    --m_done;
    return true;
}

bool EditHistory::redo() {
    if (!canRedo()) return false;
    m_steps[m_done].redo();
    ++m_done;
    return true;
}

} // namespace kx
