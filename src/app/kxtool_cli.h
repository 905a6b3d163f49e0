// kxtool's command lines: a table of commands, each declaring its arguments and options on its
// own parser, with its own help and its own usage errors.
#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <cstddef>
#include <string>
#include <vector>

namespace kxtool {

// The words of a command line as the system passed them: bytes, not necessarily UTF-8.
using Words = std::vector<std::string>;

class CommandLine;

// What a command is: how it declares its command line, and its work once the line is parsed.
struct Handler {
    void (*declare)(CommandLine&);
    int (*run)(const CommandLine&); // the exit status
};

// One row of a table of commands.
struct Command {
    const char* name;
    const char* summary; // one line for the list of commands
    const Handler* handler;
};

struct CommandTable {
    const Command* first = nullptr;
    std::size_t size = 0;
};

// A command line that cannot be run as given: exit status 2. `line` names what is wrong; `usage`
// is the command's usage.
struct UsageError {
    std::string line;
    std::string usage;
};

enum class Arity { one, optional, oneOrMore, any };

class CommandLine {
public:
    // `command` is the command's words after "kxtool" ("", "find", "catalog add"); `outer` the
    // command line of the command it belongs to ("catalog" for "catalog add"), if any.
    CommandLine(std::string command, const char* summary, const CommandLine* outer);
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    // The declarations, shown in the help in the order they are made. Required arguments are
    // declared before the others.
    void about(const char* paragraph); // what the command does, below the usage line
    void note(const char* paragraph);  // after the options
    void argument(const char* name, const char* help, Arity arity = Arity::one);
    void flag(const char* name, const char* help);
    void option(const char* name, const char* valueName, const char* help);
    // The command takes the name of one of `table`'s commands, then that command's own words,
    // its options included.
    void commands(CommandTable table);

    // False when --help was asked for: the help is then the whole answer. Throws UsageError.
    bool parse(const Words& words);

    bool has(const char* option) const;
    // Every value given to `option`, in order, as the bytes that were given.
    Words values(const char* option) const;
    // The last value given to `option`, or "".
    std::string value(const char* option) const;
    const Words& arguments() const { return m_arguments; }
    const CommandLine* outer() const { return m_outer; }

    [[noreturn]] void usageError(const std::string& line) const;
    [[noreturn]] void missingArgument(const char* name) const;

    std::string help() const;
    std::string usage() const;

    // Runs the command of the table that the first argument names, with the arguments after it.
    int runNamedCommand() const;
    // The help of the command of the table called `name`.
    std::string helpOf(const std::string& name) const;

private:
    struct Argument {
        const char* name;
        const char* help;
        Arity arity;
    };
    struct Row {
        std::string left;
        const char* help;
    };

    const Command& commandNamed(const std::string& name) const;
    std::string subcommand(const Command& c) const;
    std::string synopsis() const;
    std::string sections() const;
    std::string forCommand() const;
    std::string spelled(const std::string& unknownOption) const;
    void checkArgumentCount() const;

    std::string m_command;
    const char* m_summary;
    const CommandLine* m_outer;
    std::vector<const char*> m_about, m_notes;
    std::vector<Argument> m_declared;
    std::vector<Row> m_options;
    CommandTable m_table;
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    Words m_given;
    Words m_arguments;
};

// Declares the command line of `c` (called `name`, after "kxtool"), parses `words` and runs it:
// its exit status, 0 after --help.
int runCommand(const Command& c, const std::string& name, const Words& words,
               const CommandLine* outer);

} // namespace kxtool
