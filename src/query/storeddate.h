// The date texts of a record ("created", "changed") read as numbers. A scan writes them as
// "DD.MM.YYYY hh:mm:ss"; lists made elsewhere may hold shorter forms or any other text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kx {

// A date text as its value, YYYYMMDDhhmmss as one number, for ordering: "DD.MM.YYYY hh:mm:ss",
// the day, month and hour also with one digit, the seconds or the whole time left out (read as
// 0), blanks around it ignored. Empty when the text is no such date (empty, other characters, a
// month 13, a day 32, an hour 24 ...); the day is not checked against the month's length.
std::optional<std::uint64_t> dateValue(std::string_view text);

// A date text as ISO 8601 for readers outside (a spreadsheet reads "10.12.2026" one way or the
// other by its locale): a text dateValue reads becomes "YYYY-MM-DD hh:mm:ss" ("YYYY-MM-DD" when
// it holds no time; seconds left out are 00); any other text comes back as it is.
std::string isoDateText(std::string_view text);

// A text of exactly the shape "dd.dd.dddd dd:dd:dd" (any digits, no check of the ranges) as
// YYYYMMDDhhmmss, for keeping it compactly (the catalogue stores it as an integer):
// packedDateText gives the very same bytes back. Empty for every other text.
std::optional<std::int64_t> packedDate(std::string_view text);
// The text a packedDate value came from. Any other number still gives 19 characters, its last
// 14 digits in the date's places.
std::string packedDateText(std::int64_t packed);

} // namespace kx
