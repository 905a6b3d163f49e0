// Memory that runs out inside an edit: this test program puts its own operator new in front of the
// C++ library's, so that the n-th allocation after a test asks for it throws std::bad_alloc. Every
// n is tried in turn until the edit goes through: until then, each try must leave everything as
// it was.
#include "browser/document.h"
#include "common/fixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <dlfcn.h>
#include <functional>
#include <new>

namespace {

// Allocations on this thread still to go before the one that fails; -1 when none fails.
thread_local long allocationsBeforeFailure = -1;
// Set while the library's own operator new runs (operator new[] calls operator new).
thread_local bool inLibraryNew = false;

using New = void* (*)(std::size_t);

void* allocate(New real, std::size_t n) {
    if (!inLibraryNew && allocationsBeforeFailure >= 0 && allocationsBeforeFailure-- == 0)
        throw std::bad_alloc();
    const bool outer = !inLibraryNew;
    inLibraryNew = true;
    struct Reset {
        bool outer;
        ~Reset() {
            if (outer) inLibraryNew = false;
        }
    } reset{outer};
    return real(n);
}

} // namespace

static_assert(sizeof(std::size_t) == sizeof(unsigned long), "the mangled names below");

void* operator new(std::size_t n) {
    static const auto real = reinterpret_cast<New>(::dlsym(RTLD_NEXT, "_Znwm"));
    return allocate(real, n);
}

void* operator new[](std::size_t n) {
    static const auto real = reinterpret_cast<New>(::dlsym(RTLD_NEXT, "_Znam"));
    return allocate(real, n);
}

namespace {

using kx::Entry;
using kx::MarkCommand;

// Runs `edit` with the n-th allocation failing for n = 0, 1, ... until it goes through; after
// each failure, `unchanged` must hold. Returns how many tries failed.
int tryWithEveryFailure(const std::function<void()>& edit, const std::function<void()>& unchanged) {
    for (long n = 0;; ++n) {
        allocationsBeforeFailure = n;
        try {
            edit();
            allocationsBeforeFailure = -1;
            return int(n);
        } catch (const std::bad_alloc&) {
            allocationsBeforeFailure = -1;
        }
        SCOPED_TRACE("allocation " + std::to_string(n) + " failed");
        unchanged();
        if (::testing::Test::HasFatalFailure()) return int(n);
    }
}

std::string recordOf(const Entry* e) {
    std::uint8_t r[kx::kRecordSize];
    e->copyRecord(r);
    return std::string(reinterpret_cast<const char*>(r), sizeof r);
}

// A root with 100 files and a folder of 100 more: the first files' records are packed.
kxtest::TreeBuilder filesAndAFolder() {
    kxtest::TreeBuilder t{"disk"};
    for (int i = 0; i < 100; ++i)
        t.file(t.root(), "file" + std::to_string(i), std::uint64_t(i));
    kx::Entry* folder = t.folder(t.root(), "folder");
    for (int i = 0; i < 100; ++i)
        t.file(folder, "inner" + std::to_string(i)).comment(i % 2 ? "odd" : "");
    return t;
}

// A record in a packed block is unpacked, patched and packed again: the Entry's fields and its
// record change together or not at all.
TEST(MemoryFaults, AnEntryChangesWholeOrNotAtAll) {
    kxtest::TreeBuilder t = filesAndAFolder();
    Entry* e = t.root()->children()[3]; // in the first, packed block
    ASSERT_FALSE(e->hasComment());
    const std::string before = recordOf(e);
    const int failures = tryWithEveryFailure([&] { e->setComment("a new comment"); },
                                             [&] {
                                                 EXPECT_FALSE(e->hasComment());
                                                 EXPECT_EQ(e->comment(), "");
                                                 EXPECT_TRUE(recordOf(e) == before);
                                             });
    EXPECT_GT(failures, 0);
    EXPECT_TRUE(e->hasComment());
    EXPECT_EQ(e->comment(), "a new comment");
}

// Each command, and undo and redo, either does all it does (one step, the flag, one notice) or
// leaves the entries, the history and the flag exactly as they were, with no notice.
TEST(MemoryFaults, CommandsAndUndoChangeWholeOrNotAtAll) {
    kxtest::TreeBuilder t = filesAndAFolder();
    kx::Document doc(t.take(), "/nonexistent/list.kx");
    Entry* root = doc.root();
    Entry* folder = root->children().back();
    Entry* file = root->children()[5];
    Entry* inner = folder->children()[6]; // without a comment
    int notices = 0;
    QObject::connect(&doc, &kx::Document::changed, [&] { ++notices; });

    struct State {
        std::string bytes;
        bool canUndo, canRedo, modified;
        int notices;
        bool operator==(const State& o) const {
            return bytes == o.bytes && canUndo == o.canUndo && canRedo == o.canRedo &&
                   modified == o.modified && notices == o.notices;
        }
    };
    const auto state = [&] {
        return State{kxtest::innerList(doc.tree()), doc.canUndo(), doc.canRedo(), doc.modified(),
                     notices};
    };
    const struct {
        const char* what;
        std::function<void()> edit;
    } edits[] = {
        {"mark a file and a folder",
         [&] {
             doc.mark({file, folder}, MarkCommand::Needed);
         }},
        {"mark inside the marked folder", [&] { doc.mark({inner}, MarkCommand::NotNeeded); }},
        {"comment", [&] { doc.setComment(inner, "a comment"); }},
        {"undo the comment", [&] { doc.undo(); }},
        {"redo the comment", [&] { doc.redo(); }},
        {"undo it again", [&] { doc.undo(); }},
        {"undo the marks", [&] { doc.undo(); }},
    };
    for (const auto& edit : edits) {
        SCOPED_TRACE(edit.what);
        const State before = state();
        tryWithEveryFailure(edit.edit, [&] { EXPECT_TRUE(state() == before); });
        EXPECT_FALSE(state() == before);
    }
    EXPECT_EQ(inner->mark(), 1);
    EXPECT_EQ(inner->comment(), "");
}

} // namespace
