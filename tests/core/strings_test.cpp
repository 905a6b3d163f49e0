// The bilingual tables, their lookup rules and the choice of the language at start-up.
#include "support/strings.h"

#include "tables_helpers.h"

#include <gtest/gtest.h>

#include <functional>

using kx::ui::localItems;
using kx::ui::StringTables;

namespace {

const StringTables& tables() {
    return kxtest::builtTables();
}

struct TableInfo {
    const char* name;
    const localItems& table;
    int rows;
};

std::vector<TableInfo> allTables() {
    const StringTables& t = tables();
    return {{"captions", t.captions, 139},
            {"hints", t.hints, 31},
            {"about", t.about, 8},
            {"messages", t.messages, 88}};
}

} // namespace

TEST(StringTables, EveryRowHasTextInBothLanguages) {
    for (const TableInfo& info : allTables()) {
        SCOPED_TRACE(info.name);
        EXPECT_EQ(info.table.rowCount(), info.rows);
        for (int i = 0; i < info.rows; ++i) {
            SCOPED_TRACE(i);
            EXPECT_FALSE(info.table.text(i, "rus").isEmpty());
            EXPECT_FALSE(info.table.text(i, "eng").isEmpty());
        }
        EXPECT_TRUE(info.table.text(info.rows, "rus").isEmpty());
        EXPECT_TRUE(info.table.text(info.rows, "eng").isEmpty());
    }
}

// Rows whose exact characters other windows depend on, odd spellings and spaces included.
TEST(StringTables, TextsAreKeptCharacterForCharacter) {
    const StringTables& t = tables();
    struct Case {
        const localItems& table;
        int row;
        const char* rus;
        const char* eng;
    } cases[] = {
        {t.captions, 0, "Открыть", "Open"},
        {t.captions, 2, "Вперёд", "Forward"},
        {t.captions, 22, "Список файлов (*.kx)|*.kx", "Files (*.kx)|*.kx"},
        {t.captions, 26, "Загрузка данных...", "Loading Data..."},
        {t.captions, 29, "Ввод комментария", "Enter comment "},
        {t.captions, 33, "Комментарий для папки", "Commeny for folfer"},
        {t.hints, 11, "О программе (Ctrl+F1)", "About... (Ctrl+F1)"},
        {t.hints, 21, "Восстановление данных", "Data recovery"},
        {t.about, 2, "предназначена для просмотра списков файлов,",
         "is intended for viewing lists of files"},
        {t.about, 4, "Страница поддержки »", "Support page »"},
        {t.messages, 3, "Возможно в той же папке находиться папка с совпадающим именем",
         "Perhaps there is a folder with a matching name"},
        {t.messages, 7, "Не удалось открыть страницу", "Could not open the page"},
        {t.messages, 21, "Комментарий не введён!", "Commentary is not entered !"},
        {t.messages, 22, "Список пуст", "List is empty"},
        {t.messages, 23, "Не удалось сохранить файл списка", "Could not save the list file"},
        {t.messages, 27, "Ошибка при записи файла!", "Error writing the file!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        EXPECT_EQ(c.table.text(c.row, "rus"), QString::fromUtf8(c.rus));
        EXPECT_EQ(c.table.text(c.row, "eng"), QString::fromUtf8(c.eng));
    }
}

TEST(StringTables, WebAddressesNameTheProgramAndTheLanguage) {
    const StringTables& t = tables();
    for (const char* code : {"rus", "eng"}) {
        const QString support = t.about.text(6, code);
        const QString home = t.about.text(7, code);
        const QString lang = QString::fromLatin1(code).left(2) == "ru" ? "/ru/" : "/en/";
        EXPECT_TRUE(support.startsWith("https://example.org" + lang)) << support.toStdString();
        EXPECT_TRUE(support.contains("from=fentaro-light")) << support.toStdString();
        EXPECT_TRUE(home.startsWith("https://example.org" + lang)) << home.toStdString();
    }
}

TEST(StringTables, RebuildingGivesTheSameTables) {
    StringTables again;
    kx::ui::buildStringTables(again);
    kx::ui::buildStringTables(again);
    EXPECT_EQ(again.captions.rowCount(), 139);
    for (int i = 0; i < 28; ++i)
        EXPECT_EQ(again.messages.text(i, "eng"), tables().messages.text(i, "eng"));
}

TEST(StringTables, AccessorsFollowTheLanguageCode) {
    const StringTables& t = tables();
    const QString saved = kx::ui::languageCode();
    kx::ui::setLanguageCode("ENG");
    EXPECT_TRUE(kx::ui::languageIs("ENG"));
    EXPECT_EQ(t.caption(kx::ui::Cap::open), "Open");
    EXPECT_EQ(t.message(kx::ui::Msg::questionTitle), "Request");
    kx::ui::setLanguageCode("rus");
    EXPECT_TRUE(kx::ui::languageIs("RUS"));
    EXPECT_FALSE(kx::ui::languageIs("ENG"));
    EXPECT_EQ(t.hint(kx::ui::Hint::up), QString::fromUtf8("Вверх"));
    kx::ui::setLanguageCode(saved);
}

TEST(LocalItems, LookupRules) {
    const localItems& captions = tables().captions;
    struct Case {
        int row;
        const char* code;
        const char* expected;
    } cases[] = {
        {-1, "rus", ""},       {-1, "eng", ""},       {139, "rus", ""},      {139, "eng", ""},
        {0, "rus", "Открыть"}, {0, "RUS", "Открыть"}, {0, "rUs", "Открыть"}, {0, "Eng", "Open"},
        {0, "deu", ""},        {0, "", ""},           {0, "ru", ""},         {0, "russ", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.code) + " " + std::to_string(c.row));
        EXPECT_EQ(captions.text(c.row, c.code), QString::fromUtf8(c.expected));
    }
}

