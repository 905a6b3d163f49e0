// The records' size field as numbers: an 80-bit extended float (taken apart without loss by
// decodeExtended, listfile/entry.h) compared, split at its binary point and rounded exactly
// whatever its magnitude, and the sums of whole byte counts, which stay at 2^64 - 1.
//
// The conversions the list reader itself needs stay in listfile/entry.h and are found here:
// extendedToUint64 (the whole byte count Entry::size() gives), uint64ToExtended and
// isExactExtended (whether a record holds exactly such a count).
#pragma once

#include "listfile/entry.h"

#include <cstdint>
#include <string>

namespace kx {

// Stored sizes by value, exactly: -1, 0 or 1. -infinity < negatives < zero (either sign) <
// positives < +infinity; a NaN is below every other value and equal to any NaN.
int compareSizes(const ExtendedFloat& a, const ExtendedFloat& b);

// A stored size against a whole byte count, exactly: fractions, negative values, infinities
// and sizes beyond 64 bits compare by their value; a NaN is unordered.
enum class SizeOrder { less, equal, greater, unordered };
SizeOrder compareSizeWith(const ExtendedFloat& size, std::uint64_t bytes);

// significand * 2^exponent split at the binary point.
struct SplitValue {
    bool fits = true; // the whole part is below 2^64; whole and the rest are set only then
    std::uint64_t whole = 0;
    bool fraction = false; // anything below the point
    int againstHalf = -1;  // what lies below the point against one half: -1 less, 0 equal, 1 more
};
SplitValue splitAtPoint(std::uint64_t significand, int exponent);

// significand * 2^exponent rounded halves-to-even, in decimal digits, exact at any exponent an
// 80-bit float can have ("0" for a value below one half).
std::string roundedDecimal(std::uint64_t significand, int exponent);

// a + b, staying at 2^64 - 1 where the sum would pass it.
inline std::uint64_t addSaturating(std::uint64_t a, std::uint64_t b) {
    return b > UINT64_MAX - a ? UINT64_MAX : a + b;
}

} // namespace kx
