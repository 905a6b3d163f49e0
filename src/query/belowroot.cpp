// Paths below the root and disk paths, made from an Entry's chain of parents.
#include "query/belowroot.h"

#include "listfile/exactname.h"

namespace kx {

namespace {

// The Entries from the root's child down to e (none for the root).
std::vector<const Entry*> chainBelowRoot(const Entry* e) {
    std::vector<const Entry*> chain;
    for (; e && e->parent(); e = e->parent())
        chain.push_back(e);
    return {chain.rbegin(), chain.rend()};
}

std::string joinedBelowRoot(const Entry* e, PathJoin join, NameForm form, char separator = '\\') {
    std::string path;
    bool atTop = true;
    for (const Entry* link : chainBelowRoot(e)) {
        if (separates(join, atTop, path)) path += separator;
        if (form == NameForm::codePage)
            path += link->name();
        else
            path += nameIn(link, form);
        atTop = false;
    }
    return path;
}

} // namespace

char separatorOf(std::string_view rootName) {
    return !rootName.empty() && rootName.front() == '/' ? '/' : '\\';
}

char separatorOf(const Entry* e) {
    if (!e) return '\\';
    while (e->parent())
        e = e->parent();
    return separatorOf(e->name());
}

std::string childPath(std::string_view folderPath, bool atTop, std::string_view name, PathJoin join,
                      char separator) {
    std::string out(folderPath);
    if (separates(join, atTop, folderPath)) out += separator;
    out += name;
    return out;
}

std::string nameIn(const Entry* e, NameForm form) {
    return form == NameForm::codePage ? std::string(e->name()) : nameUtf8(*e);
}

std::string captionBelowRoot(const Entry* e, NameForm form) {
    return joinedBelowRoot(e, PathJoin::caption, form);
}

std::string pathBelowRoot(const Entry* e, NameForm form, char separator) {
    return joinedBelowRoot(e, PathJoin::exportPath, form, separator);
}

std::string wholePath(const Entry* e) {
    if (!e) return {};
    const std::vector<const Entry*> chain = chainBelowRoot(e);
    const Entry* root = chain.empty() ? e : chain.front()->parent();
    std::string path = nameUtf8(*root);
    const char separator = separatorOf(root->name());
    for (const Entry* link : chain) {
        if (path.empty() || path.back() != separator) path += separator;
        path += nameUtf8(*link);
    }
    return path;
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
