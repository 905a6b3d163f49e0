// Values that several core tests build.
#include "values_helpers.h"

#include "listfile/codepage.h"
#include "listfile/entry.h"

namespace kxtest {

std::string ansi(const char* utf8) {
    return kx::toAnsi(QString::fromUtf8(utf8));
}

std::vector<std::string> captions(const kx::SearchResults& r) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < r.entries.size(); ++i)
        out.push_back(kx::resultCaption(r, i));
    return out;
}

std::string extendedBytes(bool negative, std::uint64_t whole, int power) {
    std::uint8_t b[10];
    kx::uint64ToExtended(whole, b);
    if (whole != 0) {
        const unsigned biased = unsigned((b[8] | b[9] << 8) + power);
        b[8] = std::uint8_t(biased);
        b[9] = std::uint8_t(biased >> 8);
    }
    if (negative) b[9] |= 0x80;
    return std::string(reinterpret_cast<const char*>(b), 10);
}

std::string extendedBits(std::uint64_t significand, unsigned signExp) {
    std::string b(10, '\0');
    for (int i = 0; i < 8; ++i)
        b[i] = char(significand >> (8 * i));
    b[8] = char(signExp);
    b[9] = char(signExp >> 8);
    return b;
}

} // namespace kxtest
