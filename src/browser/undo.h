// The undo history of an open list: each command is one step holding, for every Entry it changed,
// the bytes before and after (mark, mark count, comment field), so that undo and redo put back
// exactly what was there.
#pragma once

#include "listfile/entry.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kx {

// All 256 bytes of a comment field, also those after its first NUL (a list from another writer
// may hold some there, and a save writes them back); setComment would zero the bytes after the
// text and cut it to 254 bytes.
using CommentField = std::array<std::uint8_t, rec::commentSize>;
CommentField commentField(const Entry& e);
void setCommentField(Entry& e, const CommentField& field);

// One command. Before it changes anything, the Entries it may change are noted (the notes are
// what can fail for want of memory); afterwards finish() keeps those whose bytes changed, with
// the new values, and cannot fail.
class EditStep {
public:
    // The mark and the mark count of an Entry. Noting one Entry twice does no harm.
    void noteMark(Entry* e);
    // The comment field an Entry has and the one the command is about to give it.
    void noteComment(Entry* e, const CommentField& after);
    // False when the command changed nothing.
    bool finish();
    // Only a comment can fail to be put back (std::bad_alloc; its Entry then stays as it was):
    // the comments go first, so a step of one comment and any marks is put back whole or not at
    // all.
    void undo() const { put(false); }
    void redo() const { put(true); }

private:
    void put(bool after) const;
    template <class Note> static void keepChanged(std::vector<Note>& notes);

    // A folder's subtree mark notes every Entry below it: the notes are kept small, and a count
    // is noted only where one can change (an Entry's own count never does; its ancestors' do).
    struct MarkBytes {
        Entry* e;
        std::uint8_t before, after;
        bool changed() const { return before != after; }
    };
    struct CountBytes {
        Entry* e;
        std::int32_t before, after;
        bool changed() const { return before != after; }
    };
    struct CommentBytes {
        Entry* e;
        CommentField before, after;
        bool changed() const { return before != after; }
    };
    std::vector<MarkBytes> m_marks;
    std::vector<CountBytes> m_counts;
    std::vector<CommentBytes> m_comments;
};

// The steps of one open list, without a limit, and which of its states is the one on disk.
class EditHistory {
public:
    // Makes room for the next step, so that push cannot fail: a command calls it before it
    // changes anything.
    void reserveNext() { m_steps.reserve(m_done + 1); }
    // A new step after the current state; the steps that could be redone go.
    void push(EditStep step);
    // A step that cannot be put back leaves the history as it was (and throws).
    bool canUndo() const { return m_done > 0; }
    bool canRedo() const { return m_done < m_steps.size(); }
    bool undo();
    bool redo();
    // The current state is the one the file holds now (just opened or saved).
    void markSaved() { m_saved = m_done; }
    bool atSaved() const { return m_saved == m_done; }

private:
    static constexpr std::size_t kNoSavedState = static_cast<std::size_t>(-1);
    std::vector<EditStep> m_steps;
    std::size_t m_done = 0;  // steps applied: the first m_done of m_steps
    std::size_t m_saved = 0; // m_done at the state on disk; kNoSavedState once no undo reaches it
};

} // namespace kx
