// The records' 80-bit sizes as numbers: split at the point, rounded, compared, summed.
#include "query/size80.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kx {
namespace {

constexpr std::uint64_t kTop = std::uint64_t(1) << 63;

TEST(Size80, SplitAtThePointAndRound) {
    const struct {
        std::uint64_t significand;
        int exponent;
        bool fits;
        std::uint64_t whole;
        bool fraction;
        int againstHalf;
        const char* rounded;
    } cases[] = {
        {5, 0, true, 5, false, -1, "5"},
        {1, 63, true, kTop, false, -1, "9223372036854775808"},
        {3, 62, true, 3 * (kTop >> 1), false, -1, "13835058055282163712"},
        {1, 64, false, 0, false, -1, "18446744073709551616"},
        {UINT64_MAX, 1, false, 0, false, -1, "36893488147419103230"},
        {1, 100, false, 0, false, -1, "1267650600228229401496703205376"},
        {5, -1, true, 2, true, 0, "2"},  // 2.5: the even neighbour
        {7, -1, true, 3, true, 0, "4"},  // 3.5
        {7, -2, true, 1, true, 1, "2"},  // 1.75
        {5, -2, true, 1, true, -1, "1"}, // 1.25
        {1, -1, true, 0, true, 0, "0"},  // one half
        {kTop, -64, true, 0, true, 0, "0"},
        {kTop + 1, -64, true, 0, true, 1, "1"},
        {UINT64_MAX, -65, true, 0, true, -1, "0"}, // just below one half
        {0, -70, true, 0, false, -1, "0"},
    };
    for (const auto& c : cases) {
        const SplitValue v = splitAtPoint(c.significand, c.exponent);
        EXPECT_EQ(v.fits, c.fits) << c.rounded;
        if (c.fits) {
            EXPECT_EQ(v.whole, c.whole) << c.rounded;
            EXPECT_EQ(v.fraction, c.fraction) << c.rounded;
            EXPECT_EQ(v.againstHalf, c.againstHalf) << c.rounded;
        }
        EXPECT_EQ(roundedDecimal(c.significand, c.exponent), c.rounded);
    }
}

TEST(Size80, CompareWithWholeBytes) {
    using K = ExtendedFloat::Kind;
    const auto v = [](std::uint64_t significand, int exponent, bool negative = false,
                      K kind = K::Finite) {
        return ExtendedFloat{kind, negative, significand, exponent};
    };
    const struct {
        ExtendedFloat size;
        std::uint64_t bytes;
        SizeOrder order;
    } cases[] = {
        {v(0, 0, false, K::NaN), 0, SizeOrder::unordered},
        {v(kTop, 0, true, K::Infinity), 0, SizeOrder::less},
        {v(kTop, 0, false, K::Infinity), UINT64_MAX, SizeOrder::greater},
        {v(0, 5, true), 0, SizeOrder::equal}, // -0
        {v(0, 0), 1, SizeOrder::less},
        {v(1, 0, true), 0, SizeOrder::less},
        {v(3, -1), 1, SizeOrder::greater}, // 1.5 against 1
        {v(3, -1), 2, SizeOrder::less},
        {v(1, 10), 1024, SizeOrder::equal},
        {v(1, 64), UINT64_MAX, SizeOrder::greater},
        {v(UINT64_MAX, 0), UINT64_MAX, SizeOrder::equal},
    };
    for (const auto& c : cases)
        EXPECT_EQ(compareSizeWith(c.size, c.bytes), c.order)
            << c.size.significand << "*2^" << c.size.exponent << " vs " << c.bytes;
}

TEST(Size80, SumsStayAtTheTop) {
    const struct {
        std::uint64_t a, b, sum;
    } cases[] = {
        {0, 0, 0},
        {1, 2, 3},
        {UINT64_MAX - 1, 1, UINT64_MAX},
        {UINT64_MAX - 1, 2, UINT64_MAX},
        {2, UINT64_MAX, UINT64_MAX},
        {UINT64_MAX, UINT64_MAX, UINT64_MAX},
    };
    for (const auto& c : cases)
        EXPECT_EQ(addSaturating(c.a, c.b), c.sum) << c.a << " + " << c.b;
}

// A record holds a whole byte count exactly only in the one form uint64ToExtended writes.
TEST(Size80, ExactWholeCounts) {
    for (std::uint64_t value :
         {std::uint64_t(0), std::uint64_t(1), std::uint64_t(1536), UINT64_MAX}) {
        std::uint8_t ten[10];
        uint64ToExtended(value, ten);
        EXPECT_TRUE(isExactExtended(value, ten)) << value;
        EXPECT_FALSE(isExactExtended(value + 1, ten)) << value;
        ten[0] ^= 1; // a fraction bit, or a denormal in place of zero
        EXPECT_FALSE(isExactExtended(value, ten)) << value;
    }
}

} // namespace
} // namespace kx
