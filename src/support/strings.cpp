// The interface texts in Russian and English, the bilingual table and the language code.
#include "support/strings.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstdio>
#include <iterator>

namespace kx::ui {

namespace {

template <class Name> struct Row {
    Name name;
    const char* rus;
    const char* eng;
};

// True when every row stands at the place its name gives it.
template <class Name, std::size_t N> constexpr bool inNameOrder(const Row<Name> (&rows)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        if (rows[i].name != Name(i)) return false;
    return true;
}

// Each table lists its rows in the order of their names. Some English texts keep their odd spelling
// or trailing space on purpose: other windows show them exactly so.
constexpr Row<Cap> kCaptions[] = {
    {Cap::open, "Открыть", "Open"},
    {Cap::back, "Назад", "Back"},
    {Cap::forward, "Вперёд", "Forward"},
    {Cap::up, "Вверх", "Up"},
    {Cap::find, "Поиск", "Find"},
    {Cap::required, "Нужно", "Required"},
    {Cap::useless, "Не нужно", "Useless"},
    {Cap::clear, "Очистить", "Clear"},
    {Cap::save, "Сохранить", "Save"},
    {Cap::print, "Печать", "Print"},
    {Cap::exportText, "Экспорт", "Export"},
    {Cap::help, "О программе", "Help"},
    {Cap::comment, "Комментировать", "Comment"},
    {Cap::columnName, "Имя файла", "File Name"},
    {Cap::columnSize, "Размер, Кбайт", "Size, kB"},
    {Cap::columnCreated, "Создан", "Created"},
    {Cap::columnChanged, "Изменён", "Changed"},
    {Cap::columnAttributes, "Атрибуты", "Attributes"},
    {Cap::columnComments, "Комментарии", "Comments"},
    {Cap::exportTextTitle, "Экспортировать в текстовый формат", "Export in text format"},
    {Cap::chooseDamagedList, "Выберите список повреждённых файлов",
     "Choose a list of damaged files"},
    {Cap::textFileFilter, "Все файлы(*.*)|*.*|*.TXT|*.txt", "All files (*.*)|*.*|*.TXT|*.txt"},
    {Cap::listFileFilter, "Список файлов (*.kx)|*.kx", "Files (*.kx)|*.kx"},
    {Cap::cancel, "Отменить", "Cancel"},
    {Cap::foldersLabel, "Папок:", "Folders:"},
    {Cap::filesLabel, "Файлов:", "Files:"},
    {Cap::loadingData, "Загрузка данных...", "Loading Data..."},
    {Cap::savingData, "Сохранение данных...", "Save Data..."},
    {Cap::searchingData, "Поиск данных...", "Data search..."},
    {Cap::enterComment, "Ввод комментария", "Enter comment "},
    {Cap::apply, "Принять", "Apply"},
    {Cap::cancelDialog, "Отмена", "Cancel"},
    {Cap::commentForFile, "Комментарий для файла", "Comment for File"},
    {Cap::commentForFolder, "Комментарий для папки", "Commeny for folfer"},
    // The filtered-search window.
    {Cap::filterTitle, "Поиск с условиями", "Find with filters"},
    {Cap::inCommentsToo, "Искать и в комментариях", "In comments too"},
    {Cap::wildcards, "Шаблон (* и ?) на всё имя", "Wildcards (* and ?) over the whole name"},
    {Cap::markLabel, "Пометка:", "Mark:"},
    {Cap::markAny, "любая", "any"},
    {Cap::markNone, "без пометки", "unmarked"},
    {Cap::markRequired, "нужные", "required"},
    {Cap::markUseless, "не нужные", "useless"},
    {Cap::onlyCommented, "Только с комментарием", "Only commented"},
    {Cap::onlyDamaged, "Только повреждённые", "Only damaged"},
    {Cap::sizeAtLeast, "Размер не менее:", "Size at least:"},
    {Cap::sizeAtMost, "Размер не более:", "Size at most:"},
    {Cap::bytes, "байт", "bytes"},
    {Cap::kilobytes, "Кбайт", "kB"},
    {Cap::megabytes, "Мбайт", "MB"},
    {Cap::gigabytes, "Гбайт", "GB"},
    {Cap::foundCount, "Найдено: %1", "Found: %1"},
    {Cap::close, "Закрыть", "Close"},
    {Cap::nameContains, "Имя содержит:", "Name contains:"},
    // The summary window.
    {Cap::summaryTitle, "Сводка", "Summary"},
    {Cap::listFileLabel, "Файл списка:", "List file:"},
    {Cap::headerLabel, "Заголовок:", "Header:"},
    {Cap::rootLabel, "Корень:", "Root:"},
    {Cap::wholeList, "Весь список", "Whole list"},
    {Cap::shownFolder, "Показанная папка", "Shown folder"},
    {Cap::selection, "Выделение", "Selection"},
    {Cap::allEntries, "Все записи", "All entries"},
    {Cap::folders, "Папки", "Folders"},
    {Cap::files, "Файлы", "Files"},
    {Cap::requiredEntries, "Нужные", "Required"},
    {Cap::uselessEntries, "Не нужные", "Useless"},
    {Cap::unmarkedEntries, "Без пометки", "Unmarked"},
    {Cap::commentedEntries, "С комментарием", "Commented"},
    {Cap::damagedEntries, "Повреждённые", "Damaged"},
    {Cap::crossedOutEntries, "Зачёркнутые", "Crossed out"},
    // The CSV export.
    {Cap::exportCsvTitle, "Экспортировать в CSV", "Export as CSV"},
    {Cap::csvFileFilter, "CSV (*.csv)|*.csv", "CSV (*.csv)|*.csv"},
    {Cap::shownRows, "Показанные строки", "Shown rows"},
    // The find in the catalogue.
    {Cap::catalogueTitle, "Каталог", "Catalogue"},
    {Cap::listColumn, "Список", "List"},
    {Cap::pathColumn, "Путь", "Path"},
    {Cap::foundFirstShown, "Найдено: %1, показаны первые %2", "Found: %1, the first %2 shown"},
    {Cap::catalogueHoldsNoLists,
     "В каталоге нет списков. Добавьте их кнопкой «Добавить» или перетащите файлы .kx сюда.",
     "The catalogue holds no lists. Add them with Add, or drop .kx files here."},
    // The catalogue window's lists and commands.
    {Cap::addLists, "Добавить...", "Add..."},
    {Cap::addFolder, "Добавить папку...", "Add folder..."},
    {Cap::refreshLists, "Обновить", "Refresh"},
    {Cap::removeLists, "Удалить", "Remove"},
    {Cap::browseList, "Просмотр", "Browse"},
    {Cap::listLabelColumn, "Метка", "Label"},
    {Cap::listNoteColumn, "Заметка", "Note"},
    {Cap::listRootColumn, "Корень", "Root"},
    {Cap::listHeaderColumn, "Заголовок", "Header"},
    {Cap::listEntriesColumn, "Записей", "Entries"},
    {Cap::listBytesColumn, "Байт в файлах", "Bytes of files"},
    {Cap::listIndexedColumn, "Внесён", "Indexed"},
    {Cap::listFileColumn, "Файл", "File"},
    {Cap::filePresent, "на месте", "present"},
    {Cap::fileChanged, "изменён", "changed"},
    {Cap::fileMissing, "нет", "missing"},
    {Cap::listCount, "Списков в каталоге: %1", "Lists in the catalogue: %1"},
    {Cap::stillCounting, "(счёт идёт...)", "(still counting...)"},
    {Cap::searchTitle, "Поиск во всех списках", "Search in every list"},
    {Cap::offlineCopy, "Копия списка %1 из каталога (только просмотр)",
     "The catalogue's copy of %1 (read-only)"},
    {Cap::offlineFilePresent, "файл списка на месте", "the list file is present"},
    {Cap::offlineFileChanged, "файл списка изменился после внесения в каталог",
     "the list file has changed since it was catalogued"},
    {Cap::offlineFileMissing, "файла списка нет", "the list file is missing"},
    {Cap::openListFile, "Открыть файл списка", "Open the list file"},
    {Cap::commandsTitle, "Все команды", "All commands"},
    {Cap::commandColumn, "Команда", "Command"},
    {Cap::keysColumn, "Клавиши", "Keys"},
    {Cap::findAgain, "Искать снова", "Find again"},
    {Cap::closeWindow, "Закрыть окно", "Close the window"},
    {Cap::undo, "Отменить изменение", "Undo"},
    {Cap::redo, "Вернуть изменение", "Redo"},
    {Cap::copyPaths, "Копировать пути", "Copy paths"},
    {Cap::spaceTitle, "Где занято место", "Where the space goes"},
    {Cap::treemapTab, "Карта", "Treemap"},
    {Cap::typesTab, "По типам", "By type"},
    {Cap::largestTab, "Крупнейшие файлы", "Largest files"},
    {Cap::colourByType, "Цвет по типу", "Colour by type"},
    {Cap::colourByMark, "Цвет по отметке", "Colour by mark"},
    {Cap::savePng, "Сохранить PNG...", "Save PNG..."},
    {Cap::saveSvg, "Сохранить SVG...", "Save SVG..."},
    {Cap::pngFileFilter, "Рисунок PNG (*.png)|*.png", "PNG picture (*.png)|*.png"},
    {Cap::svgFileFilter, "Рисунок SVG (*.svg)|*.svg", "SVG picture (*.svg)|*.svg"},
    {Cap::groupColumn, "Группа", "Group"},
    {Cap::extensionColumn, "Расширение", "Extension"},
    {Cap::filesColumn, "Файлов", "Files"},
    {Cap::bytesColumn, "Байт", "Bytes"},
    {Cap::shareColumn, "Доля", "Share"},
    {Cap::groupPictures, "Изображения", "Pictures"},
    {Cap::groupVideo, "Видео", "Video"},
    {Cap::groupAudio, "Звук", "Audio"},
    {Cap::groupDocuments, "Документы", "Documents"},
    {Cap::groupArchives, "Архивы", "Archives"},
    {Cap::groupPrograms, "Программы", "Programs"},
    {Cap::groupOther, "Прочее", "Other"},
    {Cap::noExtension, "(без расширения)", "(no extension)"},
    {Cap::allTypes, "все типы", "all types"},
    {Cap::largestOfType, "Крупнейшие файлы: %1", "Largest files: %1"},
    {Cap::wholeCatalogue, "Весь каталог", "The whole catalogue"},
    {Cap::spaceOfList, "Где место на диске", "Where the space goes"},
    {Cap::treemapCommand, "Карта занятого места", "Treemap of the space"},
    {Cap::typesCommand, "Место по типам файлов", "Space by file type"},
    {Cap::largestCommand, "Крупнейшие файлы папки", "Largest files of the folder"},
};

constexpr Row<Hint> kHints[] = {
    {Hint::open, "Открыть список файлов", "Open the list of files"},
    {Hint::back, "Назад", "Back"},
    {Hint::forward, "Вперёд", "Forward"},
    {Hint::up, "Вверх", "Up"},
    {Hint::find, "Поиск", "Find"},
    {Hint::markRequired, "Пометить как нужный", "Mark as Required"},
    {Hint::markUseless, "Пометить как не нужный", "Mark as Useless"},
    {Hint::clearMarks, "Снять метки", "Take off labels"},
    {Hint::save, "Сохранить файл", "Save file"},
    {Hint::print, "Распечатать", "Print file"},
    {Hint::exportText, "Экспорт в текстовый формат", "Export to a text format"},
    {Hint::about, "О программе (Ctrl+F1)", "About... (Ctrl+F1)"},
    {Hint::comment, "Комментировать", "Make comments"},
    {Hint::readOnly, "Только чтение", "Read only"},
    {Hint::hidden, "Скрытый", "Hidden"},
    {Hint::system, "Системный", "System"},
    {Hint::volume, "Файл тома", "Volume file"},
    {Hint::archive, "Архивный", "Archival"},
    {Hint::temporary, "Временный", "Temporary"},
    {Hint::compressed, "Сжатый", "Compressed"},
    {Hint::damaged, "Повреждённый", "Damaged"},
    {Hint::logo, "Восстановление данных", "Data recovery"},
    // The catalogue window's buttons.
    {Hint::addLists, "Добавить файлы списков в каталог (%1)",
     "Add list files to the catalogue (%1)"},
    {Hint::addFolder, "Добавить все списки папки (%1)", "Add every list in a folder (%1)"},
    {Hint::refreshLists, "Заново внести изменённые списки (%1)",
     "Index again the lists whose file changed (%1)"},
    {Hint::removeLists, "Удалить выделенные списки из каталога (%1)",
     "Remove the selected lists from the catalogue (%1)"},
    {Hint::browseList, "Просмотр списка по каталогу (%1)",
     "Browse the list from the catalogue (%1)"},
    {Hint::openList, "Открыть файл списка (%1)", "Open the list file (%1)"},
    {Hint::searchMask, "Поиск идёт по мере ввода (%1)", "The search runs as you type (%1)"},
    {Hint::spaceOfList, "Где место на выбранном диске (%1)", "Where the disk's space goes (%1)"},
    {Hint::wholeCatalogue, "Где место на всех дисках (%1)", "Where all the disks' space goes (%1)"},
};

constexpr Row<About> kAbout[] = {
    {About::title, "О программе", "About"},
    {About::productLine, "Упрощённая версия программы Fentaro",
     "Simplified version of Fentaro software"},
    {About::purposeLine, "предназначена для просмотра списков файлов,",
     "is intended for viewing lists of files"},
    {About::originLine, "созданных в полной версии.", "created in full version."},
    {About::supportLink, "Страница поддержки »", "Support page »"},
    {About::close, "Закрыть", "Close"},
    {About::supportAddress, "https://example.org/ru/fentaro-light/support?from=fentaro-light",
     "https://example.org/en/fentaro-light/support?from=fentaro-light"},
    {About::homeAddress, "https://example.org/ru/", "https://example.org/en/"},
};

constexpr Row<Msg> kMessages[] = {
    {Msg::errorTitle, "Ошибка", "Error"},
    {Msg::fileNotFound, "Файл не найден", "File not found"},
    {Msg::unpackFailed, "Неудачная попытка разархивировать файл", "Unpack file error"},
    {Msg::folderOfSameName, "Возможно в той же папке находиться папка с совпадающим именем",
     "Perhaps there is a folder with a matching name"},
    {Msg::openFromElsewhere, "пожалуйста, откройте файл из другого места",
     "please open the file from another location"},
    {Msg::fileEmpty, "Файл пуст!", "File is empty!"},
    {Msg::loadFailed, "Ошибка при загрузке файла! Возможно он повреждён",
     "Error loading file! Perhaps it is corrupted"},
    {Msg::pageNotOpened, "Не удалось открыть страницу", "Could not open the page"},
    {Msg::nothingToExport, "Отсутствуют данные для сохранения", "No data to save"},
    {Msg::replaceFile, "Заменить файл ?", "Replace file ?"},
    {Msg::questionTitle, "Запрос", "Request"},
    {Msg::createFailed, "Ошибка при создании файла!", "Error in creating file!"},
    {Msg::exportTextProgress, "Прогресс экспорта в текстовый файл", "Export to text file"},
    {Msg::nothingToPrint, "Отсутствуют данные для печати", "No data to print"},
    {Msg::initFailed, "Ошибка инициализации", "Error init"},
    {Msg::nothingSelected, "Файлы не выбраны", "No selected files"},
    {Msg::nothingToSave, "Отсутствуют данные для сохранения", "No data to save"},
    {Msg::saveProgress, "Прогресс сохранения KX-файла", "Saving KX-file"},
    {Msg::selectToComment, "Выберите файл или папку, к которой хотите оставить комментарий",
     "Select the file or folder that you want to leave a comment"},
    {Msg::selectedMoreThanOne, "Выбрано более одного файла и/или папки!",
     "Selected more than one file, and (or) folders!"},
    {Msg::saveChanges, "Сохранить изменения ?", "Save changes ?"},
    {Msg::commentNotEntered, "Комментарий не введён!", "Commentary is not entered !"},
    {Msg::listEmpty, "Список пуст", "List is empty"},
    {Msg::saveFailed, "Не удалось сохранить файл списка", "Could not save the list file"},
    {Msg::saveCancelled, "Сохранение отменено, файл списка не изменён",
     "Saving was cancelled, the list file is unchanged"},
    {Msg::noDefaultPrinter, "Не найден принтер по умолчанию", "No default printer is set up"},
    {Msg::commentNotStorable, "Комментарий содержит символы, которые нельзя сохранить в списке",
     "The comment holds characters that the list cannot store"},
    {Msg::writeFailed, "Ошибка при записи файла!", "Error writing the file!"},
    // Why a file could not be opened, read or written.
    {Msg::notRegularFile, "Это не обычный файл", "This is not a regular file"},
    {Msg::accessDenied, "Нет доступа к файлу", "Access to the file is denied"},
    {Msg::readFailed, "Ошибка чтения файла", "The file could not be read"},
    {Msg::notZip, "Файл не является ZIP-архивом", "The file is not a ZIP archive"},
    {Msg::notOneEntry, "Архив должен содержать ровно один файл",
     "The archive must hold exactly one file"},
    {Msg::multiVolume, "Многотомные архивы не поддерживаются",
     "Multi-volume archives are not supported"},
    {Msg::encrypted, "Архив зашифрован", "The archive is encrypted"},
    {Msg::unsupportedMethod, "Архив сжат неподдерживаемым способом",
     "The archive uses an unsupported compression method"},
    {Msg::zip64, "Архивы ZIP64 не поддерживаются", "ZIP64 archives are not supported"},
    {Msg::damagedArchive, "Архив повреждён", "The archive is damaged"},
    {Msg::checksumMismatch, "Данные не совпадают с контрольной суммой: файл повреждён",
     "The data does not match its checksum: the file is damaged"},
    {Msg::noSpace, "Недостаточно места на диске", "There is not enough space on the disk"},
    {Msg::replaceFailed, "Не удалось заменить файл списка", "The list file could not be replaced"},
    {Msg::tooLarge, "Список слишком велик для файла списка (более 4 ГиБ)",
     "The list is too large for a list file (over 4 GiB)"},
    {Msg::threadFailed, "Не удалось запустить фоновую задачу",
     "A background task could not be started"},
    {Msg::unexpectedError, "Непредвиденная ошибка", "Unexpected error"},
    {Msg::keptSave, "Прерванное сохранение оставило весь новый список в файле %1",
     "An interrupted save kept the whole new list in %1"},
    // Why a save or an export left a file alone.
    {Msg::readOnlyList, "Файл списка доступен только для чтения, он не изменён",
     "The list file is read-only; it was not changed"},
    {Msg::listBusy, "Файл списка сейчас сохраняет другая программа, попробуйте позже",
     "Another program is saving the list file; try again later"},
    {Msg::changedOnDisk, "Файл списка изменён на диске после открытия, он не перезаписан",
     "The list file was changed on disk after it was opened; it was not overwritten"},
    {Msg::overwriteChanged,
     "Файл списка изменён на диске после открытия. Всё равно перезаписать его ?",
     "The list file was changed on disk after it was opened. Overwrite it anyway ?"},
    {Msg::exportOverList, "Нельзя записать текст поверх открытого файла списка",
     "The text cannot be written over the open list file"},
    {Msg::exportNotRegularFile, "Текст можно записать только в обычный файл",
     "The text can only be written to a regular file"},
    // Printing.
    {Msg::noFilesToPrint, "Нет файлов для печати", "There are no files to print"},
    {Msg::printRefused, "Принтер не принял задание печати",
     "The printer did not accept the print job"},
    {Msg::printPagesQuestion, "Будет напечатано страниц: %1. Печатать ?",
     "%1 pages will be printed. Print them ?"},
    {Msg::printProgress, "Прогресс печати", "Printing"},
    // The filtered search.
    {Msg::badSize, "Размер должен быть целым числом не меньше нуля",
     "A size must be a whole number of zero or more"},
    // The CSV export.
    {Msg::csvWhichRows, "Экспортировать в CSV показанные строки или весь список ?",
     "Export the shown rows or the whole list as CSV ?"},
    {Msg::exportCsvProgress, "Прогресс экспорта в CSV", "Export to CSV"},
    // The catalogue.
    {Msg::catalogueUnusable, "Каталог недоступен: %1", "The catalogue cannot be used: %1"},
    {Msg::catalogueNotUpdated, "Список сохранён, но его запись в каталоге не обновлена: %1",
     "The list was saved, but its entry in the catalogue was not updated: %1"},
    {Msg::entryNoLongerInList,
     "Этой записи больше нет в списке: список изменился после добавления в каталог",
     "This entry is no longer in the list: the list changed after it was catalogued"},
    {Msg::catalogueUpdating, "Обновление каталога", "Updating the catalogue"},
    {Msg::catalogueReadableByOthers,
     "Каталог %1 могут читать другие пользователи: сделайте его личным (файл 600, папка 700)",
     "Other users can read the catalogue %1: make it private (the file 600, its folder 700)"},
    {Msg::catalogueWaiting, "Ожидание: другая программа изменяет каталог",
     "Waiting for another program to finish its change of the catalogue"},
    // Why a folder could not be scanned, and why the catalogue could not be used.
    {Msg::notFolder, "Это не папка", "This is not a folder"},
    {Msg::catalogueNoHome, "Место каталога не задано: нет ни XDG_DATA_HOME, ни HOME",
     "No place for the catalogue: neither XDG_DATA_HOME nor HOME is set"},
    {Msg::catalogueMissing, "Каталога нет: в него ещё не добавлен ни один список",
     "There is no catalogue: no list has been added to it yet"},
    {Msg::catalogueFolderFailed, "Не удалось создать папку каталога",
     "The catalogue's folder could not be made"},
    {Msg::catalogueNotRegularFile, "Файл каталога не является обычным файлом",
     "The catalogue is not a regular file"},
    {Msg::catalogueOpenFailed, "Не удалось открыть каталог", "The catalogue could not be opened"},
    {Msg::notCatalogue, "Файл не является каталогом, он не изменён",
     "The file is not a catalogue; it was not changed"},
    {Msg::catalogueTooNew, "Каталог создан более новой версией программы, он не изменён",
     "The catalogue was made by a newer version of the program; it was not changed"},
    {Msg::catalogueDamaged, "Каталог повреждён, он не изменён",
     "The catalogue is damaged; it was not changed"},
    {Msg::catalogueUnreadable, "Не удалось прочитать каталог", "The catalogue could not be read"},
    {Msg::catalogueFailed, "Ошибка при работе с каталогом", "The catalogue failed"},
    {Msg::noSuchFolder, "В списке нет такой папки", "There is no such folder in the list"},
    // The catalogue window's commands.
    {Msg::addingLists, "Добавление списков в каталог", "Adding lists to the catalogue"},
    {Msg::refreshingLists, "Обновление изменённых списков", "Indexing the changed lists again"},
    {Msg::removingLists, "Удаление списков из каталога", "Removing lists from the catalogue"},
    {Msg::removeListsQuestion, "Удалить из каталога выделенные списки (%1)? Их файлы останутся.",
     "Remove the selected lists (%1) from the catalogue? Their files stay."},
    {Msg::listsNotAdded, "Эти списки не внесены в каталог:\n%1",
     "These lists were not added to the catalogue:\n%1"},
    {Msg::chooseListFolder, "Выберите папку со списками", "Choose a folder of lists"},
    {Msg::nothingToRefresh, "Ни один файл списка не изменился", "No list file has changed"},
    {Msg::selectList, "Выделите список", "Select a list"},
    {Msg::readingFromCatalogue, "Чтение списка из каталога", "Reading the list from the catalogue"},
    {Msg::listFileMissing, "Файла списка нет: %1\nВозможно, диск не подключён или файл перемещён.",
     "The list file is missing: %1\nThe disk may be unplugged or the file moved."},
    {Msg::listFileMissingOffered,
     "Файла списка нет: %1\nВозможно, диск не подключён или файл перемещён.\n"
     "Просмотреть копию списка из каталога?",
     "The list file is missing: %1\nThe disk may be unplugged or the file moved.\n"
     "Browse the catalogue's copy of the list?"},
    {Msg::pathTooLong, "Список содержит путь длиннее 32767 символов, какого не бывает на диске",
     "The list holds a path longer than 32767 characters, which no disk can have"},
};

static_assert(inNameOrder(kCaptions) && inNameOrder(kHints) && inNameOrder(kAbout) &&
              inNameOrder(kMessages));

template <class Name, std::size_t N>
void loadTable(localItems& table, const Row<Name> (&rows)[N], QStringList& scratch) {
    for (const bool russian : {true, false}) {
        for (const Row<Name>& r : rows)
            scratch.append(QString::fromUtf8(russian ? r.rus : r.eng));
        table.load(russian ? QStringLiteral("rus") : QStringLiteral("eng"), &scratch);
        scratch.clear();
    }
}

} // namespace

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
