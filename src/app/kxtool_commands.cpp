// kxtool's commands on one or two list files: info, ls, summary, find, export, resave and diff, and
// the filter options that find, export and catalog find share.
#include "kxtool_commands.h"
#include "kxtool_output.h"

#include "browser/document.h"
#include "catalog/listdiff.h"
#include "listfile/codepage.h"
#include "listfile/exactname.h"
#include "output/csvexport.h"
#include "output/textexport.h"
#include "query/belowroot.h"
#include "query/rowformat.h"
#include "query/search.h"
#include "query/summary.h"

#include <algorithm>
#include <iostream>
#include <limits>

namespace kxtool {

namespace {

// Opens a list as the viewer does: the root folder shown, so its folders come first.
std::unique_ptr<kx::Document> openList(const std::string& path) {
    return kx::Document::open(path);
}

// Text given on the command line (UTF-8) in the list's code page; false in `ok` when the code
// page cannot hold it.
std::string ansiOf(const std::string& utf8, bool* ok) {
    return kx::toAnsi(QString::fromStdString(utf8), ok);
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

struct FilterOption {
    const char* name;
    const char* valueName; // null for a flag
    const char* help;
};

const FilterOption kFilterOptions[] = {
    {"comments", nullptr, "MASK may also occur in the comment"},
    {"glob", nullptr,
     "MASK is a wildcard pattern over the whole name: * any text, ? one character"},
    {"mark", "N", "the stored mark is N (0 to 255)"},
    {"commented", nullptr, "a comment is stored"},
    {"damaged", nullptr, "the damaged attribute is set"},
    {"min-size", "BYTES", "a file of at least BYTES bytes (folders never pass)"},
    {"max-size", "BYTES", "a file of at most BYTES bytes (folders never pass)"},
};

} // namespace

std::optional<std::uint64_t> numberOption(const CommandLine& line, const char* option,
                                          std::uint64_t most, const char* whatItTakes) {
    std::optional<std::uint64_t> last;
    for (const std::string& value : line.values(option)) {
        last = wholeNumber(value, most);
        if (!last)
            line.usageError(std::string("--") + option + " takes " + whatItTakes + ", not \"" +
                            value + "\".");
    }
    return last;
}

const char* const kListHelp = "a list file (.kx)";

void declareFilters(CommandLine& line) {
    for (const FilterOption& o : kFilterOptions) {
        if (o.valueName)
            line.option(o.name, o.valueName, o.help);
        else
            line.flag(o.name, o.help);
    }
    line.note("Each filter given must hold. An option may also be written --mark=N; \"--\" ends "
              "the\noptions, so that a MASK may start with \"-\".");
}

std::optional<std::uint64_t> byteCount(const CommandLine& line, const char* option) {
    return numberOption(line, option, std::numeric_limits<std::uint64_t>::max(),
                        "a whole number of bytes (0 or more)");
}

void declareLimit(CommandLine& line) {
    line.option("limit", "N", "print only the first N rows (the search stops there)");
}

std::uint64_t limitOf(const CommandLine& line) {
    return numberOption(line, "limit", std::numeric_limits<std::uint64_t>::max(),
                        "a whole number (0 or more)")
        .value_or(std::numeric_limits<std::uint64_t>::max());
}

kx::EntryFilter filterOf(const CommandLine& line) {
    kx::EntryFilter f;
    f.inComments = line.has("comments");
    f.glob = line.has("glob");
    f.commentedOnly = line.has("commented");
    f.damagedOnly = line.has("damaged");
    if (const auto mark = numberOption(line, "mark", 255, "a whole number from 0 to 255"))
        f.mark = static_cast<std::uint8_t>(*mark);
    f.minSize = byteCount(line, "min-size");
    f.maxSize = byteCount(line, "max-size");
    return f;
}

// info LIST
const Handler infoCommand = {
    [](CommandLine& line) {
        line.about("Prints the header text, the root's name, and the numbers of entries, folders "
                   "and files,\none per line.");
        line.argument("LIST", kListHelp);
    },
    [](const CommandLine& line) {
        auto doc = openList(line.arguments()[0]);
        const kx::TreeCounts counts = kx::countTree(doc->root());
        std::cout << "header\t" << ansiCell(doc->headerText()) << '\n'
                  << "root\t" << escaped(kx::nameUtf8(*doc->root())) << '\n'
                  << "entries\t" << counts.entries << '\n'
                  << "folders\t" << counts.folders << '\n'
                  << "files\t" << counts.files << '\n';
        return 0;
    },
};

// ls LIST [FOLDER] [--marks]
const Handler lsCommand = {
    [](CommandLine& line) {
        line.about("Prints the rows the viewer's detail list shows for the root folder or for "
                   "FOLDER: name,\nsize in kB, created, changed, attributes, comment; the \"..\" "
                   "row as \"..\".");
        declareFolderRows(line, kListHelp);
    },
    [](const CommandLine& line) {
        const Words& args = line.arguments();
        auto doc = openList(args[0]);
        printFolderRows(*doc, args.size() == 2 ? &args[1] : nullptr, line.has("marks"));
        return 0;
    },
};

void declareFolderRows(CommandLine& line, const char* listHelp) {
    line.argument("LIST", listHelp);
    line.argument("FOLDER", "names below the root, separated by \"/\" or \"\\\"", Arity::optional);
    line.flag("marks", "adds the mark (0 none, 1 needed, 2 not needed, or the stored value)");
}

kx::Entry* folderNamed(kx::Document& doc, const std::string* folderPath) {
    kx::Entry* folder = doc.root();
    if (folderPath) {
        std::string path = *folderPath;
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
            const std::string ansi = ansiOf(part, &ok);
            kx::Entry* next = nullptr;
            for (kx::Entry* c : folder->children())
                if (c->isFolder() &&
                    (c->hasExactName() ? *c->exactName() == part : ok && c->name() == ansi)) {
                    next = c;
                    break;
                }
            if (!next) throw kx::Error(kx::ErrorCode::noSuchFolder, *folderPath);
            folder = next;
        }
    }
    doc.regroup(folder); // showing a folder regroups it
    return folder;
}

void printFolderRows(kx::Document& doc, const std::string* folderPath, bool marks) {
    kx::Entry* folder = folderNamed(doc, folderPath);
    if (folder != doc.root()) std::cout << "..\n";
    RowWriter out;
    for (const kx::Entry* e : folder->children())
        out.row(e, kx::nameUtf8(*e), marks);
}

// summary LIST
const Handler summaryCommand = {
    [](CommandLine& line) {
        line.about("Prints rows WHAT, ENTRIES, BYTES for all, folders, files, required (mark 1), "
                   "useless\n(mark 2), unmarked (mark 0), commented, damaged and crossed-out "
                   "entries below the root;\nBYTES sums the sizes of the files among them.");
        line.argument("LIST", kListHelp);
    },
    [](const CommandLine& line) {
        auto doc = openList(line.arguments()[0]);
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
    },
};

// find LIST [MASK] [FILTERS]
const Handler findCommand = {
    [](CommandLine& line) {
        line.about("Prints the rows a search for MASK shows (names that contain MASK, case "
                   "ignored; a leading\n\"*\" is dropped). With filters only the entries that "
                   "also pass them, and MASK may be \"\"\nor left out to list every entry that "
                   "passes.");
        line.argument("LIST", kListHelp);
        line.argument("MASK", "the text to look for", Arity::optional);
        line.flag("paths", "prints only the whole path of each entry, one a line, in the "
                           "root's style\n(\"/\" between names below a root such as \"/usr\", "
                           "else \"\\\")");
        declareFilters(line);
        declareLimit(line);
    },
    [](const CommandLine& line) {
        const Words& args = line.arguments();
        const std::uint64_t limit = limitOf(line);
        kx::EntryFilter filter = filterOf(line);
        // The mask may be left out when a filter says what to list.
        if (args.size() == 1 && !filter.hasConditions()) line.missingArgument("MASK");
        auto doc = openList(args[0]);
        // A character the code page cannot hold is in no name or comment there, only in exact
        // names.
        if (args.size() == 2) filter.setMaskText(args[1]);
        const kx::SearchResults results = kx::searchFiltered(doc->root(), filter);
        const std::size_t rows =
            std::size_t(std::min<std::uint64_t>(results.entries.size(), limit));
        if (line.has("paths")) {
            for (std::size_t i = 0; i < rows; ++i)
                std::cout << escaped(kx::wholePath(results.entries[i])) << '\n';
            return 0;
        }
        RowWriter out;
        for (std::size_t i = 0; i < rows; ++i)
            out.pathRow(results.entries[i], false);
        return 0;
    },
};

// export LIST OUT [--utf8 | --csv [--mask MASK] [FILTERS]]
const Handler exportCommand = {
    [](CommandLine& line) {
        line.about("Writes the text export of the whole list to OUT, the same bytes as the "
                   "viewer's Export\n(in the list's code page); with --utf8 the same lines in "
                   "UTF-8.");
        line.about("With --csv it writes a CSV file instead (UTF-8, CR LF): a header row\n"
                   "path,kind,size,created,changed,attributes,mark,comment and one row per entry "
                   "below the\nroot that contains MASK and passes the filters, in list order; "
                   "path relative to the root\nwith \"/\" between names below a root such as "
                   "\"/usr\", else \"\\\"; size in bytes; dates as\n2026-12-10 20:52:30 "
                   "(other texts as stored); attributes as the letters R H S V A T C E\n"
                   "(read-only, hidden, system, volume, archive, temporary, compressed, "
                   "damaged).");
        line.about("A text cell that starts with \"=\", \"+\", \"-\", \"@\", TAB or CR gets a "
                   "\"'\" in front, so that a\nspreadsheet shows it as text and never runs it.");
        line.argument("LIST", kListHelp);
        line.argument("OUT", "the file to write");
        line.flag("csv", "writes a CSV file");
        line.flag("utf8", "writes the text export in UTF-8");
        line.option("mask", "MASK", "with --csv: only the entries whose name contains MASK");
        declareFilters(line);
    },
    [](const CommandLine& line) {
        const std::string& list = line.arguments()[0];
        const std::string& out = line.arguments()[1];
        const bool csv = line.has("csv");
        bool filtered = line.has("mask");
        for (const FilterOption& o : kFilterOptions)
            filtered = filtered || line.has(o.name);
        if (!csv && filtered)
            line.usageError("The mask and the filters of export apply only with --csv.");
        if (csv && line.has("utf8"))
            line.usageError("--utf8 is for the text export; a CSV file is always UTF-8.");
        kx::EntryFilter filter = filterOf(line);
        if (line.has("mask")) filter.setMaskText(line.value("mask"));
        auto doc = openList(list);
        if (!csv)
            kx::out::exportToFile(doc->root(), QString::fromStdString(out), {},
                                  QString::fromStdString(list),
                                  line.has("utf8") ? kx::NameForm::shown : kx::NameForm::codePage);
        else
            kx::out::exportCsvToFile(doc->root(), filter, QString::fromStdString(out), {},
                                     QString::fromStdString(list));
        return 0;
    },
};

// resave LIST [OUT]
const Handler resaveCommand = {
    [](CommandLine& line) {
        line.about("Opens the list as the viewer does and saves it again, as the viewer's Save "
                   "does.");
        line.argument("LIST", kListHelp);
        line.argument("OUT", "the file to save to (LIST itself when left out)", Arity::optional);
    },
    [](const CommandLine& line) {
        const Words& args = line.arguments();
        auto doc = openList(args[0]);
        if (args.size() == 2)
            doc->saveAs(args[1]);
        else
            doc->save({});
        return 0;
    },
};

namespace {

// A row of diff; a "~" row goes on with the old and the new size and change time.
void printDiffRow(char change, std::string_view caption, char kind, const kx::Entry* was,
                  const kx::Entry* is) {
    std::cout << change << '\t' << escaped(caption) << '\t' << ansiCell(std::string(1, kind));
    if (change == '~')
        std::cout << '\t' << kx::sizeBytes(was->sizeValue()) << '\t'
                  << kx::sizeBytes(is->sizeValue()) << '\t' << ansiCell(was->changed()) << '\t'
                  << ansiCell(is->changed());
    std::cout << '\n';
}

} // namespace

// diff OLD NEW
const Handler diffCommand = {
    [](CommandLine& line) {
        line.about("Compares two lists of the same disk by path below the root and kind: rows "
                   "\"+\", PATH, KIND\nfor entries only in NEW, \"-\" for entries only in OLD, "
                   "\"~\" for entries in both with another\nsize or change time; sorted by path. "
                   "A \"~\" row goes on with the old size, the new size\n(in bytes), the old "
                   "change time and the new one.");
        line.argument("OLD", "the older list file");
        line.argument("NEW", "the newer list file");
        line.note("Exit status, as diff(1): 0 the lists are the same; 1 they differ; 2 trouble (a "
                  "usage error,\nor a list that cannot be read, told in one sentence).");
    },
    [](const CommandLine& line) {
        bool differ = false;
        try {
            auto before = openList(line.arguments()[0]);
            auto after = openList(line.arguments()[1]);
            const kx::catalog::DiffEntrySink print =
                [&differ](char change, std::string_view caption, char kind, const kx::Entry* was,
                          const kx::Entry* is) {
                    differ = true;
                    printDiffRow(change, caption, kind, was, is);
                };
            kx::catalog::diffLists(before->root(), after->root(), print);
        } catch (const std::exception& e) {
            std::cout.flush();
            printMessage(sentenceOf(e));
            return 2;
        }
        return differ ? 1 : 0;
    },
};

} // namespace kxtool
