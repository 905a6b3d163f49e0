// The four bilingual string tables of the interface and the process-wide language code.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace kx::ui {

// One bilingual table: a Russian and an English text per row index.
class localItems {
public:
    // Replaces the rows of the language named by `code` ("rus" or "eng" in any case) with a copy
    // of `lines` and sets the row count to their number; any other code changes nothing.
    // Returns false when no list is given or the list has more rows than the count can hold.
    bool load(const QString& code, const QStringList* lines);
    // The text of a row in a language; the empty text for a row outside the table or a code
    // that names neither language.
    QString text(int index, const QString& code) const;
    // The number of rows of the language that was loaded last.
    quint16 rowCount() const { return m_rowCount; }

private:
    quint16 m_rowCount = 0;
    QStringList m_rus;
    QStringList m_eng;
};

// The language code, "rus" unless start-up chose another one.
QString languageCode();
// Chooses the language once at start-up, before any window exists: a `--lang eng|rus` (or
// `--lang=eng`) argument, else the FENTARO_LANG environment variable, else "rus". A value other
// than rus or eng is reported on standard error and ignored. Later calls change nothing.
void initLanguage(int argc, char** argv);
// The language that start-up arguments and the FENTARO_LANG value ask for ("rus" or "eng"), or
// the empty text when they name none. `args` are the arguments after the program name. An
// unknown value gives the empty text and a one-line explanation in `problem`.
QString pickLanguage(const QStringList& args, const QString& envValue, QString* problem = nullptr);
// The arguments without the `--lang` option and its value, for the rest of the command-line
// handling (the first remaining argument is the list file to open).
QStringList stripLanguageArgs(const QStringList& args);
// Sets the language code directly. Start-up and tests only: windows do not follow a change.
void setLanguageCode(const QString& code);
// True when the upper-cased language code equals `upperCode` ("ENG", "RUS").
bool languageIs(const char* upperCode);

// The main window's four tables; the accessors look up the current language.
struct StringTables {
    localItems captions, hints, about, messages;
    QString caption(int i) const { return captions.text(i, languageCode()); }
    QString hint(int i) const { return hints.text(i, languageCode()); }
    QString aboutText(int i) const { return about.text(i, languageCode()); }
    QString message(int i) const { return messages.text(i, languageCode()); }
};

// Fills the four tables in both languages. Never fails; repeating it yields the same tables.
void buildStringTables(StringTables& t);

// The application title shown in window captions and message boxes.
inline QString applicationTitle() {
    return QStringLiteral("Fentaro.light");
}

} // namespace kx::ui
