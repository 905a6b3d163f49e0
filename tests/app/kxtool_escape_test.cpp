// kxtool's promise that nothing it prints reaches a terminal raw: texts from the command line,
// paths from the file system with any bytes, in rows, messages and the progress line.
#include "app/catalogfixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <filesystem>
#include <memory>

using namespace kxtest;

namespace {

struct KxtoolEscapeTest : KxtoolCatalogTest {
    QString p(const QString& name) const { return dir.path() + "/" + name; }
};

// What a printed text holds that could act on a terminal: a control character other than the
// TAB and LF of rows (and the CR a terminal puts before LF when `terminal`), U+0080-U+009F, or a
// byte that is no UTF-8 (read as U+FFFD). Empty when there is none.
QString rawControls(const QString& text, bool terminal = false) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool allowed = u == '\t' || u == '\n' || (terminal && u == '\r');
        if ((u < 0x20 && !allowed) || (u >= 0x7F && u <= 0x9F) || u == 0xFFFD)
            return QString("U+%1 in: ").arg(int(u), 4, 16, QChar('0')) + text;
    }
    return {};
}

} // namespace

// Texts from the command line that would act on a terminal come back in messages as escapes.
TEST_F(KxtoolEscapeTest, MessagesShowHostileTextsEscaped) {
    const struct Case {
        const char* text;
        const char* shown;
    } cases[] = {
        {"\x1b]0;owned\x07", "\\x1b]0;owned\\x07"}, // retitles the terminal
        {"\x1b[2J\x1b[H", "\\x1b[2J\\x1b[H"},       // clears it
        {"csi\u009b2J", "csi\\x9b2J"},              // the 8-bit CSI as a character
        {"nel\u0085del\x7f", "nel\\x85del\\x7f"},
        {"back\\x1b", "back\\\\x1b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        const QString text = QString::fromUtf8(c.text), shown = QString::fromUtf8(c.shown);
        const std::pair<QStringList, QString> runs[] = {
            {{"info", p(text + ".kx")}, p(shown + ".kx")},
            {{"ls", a, text}, '"' + shown + '"'},
            {{"catalog", "--db", p(text), "lists"}, p(shown)},
        };
        for (const auto& [args, named] : runs) {
            const ToolRun r = kxtool(args);
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(rawControls(r.err), "");
            EXPECT_TRUE(r.err.contains(named)) << r.err.toStdString();
        }
    }
}

// Paths from the file system may hold any byte: a list named with ESC, a raw 0x9B (the 8-bit CSI)
// and bytes of another encoding is shown in rows, messages and the progress line with escapes,
// its stray bytes in octal.
TEST_F(KxtoolEscapeTest, PathsWithAnyBytesAreEscapedEverywhere) {
    QDir(dir.path()).mkpath("lists");
    const std::string lists = p("lists").toStdString();
    // Names that are no UTF-8 are beyond what QTemporaryDir can remove.
    const std::unique_ptr<const std::string, void (*)(const std::string*)> removed(
        &lists, [](const std::string* path) { std::filesystem::remove_all(*path); });
    const std::string bytes = readFile(a.toStdString());
    writeFile(lists + "/x\x1b[31m\x9b\xff\xc2\x9b\xe9t\xc3\xa9.kx", bytes);
    writeFile(lists + "/plain.kx", bytes); // its files are the copies that dups shows
    writeFile(lists + "/bad\x9b\x07.kx", "not an archive");
    const QString good = p("lists/x\\x1b[31m\\233\\377\\x9b\\351t\u00e9.kx");
    const QString bad = p("lists/bad\\233\\x07.kx");

    const ToolRun add = cat({"add", p("lists")});
    EXPECT_EQ(add.status, 1); // the bad one is skipped
    EXPECT_EQ(rawControls(add.out), "");
    EXPECT_EQ(rawControls(add.err), "");
    EXPECT_TRUE(add.out.endsWith("\nadded\t" + good + "\t9\n")) << add.out.toStdString();
    EXPECT_TRUE(add.err.contains(bad + ":")) << add.err.toStdString();

    for (const QStringList& args : {QStringList{"lists"}, QStringList{"find", "jpg"},
                                    QStringList{"dups", "--min-size", "0"}}) {
        const QString rows = cat(args).out;
        EXPECT_EQ(rawControls(rows), "") << args.join(' ').toStdString();
        EXPECT_TRUE(rows.contains(good + "\t")) << rows.toStdString();
    }

    // On a terminal the progress line names the list the same way.
    const QString typescript = p("typescript");
    const std::string onTerminal =
        "script -q -e -c \"'" KXTOOL_PATH "' catalog --db '" + p("t.db").toStdString() + "' add '" +
        lists + "'\" /dev/null > '" + typescript.toStdString() + "' 2>&1 < /dev/null";
    const int ran = std::system(onTerminal.c_str());
    const QString shown = QString::fromStdString(readFile(typescript.toStdString()));
    if (ran == -1 || shown.isEmpty()) GTEST_SKIP() << "no terminal to try the progress line on";
    EXPECT_EQ(rawControls(shown, true), "");
    EXPECT_TRUE(shown.contains("\rkxtool: indexing " + good + ": ")) << shown.toStdString();
}