TEST(LocalItems, LoadRules) {
    localItems table;
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_TRUE(table.text(0, "rus").isEmpty());

    QStringList rus{"а", "б", "в"};
    EXPECT_FALSE(table.load("rus", nullptr));
    EXPECT_EQ(table.rowCount(), 0);

    EXPECT_TRUE(table.load("RuS", &rus));
    EXPECT_EQ(table.rowCount(), 3);
    // The caller keeps its list and may reuse it.
    rus[0] = "changed";
    EXPECT_EQ(table.text(0, "rus"), QString::fromUtf8("а"));

    // Another code stores nothing and still reports a list was given.
    QStringList other{"x"};
    EXPECT_TRUE(table.load("deu", &other));
    EXPECT_EQ(table.rowCount(), 3);
    EXPECT_TRUE(table.text(0, "deu").isEmpty());

    // A second load of a language replaces its rows.
    QStringList two{"один", "два"};
    EXPECT_TRUE(table.load("rus", &two));
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.text(1, "rus"), QString::fromUtf8("два"));
    EXPECT_TRUE(table.text(2, "rus").isEmpty());

    QStringList empty;
    EXPECT_TRUE(table.load("eng", &empty));
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_TRUE(table.text(0, "rus").isEmpty());
}

TEST(LocalItems, LanguagesOfDifferentLengthNeverReadPastTheShorter) {
    localItems table;
    QStringList eng{"one"};
    QStringList rus{"раз", "два", "три"};
    table.load("eng", &eng);
    table.load("rus", &rus); // the count now says 3
    EXPECT_EQ(table.text(2, "rus"), QString::fromUtf8("три"));
    EXPECT_TRUE(table.text(2, "eng").isEmpty());
}

TEST(LocalItems, RefusesMoreRowsThanTheCountHolds) {
    localItems table;
    QStringList huge;
    for (int i = 0; i < 0x10000; ++i)
        huge.append("x");
    EXPECT_FALSE(table.load("rus", &huge));
    EXPECT_EQ(table.rowCount(), 0);
}

TEST(Language, StartUpChoice) {
    struct Case {
        QStringList args;
        const char* env;
        const char* expected;
        bool problem;
    } cases[] = {
        {{}, "", "", false},
        {{"list.kx"}, "", "", false},
        {{"--lang", "eng"}, "", "eng", false},
        {{"--lang", "ENG", "list.kx"}, "", "eng", false},
        {{"--lang=Rus"}, "eng", "rus", false},
        {{}, "eng", "eng", false},
        {{}, " ENG ", "eng", false},
        {{"--lang", "deu"}, "eng", "", true},
        {{}, "klingon", "", true},
        {{"--lang"}, "eng", "eng", false}, // no value: the environment decides
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString() + " / " + c.env);
        QString problem;
        EXPECT_EQ(kx::ui::pickLanguage(c.args, c.env, &problem), QString(c.expected));
        EXPECT_EQ(!problem.isEmpty(), c.problem);
    }
}

TEST(Language, StripsTheOptionFromTheArguments) {
    struct Case {
        QStringList in, out;
    } cases[] = {
        {{"prog", "--lang", "eng", "a.kx"}, {"prog", "a.kx"}},
        {{"prog", "a.kx", "--lang=rus"}, {"prog", "a.kx"}},
        {{"prog", "a.kx"}, {"prog", "a.kx"}},
        {{"prog", "--lang"}, {"prog"}},
        {{"--lang"}, {"--lang"}}, // the program's own name is never taken
    };
    for (const Case& c : cases)
        EXPECT_EQ(kx::ui::stripLanguageArgs(c.in), c.out);
}

TEST(Language, InitialisesOnceAndDefaultsToRussian) {
    const QString saved = kx::ui::languageCode();
    kx::ui::setLanguageCode("rus");
    char prog[] = "fentaro-light", opt[] = "--lang", eng[] = "eng", rus[] = "rus";
    char* first[] = {prog, opt, eng, nullptr};
    char* second[] = {prog, opt, rus, nullptr};
    kx::ui::initLanguage(3, first);
    EXPECT_EQ(kx::ui::languageCode(), "eng");
    kx::ui::initLanguage(3, second);
    EXPECT_EQ(kx::ui::languageCode(), "eng");
    kx::ui::setLanguageCode(saved);
}
