// kxtool's cells, rows and failure sentences.
#include "kxtool_output.h"

#include "listfile/codepage.h"
#include "listfile/exactname.h"
#include "listfile/io/error.h"
#include "query/rowformat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <iostream>
#include <new>

namespace kxtool {

namespace {

// The number of bytes of the UTF-8 character that starts at `at`, or 0 when the bytes there are
// no character: a stray continuation byte, a lead byte without its continuations, an overlong
// form, a surrogate, or a code above U+10FFFF.
std::size_t utf8Length(std::string_view s, std::size_t at) {
    const auto byte = [&](std::size_t i) {
        return at + i < s.size() ? static_cast<unsigned char>(s[at + i]) : 0u;
    };
    const unsigned c = byte(0);
    if (c < 0x80) return 1;
    std::size_t length = 0;
    unsigned low = 0x80, high = 0xBF; // the bounds of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0) low = 0xA0;  // overlong below U+0800
        if (c == 0xED) high = 0x9F; // surrogates U+D800-U+DFFF
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0) low = 0x90;  // overlong below U+10000
        if (c == 0xF4) high = 0x8F; // above U+10FFFF
    } else {
        return 0;
    }
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

} // namespace

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendEscaped(out, text);
    return out;
}

void appendEscaped(std::string& out, std::string_view text) {
    static const char hex[] = "0123456789abcdef";
    const auto code = [&](unsigned char c) {
        out += "\\x";
        out += hex[c >> 4];
        out += hex[c & 15];
    };
    for (std::size_t i = 0; i < text.size();) {
        // A run of printable ASCII other than "\\" goes in as it is.
        std::size_t run = i;
        while (run < text.size() && text[run] >= 0x20 && text[run] < 0x7F && text[run] != '\\')
            ++run;
        if (run > i) {
            out.append(text, i, run - i);
            i = run;
            continue;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = utf8Length(text, i);
        if (length == 0) { // a byte of no character: its value in octal, so \xHH stays a character
            out += '\\';
            out += char('0' + (c >> 6));
            out += char('0' + ((c >> 3) & 7));
            out += char('0' + (c & 7));
            i += 1;
            continue;
        }
        const auto next = static_cast<unsigned char>(length == 2 ? text[i + 1] : 0);
        if (c == 0xC2 && next <= 0x9F) // U+0080-U+009F
            code(next);
        else if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c < 0x20 || c == 0x7F)
            code(c);
        else
            out.append(text, i, length);
        i += length;
    }
}

std::string ansiCell(std::string_view ansi) {
    return escaped(kx::fromAnsi(ansi).toStdString());
}

namespace {

// Every byte of the code page as its cell text: the code page is one byte a character, so a
// text's cell is the cells of its bytes one after another. A cell is a few bytes (a UTF-8
// character or an escape), kept in a fixed slot so that it is copied in one store.
struct AnsiCell {
    char bytes[7];
    std::uint8_t length;
};

const std::array<AnsiCell, 256>& ansiCells() {
    static const std::array<AnsiCell, 256> cells = [] {
        std::array<AnsiCell, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const std::string cell = ansiCell(std::string(1, char(b)));
            AnsiCell& c = t[std::size_t(b)];
            c.length = std::uint8_t(std::min(cell.size(), sizeof c.bytes));
            std::memcpy(c.bytes, cell.data(), c.length);
        }
        return t;
    }();
    return cells;
}

const std::array<std::string, 256>& attributeCells() {
    static const std::array<std::string, 256> cells = [] {
        std::array<std::string, 256> t;
        for (int b = 0; b < 256; ++b)
            t[std::size_t(b)] = kx::attributeLetters(std::uint8_t(b));
        return t;
    }();
    return cells;
}

constexpr std::size_t kFlushAt = 1 << 20;

} // namespace

RowWriter::RowWriter() = default;

RowWriter::~RowWriter() {
    flush();
}

void RowWriter::flush() {
    std::cout.write(m_out.data(), std::streamsize(m_out.size()));
    std::cout.flush();
    m_out.clear();
}

void RowWriter::ansi(std::string_view text) {
    const auto& cells = ansiCells();
    const std::size_t start = m_out.size();
    m_out.resize(start + text.size() * sizeof(AnsiCell));
    char* at = m_out.data() + start;
    for (char c : text) {
        const AnsiCell& cell = cells[static_cast<unsigned char>(c)];
        std::memcpy(at, cell.bytes, sizeof cell.bytes);
        at += cell.length;
    }
    m_out.resize(std::size_t(at - m_out.data()));
}

