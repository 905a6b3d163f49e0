// kxtool scan: a list of a folder of this computer, with its progress on a terminal and one
// closing line on standard error.
#include "kxtool_commands.h"
#include "kxtool_output.h"

#include "listfile/scan.h"

#include <cstdio>
#include <iostream>
#include <sstream>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kxtool {

namespace {

// The last `columns` characters of UTF-8 text (a character is taken as one column), "..." first
// when some are left out.
std::string tailToFit(const std::string& text, std::size_t columns) {
    std::size_t chars = 0;
    for (unsigned char c : text)
        chars += (c & 0xC0) != 0x80;
    if (chars <= columns) return text;
    const std::size_t dots = columns < 3 ? columns : 3;
    std::size_t drop = chars - (columns - dots), at = 0;
    while (at < text.size() && drop > 0) {
        ++at;
        while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
            ++at;
        --drop;
    }
    return std::string(dots, '.') + text.substr(at);
}

// A count and its noun: "1 folder", "2 folders".
std::string counted(std::uint64_t n, const char* one, const char* many) {
    return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

std::size_t terminalColumns() {
    winsize ws{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
    return 80;
}

// One line on the terminal, written over again: entries, entries a second, the folder.
void showProgress(const kx::ScanStatus& s) {
    std::ostringstream head;
    head << counted(s.entries, "entry", "entries") << ", "
         << static_cast<std::uint64_t>(s.seconds > 0 ? double(s.entries) / s.seconds : 0) << "/s, ";
    const std::string lead = head.str();
    const std::size_t columns = terminalColumns() - 1; // the cursor stays on the line
    const std::string folder =
        columns > lead.size() ? tailToFit(escaped(s.folder), columns - lead.size()) : "";
    std::cerr << '\r' << lead.substr(0, columns) << folder << "\x1b[K" << std::flush;
}

std::string closingLine(const kx::ScanReport& r) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", r.seconds);
    std::ostringstream line;
    line << "scanned " << counted(r.entries, "entry", "entries") << ": "
         << counted(r.folders, "folder", "folders") << ", " << counted(r.files, "file", "files")
         << ", " << counted(r.bytes, "byte", "bytes") << " in " << seconds << " s; " << r.unreadable
         << " unreadable, " << counted(r.inexact, "inexact name", "inexact names");
    if (r.otherFileSystems)
        line << "; " << counted(r.otherFileSystems, "folder", "folders")
             << " on other file systems not entered";
    return line.str();
}

} // namespace

// scan FOLDER OUT [--label TEXT] [--cross-file-systems] [--quiet] [--threads N]
const Handler scanCommand = {
    [](CommandLine& line) {
        line.about("Makes a list file of a folder of this computer. Folders on other file "
                   "systems are listed,\nnot entered; the kernel's pseudo file systems (/proc, "
                   "/sys, /dev, ...) never. What could not be\nread is listed with the damaged "
                   "attribute. A terminal shows the progress; at the end one\nline on standard "
                   "error counts entries, folders, files, bytes, seconds, unreadable entries\nand "
                   "names the list's code page cannot hold (the first of them named before it).");
        line.argument("FOLDER", "the folder to list");
        line.argument("OUT", "the new list file (a file that is there is never replaced)");
        line.option("label", "TEXT",
                    "the list's header text (else the folder, its disk's label or UUID and the "
                    "time)");
        line.flag("cross-file-systems", "enters folders on other file systems too");
        line.flag("quiet", "shows no progress and no closing line");
        line.option("threads", "N", "threads that read folders (1 to 64; 4 when not given)");
        line.note("Exit status: 0 all was read and named exactly; 1 the list was written with "
                  "unreadable\nentries or inexact names; 2 no list was written (a usage error, "
                  "or the sentence says\nwhy).");
    },
    [](const CommandLine& line) {
        kx::ScanOptions options;
        if (line.has("label")) options.label = line.value("label");
        options.crossFileSystems = line.has("cross-file-systems");
        const std::string threads = line.has("threads") ? line.value("threads") : "";
        if (!threads.empty()) {
            const int n = std::atoi(threads.c_str());
            if (threads.find_first_not_of("0123456789") != std::string::npos || n < 1 || n > 64)
                line.usageError("--threads takes a whole number from 1 to 64, not \"" + threads +
                                "\".");
            options.threads = unsigned(n);
        }
        const bool quiet = line.has("quiet");
        const bool terminal = !quiet && ::isatty(STDERR_FILENO);
        if (terminal) options.progress = showProgress;
        kx::ScanReport report;
        try {
            report = kx::scanFolderToListFile(line.arguments()[0], line.arguments()[1], options);
        } catch (const std::exception& e) {
            if (terminal) std::cerr << "\r\x1b[K";
            printMessage(sentenceOf(e));
            return 2;
        }
        if (terminal) std::cerr << "\r\x1b[K";
        if (!quiet) {
            // Escaped as every message is: bytes that are no UTF-8 as \ooo.
            for (const std::string& name : report.inexactNames)
                printMessage("name not exact in the list: " + name);
            if (report.inexact > report.inexactNames.size())
                printMessage("and " +
                             counted(report.inexact - report.inexactNames.size(), "more name",
                                     "more names") +
                             " not exact");
            printMessage(closingLine(report));
        }
        return report.exact() ? 0 : 1;
    },
};

} // namespace kxtool
