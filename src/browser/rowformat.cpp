// The cells of a detail-list row and the folder paths that name a shown folder.
#include "browser/rowformat.h"

#include <cmath>

namespace kx {

std::string formatSizeKb(std::uint64_t bytes) {
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    const double kb = std::nearbyint(static_cast<double>(bytes) * (1.0 / 1024.0));
    // Every size below 2^64 bytes gives at most 2^54 kilobytes, which the cast holds exactly.
    const auto whole = static_cast<std::uint64_t>(kb);
    return std::to_string(whole == 0 ? 1 : whole);
}

std::string sizeCell(std::uint64_t bytes) {
    return bytes == 0 ? "0" : formatSizeKb(bytes);
}

std::string attributeLetters(std::uint8_t attributes) {
    static constexpr char letters[] = "RHSVATCE";
    std::string s;
    for (int bit = 0; bit < 8; ++bit)
        if (attributes & (1u << bit)) s += letters[bit];
    return s.empty() ? "----" : s;
}

std::string textOrDashes(std::string_view s) {
    return s.empty() ? "----" : std::string(s);
}

std::string diskPath(std::string_view folderPath) {
    std::string s(folderPath);
    for (char& c : s)
        if (c == '*') c = '\\';
    const auto twice = s.find("\\\\");
    if (twice != std::string::npos) s.erase(twice, 1);
    return s;
}

} // namespace kx
