// Values that several core tests build: 8-bit names, search result captions, stored sizes.
#pragma once

#include "query/search.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kxtest {

// UTF-8 text in the list's 8-bit code page.
std::string ansi(const char* utf8);

// The caption of every search result, in order.
std::vector<std::string> captions(const kx::SearchResults& r);

// The ten stored bytes of (negative ? -1 : 1) * whole * 2^power.
std::string extendedBytes(bool negative, std::uint64_t whole, int power);
// The ten stored bytes of a raw significand and sign-and-exponent word.
std::string extendedBits(std::uint64_t significand, unsigned signExp);

} // namespace kxtest
