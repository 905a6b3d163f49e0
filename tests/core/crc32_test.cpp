// The folded CRC-32 gives exactly zlib's value for every length and alignment.
#include "listfile/zip/crc32.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>
#include <zlib.h>

TEST(Crc32, MatchesZlibForEveryShapeOfInput) {
    std::mt19937 rng(5);
    std::vector<unsigned char> data(70000);
    for (auto& c : data)
        c = static_cast<unsigned char>(rng());
    for (std::size_t len :
         {0, 1, 15, 16, 17, 63, 64, 65, 79, 80, 127, 128, 129, 1000, 4096, 65537}) {
        for (std::size_t offset : {0, 1, 3, 8}) {
            for (std::uint32_t seed : {0u, 0xFFFFFFFFu, 0x12345678u}) {
                const auto expected = std::uint32_t(crc32(seed, data.data() + offset, uInt(len)));
                EXPECT_EQ(kx::crc32Update(seed, data.data() + offset, len), expected)
                    << "len " << len << " offset " << offset;
            }
        }
    }
    // Running sums over pieces equal one sum over the whole.
    std::uint32_t running = 0;
    for (std::size_t at = 0; at < data.size(); at += 777)
        running = kx::crc32Update(running, data.data() + at,
                                  std::min<std::size_t>(777, data.size() - at));
    EXPECT_EQ(running, std::uint32_t(crc32(0, data.data(), uInt(data.size()))));
}
