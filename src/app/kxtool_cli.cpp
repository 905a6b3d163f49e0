// kxtool's command lines: parsing with one QCommandLineParser per command, the usage errors, the
// help and the dispatch through a table of commands.
#include "kxtool_cli.h"

#include <algorithm>
#include <iostream>

namespace kxtool {

namespace {

// The parser sees every word as Latin-1, one character per byte, so that any bytes (a file name
// that is not UTF-8) come back exactly as they were given.
QString latin1(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

std::string bytes(const QString& latin1Text) {
    return latin1Text.toLatin1().toStdString();
}

std::string shown(const char* name, Arity arity) {
    switch (arity) {
    case Arity::one:
        return name;
    case Arity::optional:
        return std::string("[") + name + "]";
    case Arity::oneOrMore:
        return std::string(name) + "...";
    case Arity::any:
        return std::string("[") + name + "...]";
    }
    return name;
}

// The parser's sentence on an option's value in the words kxtool uses for it.
std::string valueError(const std::string& parserText) {
    static const std::pair<const char*, const char*> rewordings[] = {
        {"Missing value after '", " needs a value."},
        {"Unexpected value after '", " takes no value."},
    };
    for (const auto& [start, end] : rewordings) {
        const std::string head = start;
        if (parserText.rfind(head, 0) == 0 && parserText.size() > head.size() + 2 &&
            parserText.compare(parserText.size() - 2, 2, "'.") == 0)
            return "The option " +
                   parserText.substr(head.size(), parserText.size() - head.size() - 2) + end;
    }
    return parserText;
}

} // namespace

CommandLine::CommandLine(std::string command, const char* summary, const CommandLine* outer)
    : m_command(std::move(command)), m_summary(summary), m_outer(outer),
      m_help(QStringList{QStringLiteral("h"), QStringLiteral("help")}) {
    m_parser.addOption(m_help);
    // "-name" is the option "name" (unknown to every command but -h), never a row of letters.
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
}

void CommandLine::about(const char* paragraph) {
    m_about.push_back(paragraph);
}

void CommandLine::note(const char* paragraph) {
    m_notes.push_back(paragraph);
}

void CommandLine::argument(const char* name, const char* help, Arity arity) {
    m_declared.push_back({name, help, arity});
}

void CommandLine::flag(const char* name, const char* help) {
    m_parser.addOption(QCommandLineOption(QString::fromLatin1(name)));
    m_options.push_back({std::string("--") + name, help});
}

void CommandLine::option(const char* name, const char* valueName, const char* help) {
    m_parser.addOption(
        QCommandLineOption(QString::fromLatin1(name), QString(), QString::fromLatin1(valueName)));
    m_options.push_back({std::string("--") + name + " " + valueName, help});
}

void CommandLine::commands(CommandTable table) {
    m_table = table;
    m_parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    argument("COMMAND", nullptr);
    argument("ARGUMENT", nullptr, Arity::any);
}

bool CommandLine::parse(const Words& words) {
    m_given = words;
    QStringList list{QStringLiteral("kxtool")};
    for (const std::string& w : words)
        list << latin1(w);
    const bool parsed = m_parser.parse(list);
    if (m_parser.isSet(m_help)) return false;
    if (!parsed) {
        const QStringList unknown = m_parser.unknownOptionNames();
        if (!unknown.isEmpty())
            usageError("Unknown option \"" + spelled(bytes(unknown.first())) + "\"" + forCommand() +
                       ".");
        usageError(valueError(bytes(m_parser.errorText())));
    }
    for (const QString& a : m_parser.positionalArguments())
        m_arguments.push_back(bytes(a));
    checkArgumentCount();
    return true;
}

// An unknown option as it was written: "--name" or "-name".
std::string CommandLine::spelled(const std::string& unknownOption) const {
    const std::string dashed = "--" + unknownOption;
    for (const std::string& w : m_given) {
        if (w == "--") break;
        if (w == dashed || w.rfind(dashed + "=", 0) == 0) return dashed;
    }
    return "-" + unknownOption;
}

void CommandLine::checkArgumentCount() const {
    std::size_t least = 0, most = 0;
    bool unbounded = false;
    for (const Argument& a : m_declared) {
        least += a.arity == Arity::one || a.arity == Arity::oneOrMore;
        most += a.arity == Arity::one || a.arity == Arity::optional;
        unbounded = unbounded || a.arity == Arity::oneOrMore || a.arity == Arity::any;
    }
    const std::size_t given = m_arguments.size();
    if (given < least) missingArgument(m_declared[given].name);
    if (!unbounded && given > most)
        usageError("Unexpected argument \"" + m_arguments[most] + "\"" + forCommand() + ".");
}

bool CommandLine::has(const char* option) const {
    return m_parser.isSet(QString::fromLatin1(option));
}

Words CommandLine::values(const char* option) const {
    Words out;
    for (const QString& v : m_parser.values(QString::fromLatin1(option)))
        out.push_back(bytes(v));
    return out;
}

std::string CommandLine::value(const char* option) const {
    const Words all = values(option);
    return all.empty() ? std::string() : all.back();
}

std::string CommandLine::forCommand() const {
    return m_command.empty() ? std::string() : " for " + m_command;
}

void CommandLine::usageError(const std::string& line) const {
    throw UsageError{line, usage()};
}

void CommandLine::missingArgument(const char* name) const {
    usageError(std::string("Missing argument ") + name + forCommand() + ".");
}

std::string CommandLine::synopsis() const {
    std::string s = m_command.empty() ? "kxtool" : "kxtool " + m_command;
    if (!m_options.empty()) s += " [OPTIONS]";
    for (const Argument& a : m_declared)
        s += " " + shown(a.name, a.arity);
    return s;
}

// The commands or the arguments, then the options: a name and its help on each line.
std::string CommandLine::sections() const {
    std::vector<std::pair<const char*, std::vector<Row>>> parts;
    if (m_table.size > 0) {
        std::vector<Row> rows;
        for (std::size_t i = 0; i < m_table.size; ++i)
            rows.push_back({m_table.first[i].name, m_table.first[i].summary});
        parts.emplace_back("Commands:", rows);
    } else if (!m_declared.empty()) {
        std::vector<Row> rows;
        for (const Argument& a : m_declared)
            rows.push_back({a.name, a.help});
        parts.emplace_back("Arguments:", rows);
    }
    std::vector<Row> options = m_options;
    options.push_back({"-h, --help", "shows this help"});
    parts.emplace_back("Options:", options);

    std::size_t width = 0;
    for (const auto& part : parts)
        for (const Row& r : part.second)
            width = std::max(width, r.left.size());
    std::string text;
    for (const auto& [title, rows] : parts) {
        text += std::string(text.empty() ? "" : "\n") + title + "\n";
        for (const Row& r : rows) {
            text += "  " + r.left + std::string(width + 2 - r.left.size(), ' ');
            for (const char* c = r.help; *c; ++c)
                text += *c == '\n' ? "\n" + std::string(width + 4, ' ') : std::string(1, *c);
            text += '\n';
        }
    }
    return text;
}

std::string CommandLine::usage() const {
    return "Usage: " + synopsis() + "\n\n" + sections();
}

std::string CommandLine::help() const {
    std::string text = "Usage: " + synopsis() + "\n";
    if (m_about.empty()) text += std::string("\n") + m_summary + "\n";
    for (const char* paragraph : m_about)
        text += std::string("\n") + paragraph + "\n";
    text += "\n" + sections();
    for (const char* paragraph : m_notes)
        text += std::string("\n") + paragraph + "\n";
    return text;
}

const Command& CommandLine::commandNamed(const std::string& name) const {
    for (std::size_t i = 0; i < m_table.size; ++i)
        if (name == m_table.first[i].name) return m_table.first[i];
    usageError("Unknown command \"" + name + "\"" + forCommand() + ".");
}

std::string CommandLine::subcommand(const Command& c) const {
    return m_command.empty() ? c.name : m_command + " " + c.name;
}

int CommandLine::runNamedCommand() const {
    const Command& c = commandNamed(m_arguments.at(0));
    return runCommand(c, subcommand(c), Words(m_arguments.begin() + 1, m_arguments.end()), this);
}

std::string CommandLine::helpOf(const std::string& name) const {
    const Command& c = commandNamed(name);
    CommandLine line(subcommand(c), c.summary, this);
    c.handler->declare(line);
    return line.help();
}

int runCommand(const Command& c, const std::string& name, const Words& words,
               const CommandLine* outer) {
    CommandLine line(name, c.summary, outer);
    c.handler->declare(line);
    if (!line.parse(words)) {
        std::cout << line.help();
        return 0;
    }
    return c.handler->run(line);
}

} // namespace kxtool
