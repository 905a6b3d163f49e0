// CRC-32 by folding 64-byte blocks with carry-less multiplication (PCLMULQDQ), then a Barrett
// reduction; the constants are those of the reflected CRC-32 polynomial 0x04C11DB7. Lengths
// that are not a multiple of 16 finish in zlib's table-driven code.
#include "listfile/zip/crc32.h"

#include <zlib.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#include <initializer_list>
#define KX_HAVE_CLMUL 1
#endif

namespace kx {

#ifdef KX_HAVE_CLMUL
namespace {

// Takes and returns the inverted CRC, as the folding works on it; len >= 64, a multiple of 16.
__attribute__((target("pclmul,sse4.1"))) std::uint32_t foldCrc(const unsigned char* buf,
                                                               std::size_t len, std::uint32_t crc) {
    alignas(16) static const std::uint64_t k1k2[] = {0x0154442bd4, 0x01c6e41596};
    alignas(16) static const std::uint64_t k3k4[] = {0x01751997d0, 0x00ccaa009e};
    alignas(16) static const std::uint64_t k5k0[] = {0x0163cd6124, 0x0000000000};
    alignas(16) static const std::uint64_t poly[] = {0x01db710641, 0x01f7011641};

    __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(buf + 0x00));
    __m128i x2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(buf + 0x10));
    __m128i x3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(buf + 0x20));
    __m128i x4 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(buf + 0x30));
    x1 = _mm_xor_si128(x1, _mm_cvtsi32_si128(int(crc)));
    __m128i x0 = _mm_load_si128(reinterpret_cast<const __m128i*>(k1k2));
    buf += 64;
    len -= 64;

    while (len >= 64) { // four lanes folded in parallel
        __m128i x5 = _mm_clmulepi64_si128(x1, x0, 0x00);
        __m128i x6 = _mm_clmulepi64_si128(x2, x0, 0x00);
        __m128i x7 = _mm_clmulepi64_si128(x3, x0, 0x00);
        __m128i x8 = _mm_clmulepi64_si128(x4, x0, 0x00);
        x1 = _mm_clmulepi64_si128(x1, x0, 0x11);
        x2 = _mm_clmulepi64_si128(x2, x0, 0x11);
        x3 = _mm_clmulepi64_si128(x3, x0, 0x11);
        x4 = _mm_clmulepi64_si128(x4, x0, 0x11);
        x1 = _mm_xor_si128(_mm_xor_si128(x1, x5),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(buf + 0x00)));
        x2 = _mm_xor_si128(_mm_xor_si128(x2, x6),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(buf + 0x10)));
        x3 = _mm_xor_si128(_mm_xor_si128(x3, x7),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(buf + 0x20)));
        x4 = _mm_xor_si128(_mm_xor_si128(x4, x8),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(buf + 0x30)));
        buf += 64;
        len -= 64;
    }

    // Four lanes into one.
    x0 = _mm_load_si128(reinterpret_cast<const __m128i*>(k3k4));
    for (__m128i next : {x2, x3, x4}) {
        __m128i x5 = _mm_clmulepi64_si128(x1, x0, 0x00);
        x1 = _mm_clmulepi64_si128(x1, x0, 0x11);
        x1 = _mm_xor_si128(_mm_xor_si128(x1, next), x5);
    }
    while (len >= 16) {
        __m128i x5 = _mm_clmulepi64_si128(x1, x0, 0x00);
        x1 = _mm_clmulepi64_si128(x1, x0, 0x11);
        x1 = _mm_xor_si128(
            _mm_xor_si128(x1, _mm_loadu_si128(reinterpret_cast<const __m128i*>(buf))), x5);
        buf += 16;
        len -= 16;
    }

    // 128 bits to 64.
    x2 = _mm_clmulepi64_si128(x1, x0, 0x10);
    x3 = _mm_setr_epi32(~0, 0, ~0, 0);
    x1 = _mm_srli_si128(x1, 8);
    x1 = _mm_xor_si128(x1, x2);
    x0 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(k5k0));
    x2 = _mm_srli_si128(x1, 4);
    x1 = _mm_and_si128(x1, x3);
    x1 = _mm_clmulepi64_si128(x1, x0, 0x00);
    x1 = _mm_xor_si128(x1, x2);

    // Barrett reduction to 32 bits.
    x0 = _mm_load_si128(reinterpret_cast<const __m128i*>(poly));
    x2 = _mm_and_si128(x1, x3);
    x2 = _mm_clmulepi64_si128(x2, x0, 0x10);
    x2 = _mm_and_si128(x2, x3);
    x2 = _mm_clmulepi64_si128(x2, x0, 0x00);
    x1 = _mm_xor_si128(x1, x2);
    return std::uint32_t(_mm_extract_epi32(x1, 1));
}

bool haveClmul() {
    static const bool have = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return have;
}

} // namespace
#endif

bool crc32Accelerated() {
#ifdef KX_HAVE_CLMUL
    return haveClmul();
#else
    return false;
#endif
}

std::uint32_t crc32Update(std::uint32_t crc, const void* data, std::size_t n) {
    auto p = static_cast<const unsigned char*>(data);
#ifdef KX_HAVE_CLMUL
    if (n >= 64 && haveClmul()) {
        const std::size_t chunk = n & ~std::size_t(15);
        crc = ~foldCrc(p, chunk, ~crc);
        p += chunk;
        n -= chunk;
    }
#endif
    while (n > 0) { // zlib takes at most 4 GiB at a time through its uInt length
        const uInt k = uInt(n > 0x40000000 ? 0x40000000 : n);
        crc = std::uint32_t(crc32(crc, p, k));
        p += k;
        n -= k;
    }
    return crc;
}

} // namespace kx
