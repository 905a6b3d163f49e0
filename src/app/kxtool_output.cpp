// kxtool's cells, rows and failure sentences.
#include "kxtool_output.h"

#include "listfile/codepage.h"
#include "listfile/io/error.h"
#include "query/rowformat.h"

#include <iostream>
#include <new>

namespace kxtool {

std::string escaped(std::string_view utf8) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(utf8.size());
    const auto code = [&](unsigned char c) {
        out += "\\x";
        out += hex[c >> 4];
        out += hex[c & 15];
    };
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const auto next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
        if (c == 0xC2 && next >= 0x80 && next <= 0x9F) { // U+0080-U+009F in UTF-8
            code(next);
            ++i;
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            code(c);
        } else {
            out += char(c);
        }
    }
    return out;
}

std::string ansiCell(std::string_view ansi) {
    return escaped(kx::fromAnsi(ansi).toStdString());
}

void printRow(const kx::Entry* e, const std::string& caption, bool marks) {
    std::cout << ansiCell(caption) << '\t' << kx::sizeCell(e->sizeValue()) << '\t'
              << ansiCell(kx::textOrDashes(e->created())) << '\t'
              << ansiCell(kx::textOrDashes(e->changed())) << '\t'
              << kx::attributeLetters(e->attributes()) << '\t'
              << ansiCell(kx::textOrDashes(e->comment()));
    if (marks) std::cout << '\t' << int(e->mark());
    std::cout << '\n';
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

} // namespace kxtool
