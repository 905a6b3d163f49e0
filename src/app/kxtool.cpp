// kxtool: the list-file library from the command line. Each command is a few calls of the same
// library that the viewer uses, so the two see a list the same way.
#include "browser/document.h"
#include "listfile/codepage.h"
#include "listfile/scan.h"

#include "browser/rowformat.h"
#include "browser/search.h"
#include "output/textexport.h"

#include <cstdio>
#include <cstring>
#include <iostream>
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
  kxtool find LIST MASK            the rows a search for MASK shows (names that contain MASK,
                                   case ignored; a leading "*" is dropped)
  kxtool export LIST OUT           writes the text export of the whole list to OUT
  kxtool resave LIST [OUT]         opens the list as the viewer does and saves it again, to
                                   LIST or to OUT
  kxtool scan FOLDER OUT           makes a list file of a folder of this computer
  kxtool --help                    this text

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
    if (args.size() != 2) fail("find takes a list file and a mask.");
    auto doc = openList(args[0]);
    bool ok = true;
    const std::string mask = kx::toAnsi(QString::fromStdString(args[1]), &ok);
    if (!ok) return 0; // a character the list cannot hold matches no name
    const kx::SearchResults results = kx::searchByMask(doc->root(), mask);
    for (std::size_t i = 0; i < results.entries.size(); ++i)
        printRow(results.entries[i], kx::resultCaption(results, i), false);
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
    if (args.size() != 2) fail("export takes a list file and an output file.");
    auto doc = openList(args[0]);
    switch (kx::out::exportToFile(doc->root(), QString::fromStdString(args[1]), {},
                                  QString::fromStdString(args[0]))) {
    case kx::out::ExportResult::Done:
    case kx::out::ExportResult::Aborted:
        return 0;
    case kx::out::ExportResult::CreateFailed:
        fail("Cannot create " + args[1] + ".");
    case kx::out::ExportResult::WriteFailed:
        fail("Writing " + args[1] + " failed; the export is incomplete.");
    case kx::out::ExportResult::NotRegularFile:
        fail(args[1] + " is not a regular file; nothing was written.");
    case kx::out::ExportResult::IsTheList:
        fail(args[1] + " is the list file itself; the export would overwrite it.");
    }
    return 0;
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