void RowWriter::ansiOrDashes(std::string_view text) {
    if (text.empty())
        m_out += "----";
    else
        ansi(text);
}

void RowWriter::size(const std::uint8_t* tenBytes) {
    const std::uint64_t whole = kx::extendedToUint64(tenBytes);
    if (!kx::isExactExtended(whole, tenBytes)) {
        m_out += kx::sizeCell(kx::decodeExtended(tenBytes));
        return;
    }
    // Kilobytes rounded halves-to-even, at least 1 when not zero (rowformat.h's sizeCell).
    std::uint64_t kb = whole >> 10;
    const std::uint64_t rest = whole & 1023;
    if (rest > 512 || (rest == 512 && (kb & 1))) ++kb;
    if (kb == 0 && whole != 0) kb = 1;
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, kb).ptr;
    m_out.append(digits, std::size_t(end - digits));
}

void RowWriter::row(std::string_view lead, const RowCells& c) {
    if (!lead.empty()) {
        m_out += lead;
        m_out += '\t';
    }
    m_out += escaped(c.caption);
    m_out += '\t';
    size(c.size);
    m_out += '\t';
    ansiOrDashes(c.created);
    m_out += '\t';
    ansiOrDashes(c.changed);
    m_out += '\t';
    m_out += attributeCells()[c.attributes];
    m_out += '\t';
    ansiOrDashes(c.comment);
    m_out += '\n';
    if (m_out.size() >= kFlushAt) flush();
}

void RowWriter::row(const kx::Entry* e, std::string_view caption, bool marks) {
    entryRow(e, escaped(caption), marks);
}

void RowWriter::pathRow(const kx::Entry* e, bool marks) {
    m_links.clear();
    for (const kx::Entry* x = e; x && x->parent(); x = x->parent())
        m_links.push_back(x);
    std::reverse(m_links.begin(), m_links.end());
    std::size_t same = 0;
    while (same < m_links.size() && same < m_chain.size() && m_links[same] == m_chain[same])
        ++same;
    m_chain.resize(same);
    m_ends.resize(same);
    m_path.resize(same ? m_ends.back() : 0);
    for (std::size_t i = same; i < m_links.size(); ++i) {
        if (i) m_path += "\\\\";
        appendEscaped(m_path, kx::nameUtf8(*m_links[i]));
        m_chain.push_back(m_links[i]);
        m_ends.push_back(m_path.size());
    }
    entryRow(e, m_path, marks);
}

void RowWriter::entryRow(const kx::Entry* e, std::string_view escapedLead, bool marks) {
    m_out += escapedLead;
    m_out += '\t';
    m_out += kx::sizeCell(e->sizeValue());
    m_out += '\t';
    // One copy of the record gives the three texts: it is unpacked once, not once for each.
    std::uint8_t r[kx::kRecordSize];
    e->copyRecord(r);
    ansiOrDashes(kx::fieldText(r, kx::rec::created, kx::rec::createdSize));
    m_out += '\t';
    ansiOrDashes(kx::fieldText(r, kx::rec::changed, kx::rec::changedSize));
    m_out += '\t';
    m_out += attributeCells()[e->attributes()];
    m_out += '\t';
    ansiOrDashes(e->hasComment() ? kx::fieldText(r, kx::rec::comment, kx::rec::commentSize)
                                 : std::string_view());
    if (marks) {
        m_out += '\t';
        m_out += std::to_string(int(e->mark()));
    }
    m_out += '\n';
    if (m_out.size() >= kFlushAt) flush();
}

void printRow(const kx::Entry* e, const std::string& caption, bool marks) {
    RowWriter writer;
    writer.row(e, caption, marks);
}

std::string sentenceOf(const std::exception& e) {
    if (const auto* error = dynamic_cast<const kx::Error*>(&e))
        return kx::errorText(error->code(), error->path(), error->sysErrno(), error->detail());
    if (dynamic_cast<const std::bad_alloc*>(&e)) return "There is not enough memory.";
    return e.what();
}

void printMessage(const std::string& sentence) {
    std::cerr << "kxtool: " << escaped(sentence) << '\n';
}

void printProgress(const std::string& text, bool last) {
    std::cerr << "\rkxtool: " << escaped(text) << (last ? "\n" : "") << std::flush;
}

} // namespace kxtool
