// Date texts as numbers: the lenient reading that orders rows and the exact one that packs them.
#include "query/storeddate.h"

namespace kx {

namespace {

// Reads minDigits..maxDigits decimal digits at `pos`; false when there are fewer.
bool readNumber(std::string_view s, std::size_t& pos, std::size_t minDigits, std::size_t maxDigits,
                std::uint32_t& value) {
    std::size_t n = 0;
    value = 0;
    while (pos < s.size() && n < maxDigits && s[pos] >= '0' && s[pos] <= '9') {
        value = value * 10 + std::uint32_t(s[pos] - '0');
        ++pos;
        ++n;
    }
    return n >= minDigits;
}

bool expect(std::string_view s, std::size_t& pos, char c) {
    if (pos >= s.size() || s[pos] != c) return false;
    ++pos;
    return true;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::uint64_t joined(std::uint32_t year, std::uint32_t month, std::uint32_t day, std::uint32_t hour,
                     std::uint32_t minute, std::uint32_t second) {
    return ((((std::uint64_t(year) * 100 + month) * 100 + day) * 100 + hour) * 100 + minute) * 100 +
           second;
}

// Where each character of "DD.MM.YYYY hh:mm:ss" comes from among the 14 digits YYYYMMDDhhmmss;
// -1 for the separators.
constexpr char kPackedShape[] = "dd.dd.dddd dd:dd:dd";
constexpr int kDigitOf[] = {6, 7, -1, 4, 5, -1, 0, 1, 2, 3, -1, 8, 9, -1, 10, 11, -1, 12, 13};

} // namespace

std::optional<std::uint64_t> dateValue(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && isBlank(text[b]))
        ++b;
    while (e > b && isBlank(text[e - 1]))
        --e;
    const std::string_view s = text.substr(b, e - b);
    std::size_t pos = 0;
    std::uint32_t day, month, year, hour = 0, minute = 0, second = 0;
    if (!readNumber(s, pos, 1, 2, day) || !expect(s, pos, '.') ||
        !readNumber(s, pos, 1, 2, month) || !expect(s, pos, '.') || !readNumber(s, pos, 4, 4, year))
        return std::nullopt;
    if (pos < s.size()) {
        if (!isBlank(s[pos])) return std::nullopt;
        while (pos < s.size() && isBlank(s[pos]))
            ++pos;
        if (!readNumber(s, pos, 1, 2, hour) || !expect(s, pos, ':') ||
            !readNumber(s, pos, 2, 2, minute))
            return std::nullopt;
        if (pos < s.size() && (!expect(s, pos, ':') || !readNumber(s, pos, 2, 2, second)))
            return std::nullopt;
        if (pos != s.size()) return std::nullopt;
    }
    if (day < 1 || day > 31 || month < 1 || month > 12 || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return joined(year, month, day, hour, minute, second);
}

std::string isoDateText(std::string_view text) {
    const std::optional<std::uint64_t> value = dateValue(text);
    if (!value) return std::string(text);
    // YYYYMMDDhhmmss into its places in "YYYY-MM-DD hh:mm:ss".
    std::string iso = "0000-00-00 00:00:00";
    std::uint64_t v = *value;
    for (std::size_t i = iso.size(); i-- > 0;) {
        if (iso[i] != '0') continue;
        iso[i] = char('0' + v % 10);
        v /= 10;
    }
    if (text.find(':') == std::string_view::npos) iso.resize(10);
    return iso;
}

std::optional<std::int64_t> packedDate(std::string_view text) {
    if (text.size() != sizeof kPackedShape - 1) return std::nullopt;
    char digits[14];
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (kPackedShape[i] != 'd') {
            if (text[i] != kPackedShape[i]) return std::nullopt;
        } else if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        } else {
            digits[kDigitOf[i]] = text[i];
        }
    }
    std::int64_t v = 0;
    for (char d : digits)
        v = v * 10 + (d - '0');
    return v;
}

std::string packedDateText(std::int64_t packed) {
    char digits[14];
    for (int i = 13; i >= 0; --i) {
        digits[i] = char('0' + packed % 10);
        packed /= 10;
    }
    std::string t = "DD.MM.YYYY hh:mm:ss";
    for (std::size_t i = 0; i < t.size(); ++i)
        if (kDigitOf[i] >= 0) t[i] = digits[kDigitOf[i]];
    return t;
}

} // namespace kx
