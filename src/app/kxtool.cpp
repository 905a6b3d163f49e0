// kxtool: the list-file library from the command line, as a table of commands. Each command is a
// few calls of the same library that the viewer uses, so the two see a list the same way.
#include "kxtool_cli.h"
#include "kxtool_commands.h"
#include "kxtool_output.h"

#include <iostream>

namespace kxtool {
namespace {

// help [COMMAND]
const Handler helpCommand = {
    [](CommandLine& line) {
        line.about("Prints the list of commands, or the help of COMMAND (as \"kxtool COMMAND "
                   "--help\" does).");
        line.argument("COMMAND", "a command of the list", Arity::optional);
    },
    [](const CommandLine& line) {
        const CommandLine& top = *line.outer();
        std::cout << (line.arguments().empty() ? top.help() : top.helpOf(line.arguments()[0]));
        return 0;
    },
};

const Command kCommands[] = {
    {"info", "the header text, the root's name, the numbers of entries, folders, files",
     &infoCommand},
    {"ls", "the rows the viewer's detail list shows for a folder", &lsCommand},
    {"summary", "entries and bytes below the root by kind, mark and state", &summaryCommand},
    {"find", "the rows a search for a mask shows, with filters", &findCommand},
    {"export", "writes the text export of a list, or a CSV file", &exportCommand},
    {"resave", "opens a list as the viewer does and saves it again", &resaveCommand},
    {"scan", "makes a list file of a folder of this computer", &scanCommand},
    {"diff", "compares two lists of the same disk", &diffCommand},
    {"treemap", "writes the treemap of a folder as SVG", &treemapCommand},
    {"types", "files and bytes below a folder by type and extension", &typesCommand},
    {"catalog", "the catalogue of many lists: add, remove, lists, find, dups", &catalogCommand},
    {"help", "the list of commands, or the help of one", &helpCommand},
};

const Handler topCommand = {
    [](CommandLine& line) {
        line.about("Reads, lists, searches, exports and writes list files (.kx).");
        line.commands({kCommands, std::size(kCommands)});
        line.note("\"kxtool COMMAND --help\" tells the arguments and the options of a command.");
        line.note(
            "Output is UTF-8 text, one row per line, cells separated by a TAB. Inside a cell a\n"
            "backslash is written \"\\\\\", a TAB \"\\t\", a line feed \"\\n\", a carriage return "
            "\"\\r\", any other\ncontrol character \"\\xHH\" (its code in hexadecimal), and a "
            "byte that is no part of a UTF-8\ncharacter \"\\ooo\" (its value in octal), so a row "
            "is always one line and nothing reaches\nthe terminal raw: the path that find prints "
            "for \"Photos\\b.jpg\" reads \"Photos\\\\b.jpg\".\nMessages are written the "
            "same way.");
        line.note("Exit status: 0 done; 1 a failure, told in one sentence on standard error; 2 a "
                  "usage error\n(an unknown option, a missing or surplus argument, a bad value), "
                  "told in one line on\nstandard error followed by the command's usage. diff "
                  "and scan have statuses of their own\n(\"kxtool diff --help\", \"kxtool scan "
                  "--help\").");
    },
    [](const CommandLine& line) { return line.runNamedCommand(); },
};

} // namespace
} // namespace kxtool

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    using namespace kxtool;
    try {
        const Command top{"kxtool", "", &topCommand};
        return runCommand(top, "", Words(argv + 1, argv + argc), nullptr);
    } catch (const UsageError& e) {
        printMessage(e.line);
        std::cerr << e.usage;
        return 2;
    } catch (const std::exception& e) {
        printMessage(sentenceOf(e));
    }
    return 1;
}
