// The trigram postings of the name index: per list, for every trigram of the upper-cased names,
// the ascending ords of the names that hold it. They are made with the name index from the names
// the catalogue holds, so the catalogue itself keeps none.
//
// Layout of one list's two sections (little-endian):
//   grams:    12 bytes per trigram, ascending: u32 trigram, u32 how many ords, u32 where its
//             ords start in the list's postings
//   postings: per trigram its ords as varint deltas from the previous one (the first from 0)
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kx::catalog {

class NameIndex;
struct IndexedList;

// A trigram: three bytes of the code page in one integer.
using Gram = std::uint32_t;
constexpr std::size_t kGramBytes = 12;

// The distinct trigrams of an upper-cased text, sorted.
void gramsOf(std::string_view upper, std::vector<Gram>& out);
// The distinct trigrams a mask's matches must hold, sorted: of the whole upper-cased mask, or of
// a glob's runs between its "*" and "?".
std::vector<Gram> maskGrams(std::string_view upperMask, bool glob);

// The postings of one list, gathered name by name in ascending ord.
class PostingsBuilder {
public:
    void add(std::uint32_t ord, std::string_view name);
    // The list's grams and postings sections; the builder is empty again.
    void finish(std::string& grams, std::string& postings);

private:
    std::unordered_map<Gram, std::vector<std::uint32_t>> m_ords;
    std::vector<Gram> m_grams;
};

// The ords of one list whose names hold every trigram of `grams`, ascending, or all the
// candidates a name test must still check: the postings are read rarest first, and once the
// candidates are far fewer than the next trigram's ords, they are left to the name test.
// Empty when a trigram is held by no name.
std::vector<std::uint32_t> candidatesOf(const NameIndex& index, const IndexedList& list,
                                        const std::vector<Gram>& grams);

} // namespace kx::catalog
