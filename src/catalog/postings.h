// The trigram postings of the name index: per list, for every trigram of the upper-cased names
// (by the code page, or an exact name by Unicode as UTF-8), the ascending ords of the names that
// hold it. They are made with the name index from the names
// the catalogue holds, so the catalogue itself keeps none.
//
// Layout of one list's two sections (little-endian):
//   grams:    12 bytes per trigram, ascending: u32 trigram, u32 how many ords, u32 where its
//             ords start in the list's postings
//   postings: per trigram its ords as varint deltas from the previous one (the first from 0)
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kx::catalog {

class NameIndex;
class Spool;
struct IndexedList;

// A trigram: three bytes of an upper-cased name in one integer.
using Gram = std::uint32_t;
constexpr std::size_t kGramBytes = 12;

// The distinct trigrams of an upper-cased text, sorted.
void gramsOf(std::string_view upper, std::vector<Gram>& out);
// The distinct trigrams a mask's matches must hold, sorted: of the whole upper-cased mask, or of
// a glob's runs between its "*" and "?".
std::vector<Gram> maskGrams(std::string_view upperMask, bool glob);

// The postings of one list, gathered name by name in ascending ord. What it holds stays within
// `budget` bytes or so, however many names a list has and however long they are: past it, the
// postings gathered so far go to a run, sorted by trigram, in a temporary file beside `near`, and
// finish merges the runs.
class PostingsBuilder {
public:
    static constexpr std::size_t kBudget = 32 << 20;
    explicit PostingsBuilder(std::string near, std::size_t budget = kBudget);
    ~PostingsBuilder();
    PostingsBuilder(const PostingsBuilder&) = delete;
    PostingsBuilder& operator=(const PostingsBuilder&) = delete;

    void add(std::uint32_t ord, std::string_view name);
    // Appends the list's grams and postings sections; the builder is empty again.
    void finish(Spool& grams, Spool& postings);
    // How many runs the list gathered so far has gone to.
    std::size_t runCount() const { return m_runs.size(); }

private:
    // A trigram's ords gathered since the last run: varint deltas, the first from 0.
    struct Pending {
        std::string deltas;
        std::uint32_t count = 0, last = 0;
    };
    struct Run {
        std::uint64_t begin, end;
    };
    void spill();

    std::string m_near;
    std::size_t m_budget;
    std::size_t m_held = 0;
    std::unordered_map<Gram, Pending> m_pending;
    std::vector<Gram> m_grams;
    std::unique_ptr<Spool> m_file; // the runs, one after another
    std::vector<Run> m_runs;
};

// The ords of one list whose names hold every trigram of `grams`, ascending, or all the
// candidates a name test must still check: the postings are read rarest first, and once the
// candidates are far fewer than the next trigram's ords, they are left to the name test.
// Empty when a trigram is held by no name.
std::vector<std::uint32_t> candidatesOf(const NameIndex& index, const IndexedList& list,
                                        const std::vector<Gram>& grams);

} // namespace kx::catalog
