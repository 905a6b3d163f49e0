// The interface texts in Russian and English, the bilingual table and the language code.
#include "support/strings.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstdio>
#include <iterator>

namespace kx::ui {

namespace {

struct Row {
    const char* rus;
    const char* eng;
};

// Each table lists its rows in index order. Some English texts keep their odd spelling or
// trailing space on purpose: other windows show them exactly so.
const Row kCaptions[] = {
    /* 0 */ {"Открыть", "Open"},
    /* 1 */ {"Назад", "Back"},
    /* 2 */ {"Вперёд", "Forward"},
    /* 3 */ {"Вверх", "Up"},
    /* 4 */ {"Поиск", "Find"},
    /* 5 */ {"Нужно", "Required"},
    /* 6 */ {"Не нужно", "Useless"},
    /* 7 */ {"Очистить", "Clear"},
    /* 8 */ {"Сохранить", "Save"},
    /* 9 */ {"Печать", "Print"},
    /* 10 */ {"Экспорт", "Export"},
    /* 11 */ {"О программе", "Help"},
    /* 12 */ {"Комментировать", "Comment"},
    /* 13 */ {"Имя файла", "File Name"},
    /* 14 */ {"Размер, Кбайт", "Size, kB"},
    /* 15 */ {"Создан", "Created"},
    /* 16 */ {"Изменён", "Changed"},
    /* 17 */ {"Атрибуты", "Attributes"},
    /* 18 */ {"Комментарии", "Comments"},
    /* 19 */ {"Экспортировать в текстовый формат", "Export in text format"},
    /* 20 */ {"Выберите список повреждённых файлов", "Choose a list of damaged files"},
    /* 21 */ {"Все файлы(*.*)|*.*|*.TXT|*.txt", "All files (*.*)|*.*|*.TXT|*.txt"},
    /* 22 */ {"Список файлов (*.kx)|*.kx", "Files (*.kx)|*.kx"},
    /* 23 */ {"Отменить", "Cancel"},
    /* 24 */ {"Папок:", "Folders:"},
    /* 25 */ {"Файлов:", "Files:"},
    /* 26 */ {"Загрузка данных...", "Loading Data..."},
    /* 27 */ {"Сохранение данных...", "Save Data..."},
    /* 28 */ {"Поиск данных...", "Data search..."},
    /* 29 */ {"Ввод комментария", "Enter comment "},
    /* 30 */ {"Принять", "Apply"},
    /* 31 */ {"Отмена", "Cancel"},
    /* 32 */ {"Комментарий для файла", "Comment for File"},
    /* 33 */ {"Комментарий для папки", "Commeny for folfer"},
    // The filtered-search window.
    /* 34 */ {"Поиск с условиями", "Find with filters"},
    /* 35 */ {"Искать и в комментариях", "In comments too"},
    /* 36 */ {"Пометка:", "Mark:"},
    /* 37 */ {"любая", "any"},
    /* 38 */ {"без пометки", "unmarked"},
    /* 39 */ {"нужные", "required"},
    /* 40 */ {"не нужные", "useless"},
    /* 41 */ {"Только с комментарием", "Only commented"},
    /* 42 */ {"Только повреждённые", "Only damaged"},
    /* 43 */ {"Размер не менее:", "Size at least:"},
    /* 44 */ {"Размер не более:", "Size at most:"},
    /* 45 */ {"байт", "bytes"},
    /* 46 */ {"Кбайт", "kB"},
    /* 47 */ {"Мбайт", "MB"},
    /* 48 */ {"Гбайт", "GB"},
    /* 49 */ {"Найдено: %1", "Found: %1"},
    /* 50 */ {"Закрыть", "Close"},
    /* 51 */ {"Имя содержит:", "Name contains:"},
    // The summary window.
    /* 52 */ {"Сводка", "Summary"},
    /* 53 */ {"Файл списка:", "List file:"},
    /* 54 */ {"Заголовок:", "Header:"},
    /* 55 */ {"Корень:", "Root:"},
    /* 56 */ {"Весь список", "Whole list"},
    /* 57 */ {"Показанная папка", "Shown folder"},
    /* 58 */ {"Выделение", "Selection"},
    /* 59 */ {"Все записи", "All entries"},
    /* 60 */ {"Папки", "Folders"},
    /* 61 */ {"Файлы", "Files"},
    /* 62 */ {"Нужные", "Required"},
    /* 63 */ {"Не нужные", "Useless"},
    /* 64 */ {"Без пометки", "Unmarked"},
    /* 65 */ {"С комментарием", "Commented"},
    /* 66 */ {"Повреждённые", "Damaged"},
    /* 67 */ {"Зачёркнутые", "Crossed out"},
    // The CSV export.
    /* 68 */ {"Экспортировать в CSV", "Export as CSV"},
    /* 69 */ {"CSV (*.csv)|*.csv", "CSV (*.csv)|*.csv"},
    /* 70 */ {"Показанные строки", "Shown rows"},
    // The find in the catalogue.
    /* 71 */ {"Поиск в каталоге", "Find in catalogue"},
    /* 72 */ {"Список", "List"},
    /* 73 */ {"Путь", "Path"},
    /* 74 */ {"Найдено: %1, показаны первые %2", "Found: %1, the first %2 shown"},
    /* 75 */
    {"В каталоге нет списков. Их добавляет команда: kxtool catalog add СПИСОК...",
     "The catalogue holds no lists. Add them with: kxtool catalog add LIST..."},
};

const Row kHints[] = {
    /* 0 */ {"Открыть список файлов", "Open the list of files"},
    /* 1 */ {"Назад", "Back"},
    /* 2 */ {"Вперёд", "Forward"},
    /* 3 */ {"Вверх", "Up"},
    /* 4 */ {"Поиск", "Find"},
    /* 5 */ {"Пометить как нужный", "Mark as Required"},
    /* 6 */ {"Пометить как не нужный", "Mark as Useless"},
    /* 7 */ {"Снять метки", "Take off labels"},
    /* 8 */ {"Сохранить файл", "Save file"},
    /* 9 */ {"Распечатать", "Print file"},
    /* 10 */ {"Экспорт в текстовый формат", "Export to a text format"},
    /* 11 */ {"О программе (Ctrl+F1)", "About... (Ctrl+F1)"},
    /* 12 */ {"Комментировать", "Make comments"},
    /* 13 */ {"Только чтение", "Read only"},
    /* 14 */ {"Скрытый", "Hidden"},
    /* 15 */ {"Системный", "System"},
    /* 16 */ {"Файл тома", "Volume file"},
    /* 17 */ {"Архивный", "Archival"},
    /* 18 */ {"Временный", "Temporary"},
    /* 19 */ {"Сжатый", "Compressed"},
    /* 20 */ {"Повреждённый", "Damaged"},
    /* 21 */ {"Восстановление данных", "Data recovery"},
};

const Row kAbout[] = {
    /* 0 */ {"О программе", "About"},
    /* 1 */ {"Упрощённая версия программы Fentaro", "Simplified version of Fentaro software"},
    /* 2 */
    {"предназначена для просмотра списков файлов,", "is intended for viewing lists of files"},
    /* 3 */ {"созданных в полной версии.", "created in full version."},
    /* 4 */ {"Страница поддержки »", "Support page »"},
    /* 5 */ {"Закрыть", "Close"},
    /* 6 */
    {"https://example.org/ru/fentaro-light/support?from=fentaro-light",
     "https://example.org/en/fentaro-light/support?from=fentaro-light"},
    /* 7 */ {"https://example.org/ru/", "https://example.org/en/"},
};

const Row kMessages[] = {
    /* 0 */ {"Ошибка", "Error"},
    /* 1 */ {"Файл не найден", "File not found"},
    /* 2 */ {"Неудачная попытка разархивировать файл", "Unpack file error"},
    /* 3 */
    {"Возможно в той же папке находиться папка с совпадающим именем",
     "Perhaps there is a folder with a matching name"},
    /* 4 */
    {"пожалуйста, откройте файл из другого места", "please open the file from another location"},
    /* 5 */ {"Файл пуст!", "File is empty!"},
    /* 6 */
    {"Ошибка при загрузке файла! Возможно он повреждён",
     "Error loading file! Perhaps it is corrupted"},
    /* 7 */ {"Не удалось открыть страницу", "Could not open the page"},
    /* 8 */ {"Отсутствуют данные для сохранения", "No data to save"},
    /* 9 */ {"Заменить файл ?", "Replace file ?"},
    /* 10 */ {"Запрос", "Request"},
    /* 11 */ {"Ошибка при создании файла!", "Error in creating file!"},
    /* 12 */ {"Прогресс экспорта в текстовый файл", "Export to text file"},
    /* 13 */ {"Отсутствуют данные для печати", "No data to print"},
    /* 14 */ {"Ошибка инициализации", "Error init"},
    /* 15 */ {"Файлы не выбраны", "No selected files"},
    /* 16 */ {"Отсутствуют данные для сохранения", "No data to save"},
    /* 17 */ {"Прогресс сохранения KX-файла", "Saving KX-file"},
    /* 18 */
    {"Выберите файл или папку, к которой хотите оставить комментарий",
     "Select the file or folder that you want to leave a comment"},
    /* 19 */
    {"Выбрано более одного файла и/или папки!", "Selected more than one file, and (or) folders!"},
    /* 20 */ {"Сохранить изменения ?", "Save changes ?"},
    /* 21 */ {"Комментарий не введён!", "Commentary is not entered !"},
    /* 22 */ {"Список пуст", "List is empty"},
    /* 23 */ {"Не удалось сохранить файл списка", "Could not save the list file"},
    /* 24 */
    {"Сохранение отменено, файл списка не изменён",
     "Saving was cancelled, the list file is unchanged"},
    /* 25 */ {"Не найден принтер по умолчанию", "No default printer is set up"},
    /* 26 */
    {"Комментарий содержит символы, которые нельзя сохранить в списке",
     "The comment holds characters that the list cannot store"},
    /* 27 */ {"Ошибка при записи файла!", "Error writing the file!"},
    // Why a file could not be opened, read or written.
    /* 28 */ {"Это не обычный файл", "This is not a regular file"},
    /* 29 */ {"Нет доступа к файлу", "Access to the file is denied"},
    /* 30 */ {"Ошибка чтения файла", "The file could not be read"},
    /* 31 */ {"Файл не является ZIP-архивом", "The file is not a ZIP archive"},
    /* 32 */
    {"Архив должен содержать ровно один файл", "The archive must hold exactly one file"},
    /* 33 */ {"Многотомные архивы не поддерживаются", "Multi-volume archives are not supported"},
    /* 34 */ {"Архив зашифрован", "The archive is encrypted"},
    /* 35 */
    {"Архив сжат неподдерживаемым способом", "The archive uses an unsupported compression method"},
    /* 36 */ {"Архивы ZIP64 не поддерживаются", "ZIP64 archives are not supported"},
    /* 37 */ {"Архив повреждён", "The archive is damaged"},
    /* 38 */
    {"Данные не совпадают с контрольной суммой: файл повреждён",
     "The data does not match its checksum: the file is damaged"},
    /* 39 */ {"Недостаточно места на диске", "There is not enough space on the disk"},
    /* 40 */ {"Не удалось заменить файл списка", "The list file could not be replaced"},
    /* 41 */
    {"Список слишком велик для файла списка (более 4 ГиБ)",
     "The list is too large for a list file (over 4 GiB)"},
    /* 42 */ {"Не удалось запустить фоновую задачу", "A background task could not be started"},
    /* 43 */ {"Непредвиденная ошибка", "Unexpected error"},
    // Why a save or an export left a file alone.
    /* 44 */
    {"Файл списка доступен только для чтения, он не изменён",
     "The list file is read-only; it was not changed"},
    /* 45 */
    {"Файл списка сейчас сохраняет другая программа, попробуйте позже",
     "Another program is saving the list file; try again later"},
    /* 46 */
    {"Файл списка изменён на диске после открытия, он не перезаписан",
     "The list file was changed on disk after it was opened; it was not overwritten"},
    /* 47 */
    {"Файл списка изменён на диске после открытия. Всё равно перезаписать его ?",
     "The list file was changed on disk after it was opened. Overwrite it anyway ?"},
    /* 48 */
    {"Нельзя записать текст поверх открытого файла списка",
     "The text cannot be written over the open list file"},
    /* 49 */
    {"Текст можно записать только в обычный файл",
     "The text can only be written to a regular file"},
    // Printing.
    /* 50 */ {"Нет файлов для печати", "There are no files to print"},
    /* 51 */ {"Принтер не принял задание печати", "The printer did not accept the print job"},
    /* 52 */
    {"Будет напечатано страниц: %1. Печатать ?", "%1 pages will be printed. Print them ?"},
    /* 53 */ {"Прогресс печати", "Printing"},
    // The filtered search.
    /* 54 */
    {"Размер должен быть целым числом не меньше нуля",
     "A size must be a whole number of zero or more"},
    // The CSV export.
    /* 55 */
    {"Экспортировать в CSV показанные строки или весь список ?",
     "Export the shown rows or the whole list as CSV ?"},
    /* 56 */ {"Прогресс экспорта в CSV", "Export to CSV"},
    // The catalogue.
    /* 57 */ {"Каталог недоступен: %1", "The catalogue cannot be used: %1"},
    /* 58 */
    {"Список сохранён, но его запись в каталоге не обновлена: %1",
     "The list was saved, but its entry in the catalogue was not updated: %1"},
    /* 59 */
    {"Этой записи больше нет в списке: список изменился после добавления в каталог",
     "This entry is no longer in the list: the list changed after it was catalogued"},
    /* 60 */ {"Обновление каталога", "Updating the catalogue"},
};
QString& languageStore() {
    static QString code = QStringLiteral("rus");
    return code;
}
bool languageChosen = false;

bool isKnownLanguage(const QString& code) {
    const QString up = code.toUpper();
    return up == QLatin1String("RUS") || up == QLatin1String("ENG");
}

template <std::size_t N>
void loadTable(localItems& table, const Row (&rows)[N], QStringList& scratch) {
    for (const bool russian : {true, false}) {
        for (const Row& r : rows)
            scratch.append(QString::fromUtf8(russian ? r.rus : r.eng));
        table.load(russian ? QStringLiteral("rus") : QStringLiteral("eng"), &scratch);
        scratch.clear();
    }
}

} // namespace

bool localItems::load(const QString& code, const QStringList* lines) {
    if (!lines || lines->size() > 0xFFFF) return false;
    const QString up = code.toUpper();
    if (up == QLatin1String("RUS")) {
        m_rus = *lines;
        m_rowCount = static_cast<quint16>(lines->size());
    }
    if (up == QLatin1String("ENG")) {
        m_eng = *lines;
        m_rowCount = static_cast<quint16>(lines->size());
    }
    return true;
}

QString localItems::text(int index, const QString& code) const {
    if (index < 0 || index >= m_rowCount) return QString();
    const QString up = code.toUpper();
    // The row count is that of the language loaded last; a shorter list of the other language
    // must still never be read past its end.
    const QStringList* rows = up == QLatin1String("RUS")   ? &m_rus
                              : up == QLatin1String("ENG") ? &m_eng
                                                           : nullptr;
    if (!rows || index >= rows->size()) return QString();
    return rows->at(index);
}

QString languageCode() {
    return languageStore();
}

void setLanguageCode(const QString& code) {
    languageStore() = code;
}

bool languageIs(const char* upperCode) {
    return languageStore().toUpper() == QLatin1String(upperCode);
}

QString pickLanguage(const QStringList& args, const QString& envValue, QString* problem) {
    QString chosen;
    bool fromArgs = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--lang") && i + 1 < args.size()) {
            chosen = args.at(++i);
            fromArgs = true;
        } else if (arg.startsWith(QLatin1String("--lang="))) {
            chosen = arg.mid(7);
            fromArgs = true;
        }
    }
    if (!fromArgs) chosen = envValue;
    chosen = chosen.trimmed();
    if (chosen.isEmpty()) return QString();
    if (!isKnownLanguage(chosen)) {
        if (problem)
            *problem =
                QStringLiteral("Unknown interface language \"%1\" (use rus or eng); using rus.")
                    .arg(chosen);
        return QString();
    }
    return chosen.toLower();
}

void initLanguage(int argc, char** argv) {
    if (languageChosen) return;
    languageChosen = true;
    QStringList args;
    for (int i = 1; i < argc && argv && argv[i]; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    QString problem;
    const QString chosen = pickLanguage(args, qEnvironmentVariable("FENTARO_LANG"), &problem);
    if (!problem.isEmpty()) std::fprintf(stderr, "%s\n", problem.toLocal8Bit().constData());
    if (!chosen.isEmpty()) languageStore() = chosen;
}

QStringList stripLanguageArgs(const QStringList& args) {
    QStringList out;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (i > 0 && arg == QLatin1String("--lang")) {
            ++i; // its value goes too
            continue;
        }
        if (i > 0 && arg.startsWith(QLatin1String("--lang="))) continue;
        out.append(arg);
    }
    return out;
}

void buildStringTables(StringTables& t) {
    try {
        QStringList scratch;
        loadTable(t.captions, kCaptions, scratch);
        loadTable(t.hints, kHints, scratch);
        loadTable(t.about, kAbout, scratch);
        loadTable(t.messages, kMessages, scratch);
    } catch (...) {
        // A table that could not be filled reads as empty texts; the interface still starts.
    }
}

} // namespace kx::ui
