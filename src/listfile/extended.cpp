// The records' 80-bit size field: whole byte counts in and out, and the value as sign, exponent
// and mantissa.
#include "listfile/entry.h"

#include <cstring>

namespace kx {

std::uint64_t extendedToUint64(const std::uint8_t* b) {
    std::uint64_t significand = 0;
    for (int i = 7; i >= 0; --i)
        significand = significand << 8 | b[i];
    const unsigned signExp = unsigned(b[8]) | unsigned(b[9]) << 8;
    const bool negative = (signExp & 0x8000) != 0;
    const int exponent = int(signExp & 0x7FFF);
    if (exponent == 0x7FFF) {
        // Infinity has only the explicit integer bit set; everything else is a NaN.
        const bool infinity = significand == (std::uint64_t(1) << 63);
        return (infinity && !negative) ? UINT64_MAX : 0;
    }
    if (negative || significand == 0 || exponent == 0) return 0; // negatives, zero, denormals
    // value = significand * 2^(exponent - 16383 - 63)
    const int shift = exponent - 16383 - 63;
    if (shift >= 0) {
        if (shift >= 64) return UINT64_MAX;
        if (shift > 0 && (significand >> (64 - shift)) != 0) return UINT64_MAX;
        return significand << shift;
    }
    if (shift <= -64) return 0;
    return significand >> -shift;
}

void uint64ToExtended(std::uint64_t value, std::uint8_t* b) {
    if (value == 0) {
        std::fill(b, b + 10, std::uint8_t(0));
        return;
    }
    const int lead = 63 - __builtin_clzll(value);
    const std::uint64_t significand = value << (63 - lead);
    for (int i = 0; i < 8; ++i)
        b[i] = std::uint8_t(significand >> (8 * i));
    const unsigned exponent = unsigned(16383 + lead);
    b[8] = std::uint8_t(exponent & 0xFF);
    b[9] = std::uint8_t(exponent >> 8);
}

ExtendedFloat decodeExtended(const std::uint8_t* b) {
    ExtendedFloat f;
    for (int i = 7; i >= 0; --i)
        f.significand = f.significand << 8 | b[i];
    const unsigned signExp = unsigned(b[8]) | unsigned(b[9]) << 8;
    f.negative = (signExp & 0x8000) != 0;
    const int biased = int(signExp & 0x7FFF);
    if (biased == 0x7FFF) {
        f.kind = f.significand == (std::uint64_t(1) << 63) ? ExtendedFloat::Kind::Infinity
                                                           : ExtendedFloat::Kind::NaN;
        return f;
    }
    // Denormals share the smallest normal exponent; the integer bit is explicit in both.
    f.exponent = (biased == 0 ? 1 : biased) - 16383 - 63;
    return f;
}

} // namespace kx
