// kxtool: the list-file library from the command line. Each command is a few calls of the same
// library that the viewer uses, so the two see a list the same way.
#include "browser/document.h"
#include "listfile/codepage.h"
#include "listfile/scan.h"

#include "browser/filter.h"
#include "browser/rowformat.h"
#include "browser/search.h"
#include "browser/summary.h"
#include "output/csvexport.h"
#include "output/textexport.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* kUsage = R"(kxtool: read, list, search, export and write list files (.kx).

Usage:
  kxtool info LIST                 the header text, the root's name, and the numbers of
                                   entries, folders and files
  kxtool ls LIST [FOLDER] [--marks]
                                   the rows the viewer's detail list shows for the root folder
                                   or for FOLDER (names below the root, separated by "/" or
                                   "\"): name, size in kB, created, changed, attributes,
                                   comment; --marks adds the mark (0 none, 1 needed, 2 not
                                   needed, or the stored value)
  kxtool summary LIST              rows WHAT, ENTRIES, BYTES for all, folders, files,
                                   required (mark 1), useless (mark 2), unmarked (mark 0),
                                   commented, damaged and crossed-out entries below the root;
                                   BYTES sums the sizes of the files among them
  kxtool find LIST MASK [FILTERS]  the rows a search for MASK shows (names that contain MASK,
                                   case ignored; a leading "*" is dropped); with FILTERS only
                                   the entries that also pass them, and MASK may be "" or left
                                   out to list every entry that passes
  kxtool export LIST OUT           writes the text export of the whole list to OUT
  kxtool export LIST OUT --csv [--mask MASK] [FILTERS]
                                   writes a CSV file instead (UTF-8, CR LF): a header row
                                   path,kind,size,created,changed,attributes,mark,comment and
                                   one row per entry below the root that contains MASK and
                                   passes FILTERS, in list order; path relative to the root
                                   with "\" between names, size in bytes, attributes as the
                                   letters R H S V A T C E (read-only, hidden, system, volume,
                                   archive, temporary, compressed, damaged)
  kxtool resave LIST [OUT]         opens the list as the viewer does and saves it again, to
                                   LIST or to OUT
  kxtool scan FOLDER OUT           makes a list file of a folder of this computer
  kxtool --help                    this text

FILTERS (find and export --csv; each one given must hold):
  --comments                       MASK may also occur in the comment
  --mark N                         the stored mark is N (0 to 255)
  --commented                      a comment is stored
  --damaged                        the damaged attribute is set
  --min-size BYTES                 a file of at least BYTES bytes (folders never pass)
  --max-size BYTES                 a file of at most BYTES bytes (folders never pass)
An option may also be written --mark=N; "--" ends the options, so that a MASK may start
with "--".

Output is UTF-8 text, one row per line, cells separated by a TAB. Inside a cell a backslash is
written "\\", a TAB "\t", a line feed "\n", a carriage return "\r", and any other control
character "\xHH" (its code in hexadecimal), so a row is always one line: the path that find
prints for "Photos\b.jpg" reads "Photos\\b.jpg". Errors are one sentence on standard error,
with exit status 1.
)";

struct Failure {
    std::string message;
};

[[noreturn]] void fail(const std::string& message) {
    throw Failure{message};
}

// A cell as UTF-8 on one line: a backslash is doubled, TAB, LF and CR become \t, \n and \r, and
// every other control character (U+0000-U+001F, U+007F-U+009F) becomes \xHH with its code, so
// that no cell breaks a row and nothing reaches the terminal as a control sequence. Reading \xHH
// back as the character U+00HH undoes it.
std::string cell(std::string_view ansi) {
    static const char hex[] = "0123456789abcdef";
    const QString text = kx::fromAnsi(ansi);
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\')
            out += QLatin1String("\\\\");
        else if (u == u'\t')
            out += QLatin1String("\\t");
        else if (u == u'\n')
            out += QLatin1String("\\n");
        else if (u == u'\r')
            out += QLatin1String("\\r");
        else if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
            out += QLatin1String("\\x") + QLatin1Char(hex[u >> 4]) + QLatin1Char(hex[u & 15]);
        else
            out += c;
    }
    return out.toStdString();
}

// Opens a list as the viewer does: the root folder shown, so its folders come first.
std::unique_ptr<kx::Document> openList(const std::string& path) {
    return kx::Document::open(path);
}

void printRow(const kx::Entry* e, const std::string& caption, bool marks) {
    std::cout << cell(caption) << '\t' << kx::sizeCell(e->sizeValue()) << '\t'
              << cell(kx::textOrDashes(e->created())) << '\t'
              << cell(kx::textOrDashes(e->changed())) << '\t'
              << kx::attributeLetters(e->attributes()) << '\t'
              << cell(kx::textOrDashes(e->comment()));
    if (marks) std::cout << '\t' << int(e->mark());
    std::cout << '\n';
}

// The arguments of a command split into its options and the rest. An argument that starts with
// "--" is an option until a bare "--", after which everything is a plain argument.
struct OptionRule {
    const char* name; // with its "--"
    bool takesValue;
};

