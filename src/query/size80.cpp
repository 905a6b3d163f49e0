// Exact arithmetic on the records' 80-bit sizes.
#include "query/size80.h"

#include <utility>
#include <vector>

namespace kx {

namespace {

// A finite non-zero magnitude as (exponent of its top bit, significand with its top bit at 63).
std::pair<int, std::uint64_t> normalised(const ExtendedFloat& v) {
    std::uint64_t s = v.significand;
    int e = v.exponent;
    while (!(s >> 63)) {
        s <<= 1;
        --e;
    }
    return {e, s};
}

int compareMagnitudes(const ExtendedFloat& a, const ExtendedFloat& b) {
    const bool ai = a.kind == ExtendedFloat::Kind::Infinity;
    const bool bi = b.kind == ExtendedFloat::Kind::Infinity;
    if (ai || bi) return ai == bi ? 0 : ai ? 1 : -1;
    const auto [ae, as] = normalised(a);
    const auto [be, bs] = normalised(b);
    if (ae != be) return ae < be ? -1 : 1;
    return as == bs ? 0 : as < bs ? -1 : 1;
}

int signOf(const ExtendedFloat& v) {
    if (v.kind == ExtendedFloat::Kind::Finite && v.significand == 0) return 0;
    return v.negative ? -1 : 1;
}

// significand * 2^shift (shift >= 0) in decimal digits, for products of up to 16384 bits: limbs
// of nine digits, least significant first, doubled up to 29 bits at a time.
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

} // namespace

int compareSizes(const ExtendedFloat& a, const ExtendedFloat& b) {
    const bool an = a.kind == ExtendedFloat::Kind::NaN;
    const bool bn = b.kind == ExtendedFloat::Kind::NaN;
    if (an || bn) return an == bn ? 0 : an ? -1 : 1;
    const int sa = signOf(a), sb = signOf(b);
    if (sa != sb) return sa < sb ? -1 : 1;
    if (sa == 0) return 0;
    const int m = compareMagnitudes(a, b);
    return sa > 0 ? m : -m;
}

SizeOrder compareSizeWith(const ExtendedFloat& size, std::uint64_t bytes) {
    switch (size.kind) {
    case ExtendedFloat::Kind::NaN:
        return SizeOrder::unordered;
    case ExtendedFloat::Kind::Infinity:
        return size.negative ? SizeOrder::less : SizeOrder::greater;
    case ExtendedFloat::Kind::Finite:
        break;
    }
    if (size.significand == 0) return bytes == 0 ? SizeOrder::equal : SizeOrder::less;
    if (size.negative) return SizeOrder::less;
    const SplitValue v = splitAtPoint(size.significand, size.exponent);
    if (!v.fits) return SizeOrder::greater; // 2^64 or more
    if (v.whole != bytes) return v.whole < bytes ? SizeOrder::less : SizeOrder::greater;
    return v.fraction ? SizeOrder::greater : SizeOrder::equal;
}

SplitValue splitAtPoint(std::uint64_t significand, int exponent) {
    SplitValue v;
    if (exponent >= 0) {
        v.fits = exponent < 64 && (significand >> (63 - exponent) >> 1) == 0;
        if (v.fits) v.whole = significand << exponent;
        return v;
    }
    // The bits below the point, and one half at their scale.
    std::uint64_t rest = significand, half = std::uint64_t(1) << 63;
    if (exponent > -64) {
        const int right = -exponent;
        v.whole = significand >> right;
        rest = significand & ((std::uint64_t(1) << right) - 1);
        half = std::uint64_t(1) << (right - 1);
    } else if (exponent < -64) {
        half = 0; // the value lies below one half whatever its bits
    }
    v.fraction = rest != 0;
    v.againstHalf = half == 0 || rest < half ? -1 : rest == half ? 0 : 1;
    return v;
}

std::string roundedDecimal(std::uint64_t significand, int exponent) {
    const SplitValue v = splitAtPoint(significand, exponent);
    if (!v.fits) return decimalOfShifted(significand, exponent);
    const bool up = v.againstHalf > 0 || (v.againstHalf == 0 && (v.whole & 1));
    return std::to_string(v.whole + (up ? 1 : 0));
}

} // namespace kx
