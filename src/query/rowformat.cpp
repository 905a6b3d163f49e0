// The cells of a detail-list row and the folder paths that name a shown folder.
#include "query/rowformat.h"

#include "query/size80.h"

namespace kx {

namespace {

// significand * 2^exponent / 1024, rounded halves-to-even, at least 1 for a non-zero
// significand.
std::string kilobytes(std::uint64_t significand, int exponent) {
    std::string digits = roundedDecimal(significand, exponent - 10);
    return digits == "0" ? "1" : digits;
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

} // namespace kx