struct Arguments {
    std::vector<std::string> plain;
    std::vector<std::pair<std::string, std::string>> options; // name, value ("" for a flag)

    bool has(const std::string& name) const {
        for (const auto& o : options)
            if (o.first == name) return true;
        return false;
    }
};

Arguments parseArguments(const std::string& command, const std::vector<std::string>& args,
                         const std::vector<OptionRule>& known) {
    Arguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.size() < 2 || a.compare(0, 2, "--") != 0) {
            parsed.plain.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = a.find('=');
        const std::string name = a.substr(0, equals);
        const OptionRule* rule = nullptr;
        for (const OptionRule& k : known)
            if (name == k.name) rule = &k;
        if (!rule)
            fail("Unknown option \"" + name + "\" for " + command +
                 "; kxtool --help lists the options.");
        std::string value;
        if (rule->takesValue) {
            if (equals != std::string::npos)
                value = a.substr(equals + 1);
            else if (i + 1 < args.size())
                value = args[++i];
            else
                fail("The option " + name + " needs a value.");
        } else if (equals != std::string::npos) {
            fail("The option " + name + " takes no value.");
        }
        parsed.options.emplace_back(name, value);
    }
    return parsed;
}

// A whole number of decimal digits only (no sign, no spaces) that is at most `most`.
std::optional<std::uint64_t> wholeNumber(const std::string& text, std::uint64_t most) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    std::uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const unsigned digit = unsigned(c - '0');
        if (v > (most - digit) / 10) return std::nullopt;
        v = v * 10 + digit;
    }
    return v;
}

const std::vector<OptionRule> kFilterOptions = {
    {"--comments", false}, {"--mark", true},     {"--commented", false},
    {"--damaged", false},  {"--min-size", true}, {"--max-size", true},
};

// The filter that the options ask for; the mask is the caller's to set.
kx::EntryFilter filterOf(const Arguments& parsed) {
    kx::EntryFilter f;
    for (const auto& [name, value] : parsed.options) {
        if (name == "--comments") {
            f.inComments = true;
        } else if (name == "--commented") {
            f.commentedOnly = true;
        } else if (name == "--damaged") {
            f.damagedOnly = true;
        } else if (name == "--mark") {
            const auto n = wholeNumber(value, 255);
            if (!n) fail("--mark takes a whole number from 0 to 255, not \"" + value + "\".");
            f.mark = static_cast<std::uint8_t>(*n);
        } else if (name == "--min-size" || name == "--max-size") {
            const auto n = wholeNumber(value, std::numeric_limits<std::uint64_t>::max());
            if (!n)
                fail(name + " takes a whole number of bytes (0 or more), not \"" + value + "\".");
            (name == "--min-size" ? f.minSize : f.maxSize) = *n;
        }
    }
    return f;
}

int commandLs(const std::vector<std::string>& args) {
    bool marks = false;
    std::vector<std::string> rest;
    for (const auto& a : args) {
        if (a == "--marks")
            marks = true;
        else
            rest.push_back(a);
    }
    if (rest.empty() || rest.size() > 2) fail("ls takes a list file and an optional folder.");
    auto doc = openList(rest[0]);
    kx::Entry* folder = doc->root();
    if (rest.size() == 2) {
        std::string path = rest[1];
        for (char& c : path)
            if (c == '\\') c = '/';
        std::size_t start = 0;
        while (start <= path.size()) {
            std::size_t slash = path.find('/', start);
            if (slash == std::string::npos) slash = path.size();
            const std::string part = path.substr(start, slash - start);
            start = slash + 1;
            if (part.empty()) continue;
            bool ok = true;
            const std::string ansi = kx::toAnsi(QString::fromStdString(part), &ok);
            kx::Entry* next = nullptr;
            for (kx::Entry* c : folder->children())
                if (ok && c->isFolder() && c->name() == ansi) {
                    next = c;
                    break;
                }
            if (!next) fail("There is no folder \"" + rest[1] + "\" in the list.");
            folder = next;
        }
    }
    doc->regroup(folder); // showing a folder regroups it
    if (folder != doc->root()) std::cout << "..\n";
    for (const kx::Entry* e : folder->children())
        printRow(e, std::string(e->name()), marks);
    return 0;
}

int commandFind(const std::vector<std::string>& args) {
    const Arguments parsed = parseArguments("find", args, kFilterOptions);
    kx::EntryFilter filter = filterOf(parsed);
    // The mask may be left out when a filter says what to list.
    const std::size_t wanted = filter.hasConditions() && parsed.plain.size() == 1 ? 1 : 2;
    if (parsed.plain.size() != wanted) fail("find takes a list file and a mask.");
    auto doc = openList(parsed.plain[0]);
    bool ok = true;
    if (wanted == 2) filter.mask = kx::toAnsi(QString::fromStdString(parsed.plain[1]), &ok);
    if (!ok) return 0; // a character the list cannot hold matches no name and no comment
    const kx::SearchResults results = kx::searchFiltered(doc->root(), filter);
    for (std::size_t i = 0; i < results.entries.size(); ++i)
        printRow(results.entries[i], kx::resultCaption(results, i), false);
    return 0;
}

