// kxtool catalog: the catalogue of many lists and its commands add, remove, lists, find and dups.
#include "kxtool_commands.h"
#include "kxtool_output.h"

#include "catalog/catalog.h"
#include "listfile/codepage.h"

#include <ctime>
#include <iostream>
#include <unistd.h>

namespace kxtool {

namespace {

// The catalogue that catalog's --db names, or the user's.
std::unique_ptr<kx::catalog::Catalog> openCatalog(const CommandLine& line) {
    std::string db = line.outer()->value("db");
    if (db.empty()) db = kx::catalog::defaultCatalogPath();
    return kx::catalog::Catalog::open(db);
}

const char* const kListsHelp = "list files (.kx)";

// catalog add LIST...
const Handler addCommand = {
    [](CommandLine& line) {
        line.about("Adds lists to the catalogue, or indexes a list again when its file changed; "
                   "one row per\nlist: added, updated or unchanged, its absolute path, its number "
                   "of entries. A list that\ncannot be read is reported and skipped; the others "
                   "are still added, and the status is then 1.");
        line.argument("LIST", kListsHelp, Arity::oneOrMore);
    },
    [](const CommandLine& line) {
        const auto catalog = openCatalog(line);
        const bool showProgress = ::isatty(2) != 0;
        int status = 0;
        for (const std::string& list : line.arguments()) {
            try {
                kx::Progress progress;
                if (showProgress)
                    progress = [&list](std::uint64_t done, std::uint64_t total) {
                        std::cerr << "\rkxtool: indexing " << escaped(list) << ": " << done
                                  << " of " << total << " entries" << (done == total ? "\n" : "")
                                  << std::flush;
                        return true;
                    };
                const kx::catalog::AddResult r = catalog->add(list, progress);
                static const char* const words[] = {"added", "updated", "unchanged", "cancelled"};
                std::cout << words[int(r.outcome)] << '\t' << escaped(r.path) << '\t' << r.entries
                          << '\n'
                          << std::flush;
            } catch (const std::exception& e) {
                // The catalogue itself failed: no other list would fare better.
                if (const auto* error = dynamic_cast<const kx::Error*>(&e))
                    if (kx::isCatalogueError(error->code())) throw;
                printMessage(sentenceOf(e) + " It was skipped.");
                status = 1;
            }
        }
        // The name index is made now rather than at the next search.
        catalog->prepareSearch();
        return status;
    },
};

// catalog remove LIST...
const Handler removeCommand = {
    [](CommandLine& line) {
        line.about("Forgets lists. A list that is not in the catalogue is reported, and the "
                   "status is then 1.");
        line.argument("LIST", kListsHelp, Arity::oneOrMore);
    },
    [](const CommandLine& line) {
        const auto catalog = openCatalog(line);
        int status = 0;
        for (const std::string& list : line.arguments()) {
            if (!catalog->remove(list)) {
                printMessage(kx::catalog::absoluteListPath(list) + " is not in the catalogue.");
                status = 1;
            }
        }
        return status;
    },
};

// catalog lists
const Handler listsCommand = {
    [](CommandLine& line) {
        line.about("Prints rows PATH, ENTRIES, INDEXED (local time), HEADER, ROOT, in the order "
                   "the lists were\nfirst added.");
    },
    [](const CommandLine& line) {
        for (const kx::catalog::ListRecord& l : openCatalog(line)->lists()) {
            const std::time_t t = std::time_t(l.indexedAt);
            std::tm local{};
            localtime_r(&t, &local);
            char when[32];
            std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
            std::cout << escaped(l.path) << '\t' << l.entries << '\t' << when << '\t'
                      << ansiCell(l.headerText) << '\t' << ansiCell(l.rootName) << '\n';
        }
        return 0;
    },
};

// catalog find [MASK] [FILTERS]
const Handler findCommand = {
    [](CommandLine& line) {
        line.about("Prints the rows find gives on each catalogued list, each led by the list's "
                   "absolute path;\nlists in the order they were added, without opening the "
                   "list files.");
        line.argument("MASK", "the text to look for", Arity::optional);
        declareFilters(line);
        declareLimit(line);
    },
    [](const CommandLine& line) {
        kx::EntryFilter filter = filterOf(line);
        std::uint64_t left = limitOf(line);
        if (line.arguments().empty() && !filter.hasConditions()) line.missingArgument("MASK");
        const auto catalog = openCatalog(line);
        bool ok = true;
        if (!line.arguments().empty())
            filter.mask = kx::toAnsi(QString::fromStdString(line.arguments()[0]), &ok);
        if (!ok) return 0; // a character the lists cannot hold matches nothing
        if (left == 0) return 0;
        RowWriter out;
        std::int64_t lastList = -1;
        std::string lead;
        catalog->findStored(
            filter, [&](const kx::catalog::ListRecord& list, const kx::catalog::StoredRow& r) {
                if (list.id != lastList) {
                    lead = escaped(list.path);
                    lastList = list.id;
                }
                out.row(lead, {r.caption, r.size, r.created, r.changed, r.attributes, r.comment});
                return --left != 0;
            });
        return 0;
    },
};

// catalog dups [--min-size BYTES]
const Handler dupsCommand = {
    [](CommandLine& line) {
        line.about("Prints every file whose name and size equal another file's in the "
                   "catalogue: rows SIZE\n(bytes), NAME, LIST, PATH, largest first.");
        line.option("min-size", "BYTES", "only files of at least BYTES bytes");
    },
    [](const CommandLine& line) {
        const std::uint64_t least = byteCount(line, "min-size").value_or(0);
        for (const kx::catalog::Duplicate& d : openCatalog(line)->duplicates(least))
            std::cout << d.size << '\t' << ansiCell(d.name) << '\t' << escaped(d.listPath) << '\t'
                      << ansiCell(d.caption) << '\n';
        return 0;
    },
};

const Command kCatalogCommands[] = {
    {"add", "adds lists, or indexes a list again when its file changed", &addCommand},
    {"remove", "forgets lists", &removeCommand},
    {"lists", "the catalogued lists", &listsCommand},
    {"find", "the rows find gives on each catalogued list", &findCommand},
    {"dups", "every file whose name and size equal another file's", &dupsCommand},
};

} // namespace

// catalog [--db FILE] COMMAND ...
const Handler catalogCommand = {
    [](CommandLine& line) {
        line.about("The catalogue of many lists: which of my disks holds a file, without opening "
                   "the lists.");
        line.option("db", "FILE", "the catalogue to use");
        line.commands({kCatalogCommands, std::size(kCatalogCommands)});
        line.note("The catalogue is $XDG_DATA_HOME/fentaro-light/catalog.sqlite (or\n"
                  "~/.local/share/fentaro-light/catalog.sqlite) unless --db names another file. "
                  "\"kxtool catalog\nCOMMAND --help\" tells more of each command.");
    },
    [](const CommandLine& line) { return line.runNamedCommand(); },
};

} // namespace kxtool
