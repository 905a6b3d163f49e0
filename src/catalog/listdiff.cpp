// The comparison of two lists, folder by folder: the children of two folders matched by name,
// kind and rank among their namesakes.
#include "catalog/listdiff.h"

#include "query/belowroot.h"

#include <algorithm>
#include <cstring>
#include <tuple>
#include <utility>

namespace kx::catalog {

namespace {

bool sameSizeAndTime(const Entry* a, const Entry* b) {
    std::uint8_t ra[kRecordSize], rb[kRecordSize];
    a->copyRecord(ra);
    b->copyRecord(rb);
    return std::memcmp(ra + rec::size, rb + rec::size, rec::sizeSize) == 0 &&
           fieldText(ra, rec::changed, rec::changedSize) ==
               fieldText(rb, rec::changed, rec::changedSize);
}

// One place of a folder's rows: an Entry of one list or both (a row), or, after its name and a
// "\", what is below them (a block). Every caption below an Entry starts with its name and "\",
// so a block sorts by that key as a whole. Names are as shown (UTF-8, exact where kept).
struct Item {
    std::string name;
    char kind;
    bool block;
    char change;        // of a row: '+', '-', '~', or 0 for none
    std::uint32_t rank; // among the Entries of the same name and kind
    const Entry* before;
    const Entry* after;
};

// The byte of a key at `i`: the name, then "\" for a block; -1 past its end.
int keyByte(const Item& it, std::size_t i) {
    if (i < it.name.size()) return static_cast<unsigned char>(it.name[i]);
    return it.block && i == it.name.size() ? '\\' : -1;
}

bool keyLess(const Item& a, const Item& b) {
    for (std::size_t i = 0;; ++i) {
        const int x = keyByte(a, i), y = keyByte(b, i);
        if (x != y) return x < y;
        if (x < 0) break;
    }
    return std::make_tuple(a.block, a.kind, a.change, a.rank) <
           std::make_tuple(b.block, b.kind, b.change, b.rank);
}

struct Child {
    std::string name; // as shown
    const Entry* entry;
    bool operator<(const Child& o) const {
        return name != o.name ? name < o.name : entry->kind() < o.entry->kind();
    }
};

// A folder's children sorted by name and kind, namesakes in their order in the list.
std::vector<Child> sortedChildren(const Entry* folder) {
    std::vector<Child> out;
    if (!folder) return out;
    out.reserve(folder->children().size());
    for (const Entry* e : folder->children())
        out.push_back({nameIn(e, NameForm::shown), e});
    std::stable_sort(out.begin(), out.end());
    return out;
}

// The rows and blocks of two folders (either may be null), in the order of their keys.
std::vector<Item> folderItems(const Entry* before, const Entry* after) {
    std::vector<Child> olds = sortedChildren(before), news = sortedChildren(after);
    std::vector<Item> items;
    std::size_t o = 0, n = 0;
    std::uint32_t rank = 0;
    const Child* last = nullptr; // the previous pair's, for the rank
    while (o < olds.size() || n < news.size()) {
        Child* a = o < olds.size() ? &olds[o] : nullptr;
        Child* b = n < news.size() ? &news[n] : nullptr;
        if (a && b && *a < *b)
            b = nullptr;
        else if (a && b && *b < *a)
            a = nullptr;
        Child* one = a ? a : b;
        rank = last && !(*last < *one) ? rank + 1 : 0;
        last = one;
        o += a != nullptr;
        n += b != nullptr;
        const Entry* was = a ? a->entry : nullptr;
        const Entry* is = b ? b->entry : nullptr;
        const char change = !is ? '-' : !was ? '+' : sameSizeAndTime(was, is) ? 0 : '~';
        const char kind = one->entry->kind();
        items.push_back({one->name, kind, false, change, rank, was, is});
        if ((was && !was->children().empty()) || (is && !is->children().empty()))
            items.push_back({one->name, kind, true, 0, rank, was, is});
    }
    std::sort(items.begin(), items.end(), keyLess);
    return items;
}

} // namespace

void diffLists(const Entry* oldRoot, const Entry* newRoot, const DiffEntrySink& sink) {
    struct Frame {
        std::vector<Item> items;
        std::size_t next;
    };
    std::vector<Frame> stack;
    stack.push_back({folderItems(oldRoot, newRoot), 0});
    FolderPath folder(PathJoin::caption);
    std::string caption;
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next == f.items.size()) {
            stack.pop_back();
            if (!stack.empty()) folder.leave(); // every frame but the first was entered
            continue;
        }
        const Item& it = f.items[f.next++];
        if (it.block) {
            folder.enter(it.name);
            stack.push_back({folderItems(it.before, it.after), 0}); // f is not used after this
        } else if (it.change) {
            caption.clear();
            folder.appendChild(caption, it.name);
            sink(it.change, caption, it.kind, it.before, it.after);
        }
    }
}

void diffLists(const Entry* oldRoot, const Entry* newRoot, const DiffSink& sink) {
    diffLists(oldRoot, newRoot,
              DiffEntrySink([&sink](char change, std::string_view caption, char kind, const Entry*,
                                    const Entry*) { sink(change, caption, kind); }));
}

std::vector<DiffRow> diffLists(const Entry* oldRoot, const Entry* newRoot) {
    std::vector<DiffRow> rows;
    diffLists(oldRoot, newRoot, DiffSink([&rows](char change, std::string_view caption, char kind) {
                  rows.push_back({change, std::string(caption), kind});
              }));
    return rows;
}

} // namespace kx::catalog
