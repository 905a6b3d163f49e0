// Paths below the root and disk paths, made from an Entry's chain of parents.
#include "query/belowroot.h"

namespace kx {

namespace {

// The names from the root's child down to e (nothing for the root).
std::vector<std::string_view> namesBelowRoot(const Entry* e) {
    std::vector<std::string_view> names;
    for (; e && e->parent(); e = e->parent())
        names.push_back(e->name());
    return {names.rbegin(), names.rend()};
}

std::string joinedBelowRoot(const Entry* e, PathJoin join) {
    std::string path;
    bool atTop = true;
    for (std::string_view name : namesBelowRoot(e)) {
        if (separates(join, atTop, path)) path += '\\';
        path += name;
        atTop = false;
    }
    return path;
}

} // namespace

std::string childPath(std::string_view folderPath, bool atTop, std::string_view name,
                      PathJoin join) {
    std::string out(folderPath);
    if (separates(join, atTop, folderPath)) out += '\\';
    out += name;
    return out;
}

std::string captionBelowRoot(const Entry* e) {
    return joinedBelowRoot(e, PathJoin::caption);
}

std::string pathBelowRoot(const Entry* e) {
    return joinedBelowRoot(e, PathJoin::exportPath);
}

std::string diskPath(std::string_view folderPath) {
    std::string s(folderPath);
    for (char& c : s)
        if (c == '*') c = '\\';
    const auto twice = s.find("\\\\");
    if (twice != std::string::npos) s.erase(twice, 1);
    return s;
}

std::string folderDiskPath(const Entry* folder) {
    std::vector<const Entry*> chain;
    for (const Entry* e = folder; e; e = e->parent())
        chain.push_back(e);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        path.append((*it)->name());
        path.push_back('*');
    }
    return diskPath(path);
}

} // namespace kx
