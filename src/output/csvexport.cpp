// CSV export: the rows of the Entries that pass a filter, in list order.
#include "output/csvexport.h"

#include "listfile/codepage.h"
#include "query/rowformat.h"
#include "query/storeddate.h"

#include <QByteArray>

#include <cstring>

namespace kx::out {

void appendCsvCell(std::string& line, std::string_view text) {
    const bool formula =
        !text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos;
    // Four vector searches are quicker than one byte loop (or find_first_of, which searches
    // the set once for every byte) on paths of a few hundred bytes.
    const auto has = [text](char c) {
        return !text.empty() && std::memchr(text.data(), c, text.size()) != nullptr;
    };
    const bool quoted = has(',') || has('"') || has('\r') || has('\n');
    if (quoted) line += '"';
    if (formula) line += '\'';
    if (!quoted) {
        line += text;
        return;
    }
    for (char c : text) {
        if (c == '"') line += '"';
        line += c;
    }
    line += '"';
}

namespace {

void writeHeader(kx::ByteSink& out) {
    out.write(kCsvHeader.data(), kCsvHeader.size());
    out.write("\r\n", 2);
}

// One row: `line` and `utf8` are scratch space; the path is in UTF-8 (names as shown), the other
// texts in the list's code page (the quoting characters are the same in both). The record is
// unpacked once for its three texts.
void writeRow(kx::ByteSink& out, std::string& line, std::string& utf8, const std::string& path,
              const kx::Entry& e) {
    line.clear();
    appendCsvCell(line, path);
    out.write(line.data(), line.size());
    std::uint8_t r[kx::kRecordSize];
    e.copyRecord(r);
    line.clear();
    line += ',';
    const char kind = e.kind();
    if (kind != '\0') appendCsvCell(line, std::string_view(&kind, 1));
    line += ',';
    line += sizeBytes(e.sizeValue());
    line += ',';
    appendCsvCell(line, isoDateText(fieldText(r, rec::created, rec::createdSize)));
    line += ',';
    appendCsvCell(line, isoDateText(fieldText(r, rec::changed, rec::changedSize)));
    line += ',';
    line += attributeFlags(e.attributes());
    line += ',';
    line += std::to_string(int(e.mark()));
    line += ',';
    if (e.hasComment()) appendCsvCell(line, fieldText(r, rec::comment, rec::commentSize));
    utf8.clear();
    appendAnsiAsUtf8(utf8, line);
    utf8 += "\r\n";
    out.write(utf8.data(), utf8.size());
}

} // namespace

bool writeCsvLines(const kx::Entry* root, const EntryFilter& filter, kx::ByteSink& out,
                   const kx::Progress& progress) {
    writeHeader(out);
    const EntryTest test(filter);
    std::string path, line, utf8;
    return walkExportPaths(
        root, progress,
        [&](const kx::Entry* e, const FolderPath& folder) {
            if (!test(*e)) return true;
            path.clear();
            folder.appendChild(path, nameIn(e, NameForm::shown));
            writeRow(out, line, utf8, path, *e);
            return true;
        },
        NameForm::shown, separatorOf(root));
}

bool writeCsvRows(const std::vector<kx::Entry*>& entries, kx::ByteSink& out,
                  const kx::Progress& progress) {
    writeHeader(out);
    std::string line, utf8;
    std::uint64_t reached = 0;
    const char separator = separatorOf(entries.empty() ? nullptr : entries.front());
    for (const kx::Entry* e : entries) {
        if (!kx::goOn(progress, ++reached, entries.size())) return false;
        writeRow(out, line, utf8, pathBelowRoot(e, NameForm::shown, separator), *e);
    }
    return true;
}

bool exportCsvToFile(const kx::Entry* root, const EntryFilter& filter, const QString& path,
                     const kx::Progress& progress, const QString& protectedPath) {
    return writeExportFile(path, protectedPath, [&](kx::ByteSink& sink) {
        return writeCsvLines(root, filter, sink, progress);
    });
}

bool exportCsvRowsToFile(const std::vector<kx::Entry*>& entries, const QString& path,
                         const kx::Progress& progress, const QString& protectedPath) {
    return writeExportFile(path, protectedPath, [&](kx::ByteSink& sink) {
        return writeCsvRows(entries, sink, progress);
    });
}

} // namespace kx::out
