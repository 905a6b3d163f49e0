// Exact names after the name field's NUL: writing, finding and checking the tag.
#include "listfile/exactname.h"

#include "listfile/codepage.h"
#include "listfile/entry.h"
#include "listfile/zip/crc32.h"

#include <algorithm>
#include <cstring>

namespace kx {

namespace {

constexpr std::uint8_t kMagic[4] = {0x1E, 'X', 'N', 0x01};
constexpr std::size_t kMagicSize = sizeof kMagic;
constexpr std::size_t kCrcSize = 4;
// Bytes of a tag beyond the exact name itself: magic, length, CRC.
constexpr std::size_t kTagOverhead = kMagicSize + 1 + kCrcSize;

// The length of the valid UTF-8 sequence at p (1..4), or 0 when the byte there starts none.
// Overlong forms, surrogates and code points above U+10FFFF are not valid.
std::size_t utf8Sequence(const unsigned char* p, std::size_t left, char32_t& cp) {
    const unsigned char c = p[0];
    if (c < 0x80) return cp = c, 1;
    std::size_t n;
    char32_t lo, value;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2, lo = 0x80, value = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF)
        n = 3, lo = 0x800, value = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4)
        n = 4, lo = 0x10000, value = c & 0x07;
    else
        return 0;
    if (left < n) return 0;
    for (std::size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        value = value << 6 | (p[i] & 0x3F);
    }
    if (value < lo || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    cp = value;
    return n;
}

// Whether the code-page form `ansi` reads back as exactly `name`. Each character or stray byte
// of the name gives one byte of the form: when the lengths agree, the name is ASCII or holds
// bytes that came out as '?'.
bool isExactForm(std::string_view ansi, std::string_view name) {
    if (ansi.size() == name.size()) return ansi == name;
    const QByteArray back = fromAnsi(ansi).toUtf8();
    return std::string_view(back.constData(), std::size_t(back.size())) == name;
}

std::uint32_t readU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// Whether the name is its own code-page form: plain ASCII without a backslash (most names).
bool isPlainName(std::string_view name) {
    if (name.size() > rec::nameSize - 1) return false;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0 || byte >= 0x80 || byte == '\\') return false;
    }
    return true;
}

} // namespace

std::string codePageForm(std::string_view name) {
    QString text;
    text.reserve(qsizetype(name.size()));
    const auto* p = reinterpret_cast<const unsigned char*>(name.data());
    for (std::size_t i = 0; i < name.size();) {
        char32_t cp = 0;
        const std::size_t n = utf8Sequence(p + i, name.size() - i, cp);
        // U+FFFD has no byte in the code page: it comes out as '?'.
        if (n == 0 || cp > 0xFFFF || cp == 0)
            text.append(QChar(char16_t(0xFFFD)));
        else
            text.append(QChar(char16_t(cp)));
        i += n ? n : 1;
    }
    std::string ansi = toAnsi(text);
    std::replace(ansi.begin(), ansi.end(), '\\', '_'); // a list's names never hold one
    if (ansi.size() > rec::nameSize - 1) ansi.resize(rec::nameSize - 1);
    return ansi;
}

NameFit setNameField(std::uint8_t* record, std::string_view name) {
    std::uint8_t* field = record + rec::name;
    std::memset(field, 0, rec::nameSize);
    if (isPlainName(name)) {
        std::memcpy(field, name.data(), name.size());
        return NameFit::exact;
    }
    const std::string ansi = codePageForm(name);
    std::memcpy(field, ansi.data(), ansi.size());
    if (isExactForm(ansi, name)) return NameFit::exact;
    const std::size_t at = ansi.size() + 1;
    if (name.size() > 255 || at + kTagOverhead + name.size() > rec::nameSize ||
        name.find('\0') != std::string_view::npos)
        return NameFit::inexact;
    std::uint8_t* p = field + at;
    std::memcpy(p, kMagic, kMagicSize);
    p[kMagicSize] = std::uint8_t(name.size());
    std::memcpy(p + kMagicSize + 1, name.data(), name.size());
    const std::size_t covered = at + kMagicSize + 1 + name.size();
    const std::uint32_t crc = crc32Update(0, field, covered);
    for (std::size_t i = 0; i < kCrcSize; ++i)
        field[covered + i] = std::uint8_t(crc >> (8 * i));
    return NameFit::tagged;
}

std::optional<std::string_view> exactNameIn(const std::uint8_t* field) {
    const void* nul = std::memchr(field, 0, rec::nameSize);
    if (!nul) return std::nullopt;
    const std::size_t ansiLength = std::size_t(static_cast<const std::uint8_t*>(nul) - field);
    const std::size_t at = ansiLength + 1;
    if (at + kTagOverhead + 1 > rec::nameSize) return std::nullopt;
    const std::uint8_t* p = field + at;
    if (std::memcmp(p, kMagic, kMagicSize) != 0) return std::nullopt;
    const std::size_t length = p[kMagicSize];
    if (length == 0 || at + kTagOverhead + length > rec::nameSize) return std::nullopt;
    const std::string_view exact(reinterpret_cast<const char*>(p + kMagicSize + 1), length);
    if (exact.find('\0') != std::string_view::npos) return std::nullopt;
    const std::size_t covered = at + kMagicSize + 1 + length;
    if (crc32Update(0, field, covered) != readU32(field + covered)) return std::nullopt;
    const std::string_view ansi(reinterpret_cast<const char*>(field), ansiLength);
    if (codePageForm(exact) != ansi || isExactForm(ansi, exact)) return std::nullopt;
    return exact;
}

QString exactNameText(std::string_view exact) {
    return QString::fromUtf8(exact.data(), qsizetype(exact.size()));
}

QString nameText(const Entry& e) {
    if (auto exact = e.exactName()) return exactNameText(*exact);
    return fromAnsi(e.name());
}

std::string nameUtf8(const Entry& e) {
    if (auto exact = e.exactName()) return std::string(*exact);
    std::string out;
    out.reserve(e.name().size());
    appendAnsiAsUtf8(out, e.name());
    return out;
}

} // namespace kx
