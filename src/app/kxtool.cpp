// kxtool: the list-file library from the command line. Each command is a few calls of the same
// library that the viewer uses, so the two see a list the same way.
#include "browser/document.h"
#include "catalog/catalog.h"
#include "catalog/listdiff.h"
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
#include <ctime>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <unistd.h>
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
  kxtool diff OLD NEW              two lists of the same disk compared by path below the root
                                   and kind: rows "+", PATH, KIND for entries only in NEW, "-"
                                   for entries only in OLD, "~" for entries in both with another
                                   size or change time; sorted by path
  kxtool catalog [--db FILE] add LIST...
                                   adds lists to the catalogue, or indexes a list again when its
                                   file changed; one row per list: added, updated or unchanged,
                                   its absolute path, its number of entries
  kxtool catalog [--db FILE] remove LIST...
                                   forgets lists
  kxtool catalog [--db FILE] lists rows PATH, ENTRIES, INDEXED (local time), HEADER, ROOT
  kxtool catalog [--db FILE] find MASK [FILTERS]
                                   the rows find gives on each catalogued list, each led by the
                                   list's absolute path; lists in the order they were added,
                                   without opening the list files
  kxtool catalog [--db FILE] dups [--min-size BYTES]
                                   every file whose name and size equal another file's in the
                                   catalogue: rows SIZE (bytes), NAME, LIST, PATH, largest first
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

The catalogue is $XDG_DATA_HOME/fentaro-light/catalog.sqlite (or
~/.local/share/fentaro-light/catalog.sqlite) unless --db names another file. A list that cannot
be read is reported and skipped; the others are still added, and the status is then 1.

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
        kx::out::exportToFile(doc->root(), QString::fromStdString(out), {},
                              QString::fromStdString(list));
    else // a mask with a character the list cannot hold matches nothing: the header row alone
        kx::out::exportCsvToFile(ok ? doc->root() : nullptr, filter, QString::fromStdString(out),
                                 {}, QString::fromStdString(list));
    return 0;
}

int commandScan(const std::vector<std::string>& args) {
    if (args.size() != 2) fail("scan takes a folder and an output list file.");
    kx::scanFolderToListFile(args[0], args[1]);
    return 0;
}

// A file path (UTF-8 already) as a cell: the same escapes as cell().
std::string pathCell(const std::string& path) {
    std::string out;
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c < 0x20 || c == 0x7F) {
            static const char hex[] = "0123456789abcdef";
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else
            out += ch;
    }
    return out;
}

int commandDiff(const std::vector<std::string>& args) {
    const Arguments parsed = parseArguments("diff", args, {});
    if (parsed.plain.size() != 2) fail("diff takes an old and a new list file.");
    auto before = openList(parsed.plain[0]);
    auto after = openList(parsed.plain[1]);
    for (const kx::catalog::DiffRow& r : kx::catalog::diffLists(before->root(), after->root()))
        std::cout << r.change << '\t' << cell(r.caption) << '\t' << cell(std::string(1, r.kind))
                  << '\n';
    return 0;
}

int catalogAdd(kx::catalog::Catalog& catalog, const std::vector<std::string>& lists) {
    if (lists.empty()) fail("catalog add takes one or more list files.");
    const bool showProgress = ::isatty(2) != 0;
    int status = 0;
    for (const std::string& list : lists) {
        try {
            kx::Progress progress;
            if (showProgress)
                progress = [&list](std::uint64_t done, std::uint64_t total) {
                    std::cerr << "\rkxtool: indexing " << list << ": " << done << " of " << total
                              << " entries" << (done == total ? "\n" : "") << std::flush;
                    return true;
                };
            const kx::catalog::AddResult r = catalog.add(list, progress);
            static const char* const words[] = {"added", "updated", "unchanged"};
            std::cout << words[int(r.outcome)] << '\t' << pathCell(r.path) << '\t' << r.entries
                      << '\n'
                      << std::flush;
        } catch (const std::exception& e) {
            // The catalogue itself failed: no other list would fare better.
            if (const auto* error = dynamic_cast<const kx::Error*>(&e))
                if (kx::isCatalogueError(error->code())) throw;
            std::cerr << "kxtool: " << e.what() << " It was skipped.\n";
            status = 1;
        }
    }
    return status;
}