int commandSummary(const std::vector<std::string>& args) {
    const Arguments parsed = parseArguments("summary", args, {});
    if (parsed.plain.size() != 1) fail("summary takes one list file.");
    auto doc = openList(parsed.plain[0]);
    const kx::Summary s = kx::summarizeBelow(doc->root());
    const std::pair<const char*, const kx::Tally*> rows[] = {
        {"all", &s.all},
        {"folders", &s.folders},
        {"files", &s.files},
        {"required", &s.required},
        {"useless", &s.useless},
        {"unmarked", &s.unmarked},
        {"commented", &s.commented},
        {"damaged", &s.damaged},
        {"crossed-out", &s.crossedOut},
    };
    for (const auto& [what, tally] : rows)
        std::cout << what << '\t' << tally->entries << '\t' << tally->bytes << '\n';
    return 0;
}

int commandInfo(const std::vector<std::string>& args) {
    if (args.size() != 1) fail("info takes one list file.");
    auto doc = openList(args[0]);
    const kx::TreeCounts counts = kx::countTree(doc->root());
    std::cout << "header\t" << cell(doc->headerText()) << '\n'
              << "root\t" << cell(doc->root()->name()) << '\n'
              << "entries\t" << counts.entries << '\n'
              << "folders\t" << counts.folders << '\n'
              << "files\t" << counts.files << '\n';
    return 0;
}

int commandResave(const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2)
        fail("resave takes a list file and an optional output file.");
    auto doc = openList(args[0]);
    if (args.size() == 2)
        doc->saveAs(args[1]);
    else
        doc->save({});
    return 0;
}

// The exit status of an export to `out`, or the sentence of its failure.
int exportStatus(kx::out::ExportResult result, const std::string& out) {
    switch (result) {
    case kx::out::ExportResult::Done:
    case kx::out::ExportResult::Aborted:
        return 0;
    case kx::out::ExportResult::CreateFailed:
        fail("Cannot create " + out + ".");
    case kx::out::ExportResult::WriteFailed:
        fail("Writing " + out + " failed; the export is incomplete.");
    case kx::out::ExportResult::NotRegularFile:
        fail(out + " is not a regular file; nothing was written.");
    case kx::out::ExportResult::IsTheList:
        fail(out + " is the list file itself; the export would overwrite it.");
    }
    return 0;
}

int commandExport(const std::vector<std::string>& args) {
    std::vector<OptionRule> known = kFilterOptions;
    known.push_back({"--csv", false});
    known.push_back({"--mask", true});
    const Arguments parsed = parseArguments("export", args, known);
    if (parsed.plain.size() != 2) fail("export takes a list file and an output file.");
    const std::string& list = parsed.plain[0];
    const std::string& out = parsed.plain[1];
    const bool csv = parsed.has("--csv");
    if (!csv && parsed.options.size() > 0)
        fail("The mask and the filters of export apply only with --csv.");
    kx::EntryFilter filter = filterOf(parsed);
    bool ok = true;
    for (const auto& [name, value] : parsed.options)
        if (name == "--mask") filter.mask = kx::toAnsi(QString::fromStdString(value), &ok);
    auto doc = openList(list);
    if (!csv)
        return exportStatus(kx::out::exportToFile(doc->root(), QString::fromStdString(out), {},
                                                  QString::fromStdString(list)),
                            out);
    // A mask with a character the list cannot hold matches nothing: the header row alone.
    return exportStatus(kx::out::exportCsvToFile(ok ? doc->root() : nullptr, filter,
                                                 QString::fromStdString(out), {},
                                                 QString::fromStdString(list)),
                        out);
}

int commandScan(const std::vector<std::string>& args) {
    if (args.size() != 2) fail("scan takes a folder and an output list file.");
    kx::scanFolderToListFile(args[0], args[1]);
    return 0;
}

int run(const std::vector<std::string>& argv) {
    if (argv.empty() || argv[0] == "--help" || argv[0] == "-h" || argv[0] == "help") {
        std::cout << kUsage;
        return argv.empty() ? 1 : 0;
    }
    const std::string command = argv[0];
    const std::vector<std::string> args(argv.begin() + 1, argv.end());
    if (command == "info") return commandInfo(args);
    if (command == "resave") return commandResave(args);
    if (command == "scan") return commandScan(args);
    if (command == "ls") return commandLs(args);
    if (command == "find") return commandFind(args);
    if (command == "summary") return commandSummary(args);
    if (command == "export") return commandExport(args);
    fail("Unknown command \"" + command + "\"; kxtool --help lists the commands.");
}

} // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const Failure& f) {
        std::cerr << "kxtool: " << f.message << '\n';
    } catch (const std::exception& e) {
        std::cerr << "kxtool: " << e.what() << '\n';
    }
    return 1;
}
