// Pieces deflated side by side make one raw deflate stream of exactly the bytes written, with
// their CRC-32, whatever the lengths and however the writes cut them.
#include "listfile/io/error.h"
#include "listfile/zip/deflater.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>
#include <zlib.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes inflated(const Bytes& stream) {
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, -MAX_WBITS), Z_OK);
    Bytes out(1 << 20), all;
    z.next_in = const_cast<std::uint8_t*>(stream.data());
    z.avail_in = uInt(stream.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        rc = inflate(&z, Z_NO_FLUSH);
        all.insert(all.end(), out.data(), out.data() + (out.size() - z.avail_out));
    }
    EXPECT_EQ(rc, Z_STREAM_END); // one stream, ended by its final block
    EXPECT_EQ(z.avail_in, 0u);   // and nothing after it
    inflateEnd(&z);
    return all;
}

// Records of a list in miniature: mostly zeros, names that repeat across pieces (the matches
// reach back into the piece before, through its dictionary).
Bytes recordLike(std::size_t n) {
    std::mt19937 rng(7);
    Bytes data(n);
    for (std::size_t at = 0; at < n; at += 600) {
        const std::string name = "file" + std::to_string(rng() % 50) + ".dat";
        for (std::size_t i = 0; i < name.size() && at + i < n; ++i)
            data[at + i] = std::uint8_t(name[i]);
        if (at + 590 < n) data[at + 590] = std::uint8_t(rng());
    }
    return data;
}

TEST(ParallelDeflate, OneStreamOfTheBytesWrittenForEveryLengthAndCut) {
    constexpr std::size_t piece = 4096;
    for (std::size_t length : {std::size_t(0), std::size_t(1), piece - 1, piece, piece + 1,
                               7 * piece, 40 * piece + 123}) {
        for (std::size_t cut : {std::size_t(1), std::size_t(600), 3 * piece + 5}) {
            for (int level : {3, 9}) {
                const Bytes data = recordLike(length);
                Bytes stream;
                kx::zip::ParallelDeflate d(
                    level,
                    [&](const std::uint8_t* p, std::size_t n) {
                        stream.insert(stream.end(), p, p + n);
                    },
                    piece);
                for (std::size_t at = 0; at < length; at += cut)
                    d.write(data.data() + at, std::min(cut, length - at));
                d.finish();
                SCOPED_TRACE("length " + std::to_string(length) + " cut " + std::to_string(cut));
                EXPECT_EQ(inflated(stream), data);
                EXPECT_EQ(d.size(), length);
                EXPECT_EQ(d.compressedSize(), stream.size());
                EXPECT_EQ(d.crc(), std::uint32_t(crc32(0, data.data(), uInt(length))));
                if (length > 7 * piece) {
                    EXPECT_LT(stream.size(), length / 8); // the matches hold
                }
            }
        }
    }
}

TEST(ParallelDeflate, AnOutputThatFailsStopsTheWriterAndNothingHangs) {
    const Bytes data = recordLike(64 * 4096);
    for (bool finishing : {false, true}) {
        kx::zip::ParallelDeflate d(
            3,
            [](const std::uint8_t*, std::size_t) {
                throw kx::Error(kx::ErrorCode::noSpace, "out");
            },
            4096);
        EXPECT_THROW(
            {
                d.write(data.data(), finishing ? 100 : data.size());
                d.finish();
            },
            kx::Error);
    }
}

} // namespace
