// What an Entry's 600-byte record holds beyond its row in the catalogue's entries table: bytes
// after a field's NUL, a date that does not come back from its stored number, the depth when it
// is not one more than the parent's, the mark count, the reserved bytes, a count of children the
// tree cannot give back. Kept as the differences from the record the row gives, so that most
// Entries keep nothing at all.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace kx {
struct Entry;
}

namespace kx::catalog {

class Stmt;

// The record that an entries row gives back (recordOf), made from the record itself: names,
// comment and dates up to their NUL, a date through its stored number, the count of the last
// child -1 (the tree counts the children), the depth `depth` and nothing else.
void rowRecord(const std::uint8_t* record, std::int32_t depth, std::uint8_t* out);

// The bytes where `record` differs from rowRecord(record, depth), as runs (the gap from the last
// run's end and the length as varints, then the bytes); empty when there are none. A count of the
// last child of -1 or more is the tree's to give back and is left out.
std::string restOf(const std::uint8_t* record, std::int32_t depth);

// Puts a rest back into a record rebuilt from its row; throws catalogueDamaged on a bad rest.
void applyRest(std::uint8_t* record, std::string_view rest);

// Stores the rests of one list's Entries as the add walks them, each parent before its children.
class RestWriter {
public:
    RestWriter(sqlite3* db, std::int64_t list, std::size_t entries);
    ~RestWriter();
    RestWriter(const RestWriter&) = delete;
    RestWriter& operator=(const RestWriter&) = delete;
    void put(const Entry* e, std::uint32_t ord, const std::uint8_t* record);

private:
    std::unique_ptr<Stmt> m_put;
    std::int64_t m_list;
    std::vector<std::int32_t> m_depthOf; // by the Entry's id
};

} // namespace kx::catalog