int catalogFind(kx::catalog::Catalog& catalog, const std::vector<std::string>& args) {
    const Arguments parsed = parseArguments("catalog find", args, kFilterOptions);
    kx::EntryFilter filter = filterOf(parsed);
    const std::size_t wanted = filter.hasConditions() && parsed.plain.empty() ? 0 : 1;
    if (parsed.plain.size() != wanted) fail("catalog find takes a mask.");
    bool ok = true;
    if (wanted == 1) filter.mask = kx::toAnsi(QString::fromStdString(parsed.plain[0]), &ok);
    if (!ok) return 0; // a character the lists cannot hold matches nothing
    catalog.find(filter, [](const kx::catalog::ListRecord& list, const kx::Entry& e,
                            const std::string& caption, std::uint32_t) {
        std::cout << pathCell(list.path) << '\t';
        printRow(&e, caption, false);
    });
    return 0;
}

int commandCatalog(const std::vector<std::string>& args) {
    std::size_t at = 0;
    std::string db;
    while (at < args.size() && args[at].rfind("--db", 0) == 0) {
        if (args[at] == "--db" && at + 1 < args.size()) {
            db = args[at + 1];
            at += 2;
        } else if (args[at].rfind("--db=", 0) == 0) {
            db = args[at].substr(5);
            ++at;
        } else {
            fail("The option --db needs a file.");
        }
    }
    if (at == args.size()) fail("catalog takes add, remove, lists, find or dups.");
    const std::string sub = args[at];
    const std::vector<std::string> rest(args.begin() + long(at) + 1, args.end());
    if (sub != "add" && sub != "remove" && sub != "lists" && sub != "find" && sub != "dups")
        fail("Unknown catalog command \"" + sub + "\"; kxtool --help lists the commands.");
    if (sub == "lists" && !rest.empty()) fail("catalog lists takes no arguments.");
    if (db.empty()) db = kx::catalog::defaultCatalogPath();
    const auto catalog = kx::catalog::Catalog::open(db);
    if (sub == "add") return catalogAdd(*catalog, parseArguments("catalog add", rest, {}).plain);
    if (sub == "remove") {
        const auto lists = parseArguments("catalog remove", rest, {}).plain;
        if (lists.empty()) fail("catalog remove takes one or more list files.");
        int status = 0;
        for (const std::string& list : lists) {
            if (!catalog->remove(list)) {
                std::cerr << "kxtool: " << kx::catalog::absoluteListPath(list)
                          << " is not in the catalogue.\n";
                status = 1;
            }
        }
        return status;
    }
    if (sub == "lists") {
        for (const kx::catalog::ListRecord& l : catalog->lists()) {
            const std::time_t t = std::time_t(l.indexedAt);
            std::tm local{};
            localtime_r(&t, &local);
            char when[32];
            std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
            std::cout << pathCell(l.path) << '\t' << l.entries << '\t' << when << '\t'
                      << cell(l.headerText) << '\t' << cell(l.rootName) << '\n';
        }
        return 0;
    }
    if (sub == "find") return catalogFind(*catalog, rest);
    const Arguments parsed = parseArguments("catalog dups", rest, {{"--min-size", true}});
    if (!parsed.plain.empty()) fail("catalog dups takes no arguments but --min-size.");
    std::uint64_t least = 0;
    for (const auto& [name, value] : parsed.options) {
        const auto n = wholeNumber(value, std::numeric_limits<std::uint64_t>::max());
        if (!n)
            fail("--min-size takes a whole number of bytes (0 or more), not \"" + value + "\".");
        least = *n;
    }
    for (const kx::catalog::Duplicate& d : catalog->duplicates(least))
        std::cout << d.size << '\t' << cell(d.name) << '\t' << pathCell(d.listPath) << '\t'
                  << cell(d.caption) << '\n';
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
    if (command == "diff") return commandDiff(args);
    if (command == "catalog") return commandCatalog(args);
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
