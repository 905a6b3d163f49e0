// Paths below the root: the names from the root's child down to an Entry, joined by "\"; the
// walk that keeps the path of the folder it is in; and disk paths, which begin with the root's
// name (the place the list was scanned from).
//
// A path handed to the outside (copied, in a CSV file, printed by kxtool) is written in the
// root's own style: a root that is a POSIX path ("/usr", "/") joins names with "/", any other
// root (a drive "C:\", an emptied name) with "\".
//
// Two joins are in use. They differ only where the names that open a path are empty (a list
// read without its path names has them cleared): a caption (search rows, catalogue rows, the
// comparison of two lists) puts a "\" between every two names, so an empty first name leaves a
// "\" in front; an export path (text and CSV export, print lines) puts one only after some text,
// so the empty names that open a path leave nothing.
#pragma once

#include "listfile/entry.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kx {

enum class PathJoin { caption, exportPath };

// The separator of the paths of a list whose root is named `rootName`: "/" when it is a POSIX
// path (it starts with "/"), else "\".
char separatorOf(std::string_view rootName);
// The same for the list that holds `e` (its root's name); "\" for null.
char separatorOf(const Entry* e);

// Which form of the names a path is made of: the code page's (what the list stores, as the text
// export writes it), or the names as shown and matched (listfile/exactname.h: an exact name where
// the record keeps one), in UTF-8.
enum class NameForm { codePage, shown };

// An Entry's name in that form.
std::string nameIn(const Entry* e, NameForm form);

// Whether a separator goes between a folder's path and a name in it; atTop: the folder is the one
// the path starts from (the root), whose own path is empty.
inline bool separates(PathJoin join, bool atTop, std::string_view folderPath) {
    return join == PathJoin::caption ? !atTop : !folderPath.empty();
}

// The path of the Entry `name` in a folder whose path is `folderPath`.
std::string childPath(std::string_view folderPath, bool atTop, std::string_view name, PathJoin join,
                      char separator = '\\');

// The path of an Entry below the root, empty for the root itself (and for null).
std::string captionBelowRoot(const Entry* e, NameForm form = NameForm::codePage);
std::string pathBelowRoot(const Entry* e, NameForm form = NameForm::codePage,
                          char separator = '\\'); // the export join
// The whole path of an Entry in its root's style (separatorOf), names as shown (UTF-8): the
// root's name, then every name below it, each after one separator (none added after a root
// name that ends in one): "/usr" + "lib" is "/usr/lib", "/" + "etc" is "/etc", "C:\" + "x" is
// "C:\x", and an emptied root name gives "\x". The root's own path is its name; null gives "".
std::string wholePath(const Entry* e);

// The path of the folder a walk is in, made as it goes down and back up.
class FolderPath {
public:
    explicit FolderPath(PathJoin join, char separator = '\\')
        : m_join(join), m_separator(separator) {}
    // Empty at the top.
    const std::string& text() const { return m_text; }
    // Appends the path of the folder's Entry `name` to `out`.
    void appendChild(std::string& out, std::string_view name) const {
        out += m_text;
        if (separates(m_join, m_starts.empty(), m_text)) out += m_separator;
        out += name;
    }
    std::string child(std::string_view name) const {
        std::string out;
        appendChild(out, name);
        return out;
    }
    // Goes down into the folder's Entry `name`; leave() comes back up.
    void enter(std::string_view name) {
        const std::size_t before = m_text.size();
        if (separates(m_join, m_starts.empty(), m_text)) m_text += m_separator;
        m_text += name;
        m_starts.push_back(before);
    }
    void leave() {
        m_text.resize(m_starts.back());
        m_starts.pop_back();
    }

private:
    PathJoin m_join;
    char m_separator;
    std::string m_text;
    std::vector<std::size_t> m_starts; // the text's length before each folder entered
};

// What a walk does after visiting an Entry: go on below it, pass over what is below it, or stop.
enum class WalkOn { into, over, stop };

// Calls visit(entry, folder) for every Entry in and below `tops` (a folder's children, or the
// rows a window shows) in pre-order, children in their current order; `folder` is the path of
// the Entry's folder, starting from the folder that holds the tops (so empty for the tops
// themselves). Without recursion: a list may be nested very deeply. False when visit stopped it.
// The folder path is made of the names in `form`, joined by `separator`.
template <class Visit>
bool walkWithPaths(ChildList tops, PathJoin join, Visit&& visit, NameForm form = NameForm::codePage,
                   char separator = '\\') {
    struct Frame {
        ChildList list;
        std::size_t next;
    };
    std::vector<Frame> stack{{tops, 0}};
    FolderPath folder(join, separator);
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next == f.list.size()) {
            stack.pop_back();
            if (!stack.empty()) folder.leave(); // every frame but the first was entered
            continue;
        }
        const Entry* e = f.list[f.next++];
        const WalkOn on = visit(e, std::as_const(folder));
        if (on == WalkOn::stop) return false;
        if (on == WalkOn::over || e->children().empty()) continue;
        stack.push_back({e->children(), 0}); // f is not used after this
        if (form == NameForm::codePage)
            folder.enter(e->name());
        else
            folder.enter(nameIn(e, form));
    }
    return true;
}

// A folder path is the root's name + "*", then each folder name + "*". Its disk path has every
// "*" turned into "\" and the first "\\" reduced to one "\" (the root's name often ends in "\").
std::string diskPath(std::string_view folderPath);
// The disk path of a folder as the scan saw it: the root's name, then each folder's name, each
// followed by "\" (one "\" after a root name that ends in one).
std::string folderDiskPath(const Entry* folder);

} // namespace kx
