// The cells of a detail-list row and the folder paths that name a shown folder.
#include "query/rowformat.h"

#include <vector>

namespace kx {

namespace {

// significand * 2^shift in decimal digits, for products of up to 16384 bits: limbs of nine
// digits, least significant first, doubled up to 29 bits at a time.
std::string decimalOfShifted(std::uint64_t significand, int shift) {
    constexpr std::uint32_t kBase = 1000000000;
    std::vector<std::uint32_t> limbs;
    for (; significand != 0; significand /= kBase)
        limbs.push_back(static_cast<std::uint32_t>(significand % kBase));
    while (shift > 0) {
        const int step = shift < 29 ? shift : 29;
        shift -= step;
        std::uint64_t carry = 0;
        for (std::uint32_t& limb : limbs) {
            const std::uint64_t v = (std::uint64_t(limb) << step) + carry;
            limb = static_cast<std::uint32_t>(v % kBase);
            carry = v / kBase;
        }
        for (; carry != 0; carry /= kBase)
            limbs.push_back(static_cast<std::uint32_t>(carry % kBase));
    }
    std::string out = std::to_string(limbs.empty() ? 0 : limbs.back());
    for (std::size_t i = limbs.size() - 1; i-- > 0;) {
        const std::string part = std::to_string(limbs[i]);
        out.append(9 - part.size(), '0');
        out += part;
    }
    return out;
}

// significand * 2^exponent / 1024, rounded halves-to-even, at least 1 for a non-zero
// significand.
std::string kilobytes(std::uint64_t significand, int exponent) {
    const int shift = exponent - 10;
    if (shift >= 0) {
        if (shift < 64 && (significand >> (63 - shift) >> 1) == 0)
            return std::to_string(significand << shift);
        return decimalOfShifted(significand, shift);
    }
    std::uint64_t whole = 0; // below 1 when 64 or more bits go, so "1" in any case
    if (shift > -64) {
        const int right = -shift;
        whole = significand >> right;
        const std::uint64_t rest = significand & ((std::uint64_t(1) << right) - 1);
        const std::uint64_t half = std::uint64_t(1) << (right - 1);
        if (rest > half || (rest == half && (whole & 1))) ++whole;
    }
    return std::to_string(whole == 0 ? 1 : whole);
}

} // namespace

std::string formatSizeKb(std::uint64_t bytes) {
    return kilobytes(bytes, 0);
}

std::string sizeCell(const ExtendedFloat& size) {
    if (size.kind != ExtendedFloat::Kind::Finite) return "----";
    if (size.significand == 0) return "0";
    return (size.negative ? "-" : "") + kilobytes(size.significand, size.exponent);
}

std::string sizeBytes(const ExtendedFloat& size) {
    if (size.kind != ExtendedFloat::Kind::Finite) return {};
    if (size.significand == 0) return "0";
    // kilobytes() divides by 2^10: ten more in the exponent leave the value itself.
    return (size.negative ? "-" : "") + kilobytes(size.significand, size.exponent + 10);
}

std::string sizeCell(std::uint64_t bytes) {
    return sizeCell(ExtendedFloat{ExtendedFloat::Kind::Finite, false, bytes, 0});
}

std::string attributeFlags(std::uint8_t attributes) {
    static constexpr char letters[] = "RHSVATCE";
    std::string s;
    for (int bit = 0; bit < 8; ++bit)
        if (attributes & (1u << bit)) s += letters[bit];
    return s;
}

std::string attributeLetters(std::uint8_t attributes) {
    const std::string s = attributeFlags(attributes);
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
