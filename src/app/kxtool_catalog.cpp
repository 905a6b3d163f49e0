// kxtool catalog: the catalogue of many lists and its commands add, remove, lists, label, note,
// ls, find and dups.
#include "kxtool_commands.h"
#include "kxtool_output.h"

#include "browser/document.h"
#include "catalog/catalog.h"

#include <ctime>
#include <iostream>
#include <unistd.h>

namespace kxtool {

namespace {

// The catalogue that catalog's --db names, or the user's; only add makes one. A wait for another
// program's write is told to the terminal; a catalogue that other users can read is told once,
// whether or not standard error is a terminal.
std::unique_ptr<kx::catalog::Catalog>
openCatalog(const CommandLine& line, kx::catalog::OpenMode mode = kx::catalog::OpenMode::existing) {
    std::string db = line.outer()->value("db");
    if (db.empty()) db = kx::catalog::defaultCatalogPath();
    kx::catalog::setReadableNotice([](const std::string& path) {
        static bool told = false;
        if (told) return;
        told = true;
        printMessage("The catalogue " + path +
                     " can be read by other users; make it private (chmod 600 the file, "
                     "chmod 700 its folder).");
    });
    if (::isatty(2))
        kx::catalog::setWaitNotice([] {
            printMessage("waiting for another program to finish its change of the catalogue");
        });
    return kx::catalog::Catalog::open(db, mode);
}

// The list that LIST names (its path or its label); an unknown or ambiguous one fails.
kx::catalog::ListRecord namedList(const kx::catalog::Catalog& catalog, const std::string& name) {
    if (const auto list = catalog.listByPathOrLabel(name)) return *list;
    const std::size_t labelled = catalog.listsLabelled(name).size();
    throw std::runtime_error(labelled > 1
                                 ? std::to_string(labelled) + " lists have the label \"" + name +
                                       "\"; name the list by its path."
                                 : kx::catalog::absoluteListPath(name) +
                                       " is not in the catalogue, and no list has that label.");
}

const char* const kNamedListHelp = "a catalogued list: its path or its label";

const char* const kListsHelp = "list files (.kx)";

// catalog add LIST...
const Handler addCommand = {
    [](CommandLine& line) {
        line.about("Adds lists to the catalogue, or indexes a list again when its file changed; "
                   "one row per\nlist: added, updated or unchanged, its absolute path, its number "
                   "of entries. A list that\ncannot be read is reported and skipped; the others "
                   "are still added, and the status is then 1.");
        line.argument("LIST", "list files (.kx), or folders: every list file below them",
                      Arity::oneOrMore);
    },
    [](const CommandLine& line) {
        const auto catalog = openCatalog(line, kx::catalog::OpenMode::create);
        const bool showProgress = ::isatty(2) != 0;
        int status = 0;
        std::vector<std::string> lists;
        for (const std::string& given : line.arguments()) {
            try {
                const std::vector<std::string> below = kx::catalog::listFilesAt(given);
                lists.insert(lists.end(), below.begin(), below.end());
            } catch (const kx::Error& e) {
                printMessage(sentenceOf(e) + " It was skipped.");
                status = 1;
            }
        }
        for (const std::string& list : lists) {
            try {
                kx::Progress progress;
                if (showProgress)
                    progress = [&list](std::uint64_t done, std::uint64_t total) {
                        printProgress("indexing " + list + ": " + std::to_string(done) + " of " +
                                          std::to_string(total) + " entries",
                                      done == total);
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
        line.about("Prints rows PATH, ENTRIES, INDEXED (local time), HEADER, ROOT, LABEL, NOTE, "
                   "in the order the\nlists were first added.");
    },
    [](const CommandLine& line) {
        for (const kx::catalog::ListRecord& l : openCatalog(line)->lists()) {
            const std::time_t t = std::time_t(l.indexedAt);
            std::tm local{};
            localtime_r(&t, &local);
            char when[32];
            std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
            std::cout << escaped(l.path) << '\t' << l.entries << '\t' << when << '\t'
                      << ansiCell(l.headerText) << '\t'
                      << (l.rootExact.empty() ? ansiCell(l.rootName) : escaped(l.rootExact)) << '\t'
                      << escaped(l.label) << '\t' << escaped(l.note) << '\n';
        }
        return 0;
    },
};

// catalog label|note LIST [TEXT]
void declareListText(CommandLine& line, const char* about, const char* what) {
    line.about(about);
    line.argument("LIST", kNamedListHelp);
    line.argument("TEXT", what, Arity::optional);
}

int setListText(const CommandLine& line,
                void (kx::catalog::Catalog::*set)(std::int64_t, const std::string&)) {
    const auto catalog = openCatalog(line);
    const Words& args = line.arguments();
    ((*catalog).*set)(namedList(*catalog, args[0]).id, args.size() > 1 ? args[1] : "");
    return 0;
}

const Handler labelCommand = {
    [](CommandLine& line) {
        declareListText(line,
                        "Sets the label of a catalogued list, the name of its disk, or clears it "
                        "when TEXT is\nnot given.",
                        "the label");
    },
    [](const CommandLine& line) { return setListText(line, &kx::catalog::Catalog::setLabel); },
};

const Handler noteCommand = {
    [](CommandLine& line) {
        declareListText(line,
                        "Sets the note of a catalogued list, or clears it when TEXT is not given.",
                        "the note");
    },
    [](const CommandLine& line) { return setListText(line, &kx::catalog::Catalog::setNote); },
};

// catalog ls LIST [FOLDER] [--marks]
const Handler listLsCommand = {
    [](CommandLine& line) {
        line.about("Prints the rows \"kxtool ls\" prints for the list as it was indexed, from the "
                   "catalogue\nalone: the list file may be away.");
        declareFolderRows(line, kNamedListHelp);
    },
    [](const CommandLine& line) {
        const auto catalog = openCatalog(line);
        const Words& args = line.arguments();
        const kx::catalog::ListRecord list = namedList(*catalog, args[0]);
        kx::Document doc(catalog->loadTree(list.id), list.path);
        printFolderRows(doc, args.size() > 1 ? &args[1] : nullptr, line.has("marks"));
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
        // A character the code page cannot hold is in no name or comment there, only in exact
        // names.
        if (!line.arguments().empty()) filter.setMaskText(line.arguments()[0]);
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

// catalog dups [--min-size BYTES] [--summary] [--across-lists]
const Handler dupsCommand = {
    [](CommandLine& line) {
        line.about("Prints every file whose name and size equal another file's in the "
                   "catalogue: rows SIZE\n(bytes), NAME, LIST, PATH, largest first. Empty files "
                   "are left out unless --min-size 0.");
        line.option("min-size", "BYTES", "only files of at least BYTES bytes (1 unless given)");
        line.flag("summary", "one row per name and size: SIZE, NAME, COPIES, WASTED (the bytes "
                             "of all\ncopies but one), most wasted first");
        line.flag("across-lists", "only files with copies in lists of different roots (two "
                                  "lists of one root are\ntwo snapshots of one disk)");
    },
    [](const CommandLine& line) {
        const std::uint64_t least = byteCount(line, "min-size").value_or(1);
        const auto catalog = openCatalog(line);
        std::vector<kx::catalog::Duplicate> rows = catalog->duplicates(least);
        if (line.has("across-lists")) rows = kx::catalog::acrossLists(rows, catalog->lists());
        if (line.has("summary")) {
            for (const kx::catalog::DuplicateGroup& g : kx::catalog::duplicateGroups(rows))
                std::cout << g.size << '\t' << escaped(g.name) << '\t' << g.copies << '\t'
                          << g.wasted << '\n';
            return 0;
        }
        for (const kx::catalog::Duplicate& d : rows)
            std::cout << d.size << '\t' << escaped(d.name) << '\t' << escaped(d.listPath) << '\t'
                      << escaped(d.caption) << '\n';
        return 0;
    },
};

const Command kCatalogCommands[] = {
    {"add", "adds lists, or indexes a list again when its file changed", &addCommand},
    {"remove", "forgets lists", &removeCommand},
    {"lists", "the catalogued lists", &listsCommand},
    {"label", "sets or clears the label of a list", &labelCommand},
    {"note", "sets or clears the note of a list", &noteCommand},
    {"ls", "the rows ls gives on a catalogued list, from the catalogue alone", &listLsCommand},
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
