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

// The rows of the four tables by name, each in its table's row order.

// Captions: buttons, columns, window titles and labels.
enum class Cap : int {
    open,
    back,
    forward,
    up,
    find,
    required,
    useless,
    clear,
    save,
    print,
    exportText,
    help,
    comment,
    // The detail list's columns.
    columnName,
    columnSize,
    columnCreated,
    columnChanged,
    columnAttributes,
    columnComments,
    exportTextTitle,
    chooseDamagedList,
    textFileFilter,
    listFileFilter,
    cancel, // "Отменить": the search window's button
    foldersLabel,
    filesLabel,
    loadingData,
    savingData,
    searchingData,
    enterComment,
    apply,
    cancelDialog, // "Отмена": the comment window's button, the CSV export's choice
    commentForFile,
    commentForFolder,
    // The filtered-search window.
    filterTitle,
    inCommentsToo,
    wildcards,
    markLabel,
    markAny,
    markNone,
    markRequired,
    markUseless,
    onlyCommented,
    onlyDamaged,
    sizeAtLeast,
    sizeAtMost,
    bytes,
    kilobytes,
    megabytes,
    gigabytes,
    foundCount, // %1: the number found
    close,
    nameContains,
    // The summary window.
    summaryTitle,
    listFileLabel,
    headerLabel,
    rootLabel,
    wholeList,
    shownFolder,
    selection,
    allEntries,
    folders,
    files,
    requiredEntries,
    uselessEntries,
    unmarkedEntries,
    commentedEntries,
    damagedEntries,
    crossedOutEntries,
    // The CSV export.
    exportCsvTitle,
    csvFileFilter,
    shownRows,
    // The find in the catalogue.
    catalogueTitle,
    listColumn,
    pathColumn,
    foundFirstShown, // %1: the number found, %2: the number shown
    catalogueHoldsNoLists,
    // The catalogue window's lists and commands.
    addLists,
    addFolder,
    refreshLists,
    removeLists,
    browseList,
    listLabelColumn,
    listNoteColumn,
    listRootColumn,
    listHeaderColumn,
    listEntriesColumn,
    listBytesColumn,
    listIndexedColumn,
    listFileColumn,
    filePresent,
    fileChanged,
    fileMissing,
    listCount,     // %1: the number of lists
    stillCounting, // after the count of a search that runs
    searchTitle,
    // The main window showing the catalogue's copy of a list; %1: its label, else its path.
    offlineCopy,
    offlineFilePresent,
    offlineFileChanged,
    offlineFileMissing,
    openListFile,
    // The command window and the names of the window's commands that have no caption above.
    commandsTitle,
    commandColumn,
    keysColumn,
    findAgain,
    closeWindow,
    undo,
    redo,
    copyPaths,
    // Where the space goes: the window, its tabs and columns, the type groups in their order,
    // the catalogue window's buttons and the main window's commands.
    spaceTitle,
    treemapTab,
    typesTab,
    largestTab,
    colourByType,
    colourByMark,
    savePng,
    saveSvg,
    pngFileFilter,
    svgFileFilter,
    groupColumn,
    extensionColumn,
    filesColumn,
    bytesColumn,
    shareColumn,
    groupPictures,
    groupVideo,
    groupAudio,
    groupDocuments,
    groupArchives,
    groupPrograms,
    groupOther,
    noExtension,
    allTypes,
    largestOfType, // %1: the type
    wholeCatalogue,
    spaceOfList,
    treemapCommand,
    typesCommand,
    largestCommand,
};

// Hints: the tool tips of the buttons and the attributes.
enum class Hint : int {
    open,
    back,
    forward,
    up,
    find,
    markRequired,
    markUseless,
    clearMarks,
    save,
    print,
    exportText,
    about,
    comment,
    readOnly,
    hidden,
    system,
    volume,
    archive,
    temporary,
    compressed,
    damaged,
    logo,
    // The catalogue window's buttons; %1: the keys.
    addLists,
    addFolder,
    refreshLists,
    removeLists,
    browseList,
    openList,
    searchMask,
    // Where the space goes, from the catalogue window.
    spaceOfList,
    wholeCatalogue,
};

// The about window.
enum class About : int {
    title,
    productLine,
    purposeLine,
    originLine,
    supportLink,
    close,
    supportAddress,
    homeAddress,
};

// Messages: the texts of message boxes and questions, their captions and the progress windows'
// titles.
enum class Msg : int {
    errorTitle,
    fileNotFound,
    unpackFailed,
    folderOfSameName,
    openFromElsewhere,
    fileEmpty,
    loadFailed,
    pageNotOpened,
    nothingToExport,
    replaceFile,
    questionTitle,
    createFailed,
    exportTextProgress,
    nothingToPrint,
    initFailed,
    nothingSelected,
    nothingToSave,
    saveProgress,
    selectToComment,
    selectedMoreThanOne,
    saveChanges,
    commentNotEntered,
    listEmpty,
    saveFailed,
    saveCancelled,
    noDefaultPrinter,
    commentNotStorable,
    writeFailed,
    // Why a file could not be opened, read or written.
    notRegularFile,
    accessDenied,
    readFailed,
    notZip,
    notOneEntry,
    multiVolume,
    encrypted,
    unsupportedMethod,
    zip64,
    damagedArchive,
    checksumMismatch,
    noSpace,
    replaceFailed,
    tooLarge,
    threadFailed,
    unexpectedError,
    keptSave, // where the whole list of an interrupted save is (%1)
    // Why a save or an export left a file alone.
    readOnlyList,
    listBusy,
    changedOnDisk,
    overwriteChanged,
    exportOverList,
    exportNotRegularFile,
    // Printing.
    noFilesToPrint,
    printRefused,
    printPagesQuestion, // %1: the number of pages
    printProgress,
    // The filtered search.
    badSize,
    // The CSV export.
    csvWhichRows,
    exportCsvProgress,
    // The catalogue.
    catalogueUnusable,   // %1: why
    catalogueNotUpdated, // %1: why
    entryNoLongerInList,
    catalogueUpdating,
    catalogueReadableByOthers, // %1: the catalogue's file
    catalogueWaiting,
    // Why a folder could not be scanned, and why the catalogue could not be used.
    notFolder,
    catalogueNoHome,
    catalogueMissing,
    catalogueFolderFailed,
    catalogueNotRegularFile,
    catalogueOpenFailed,
    notCatalogue,
    catalogueTooNew,
    catalogueDamaged,
    catalogueUnreadable,
    catalogueFailed,
    // A folder named on the command line that the list does not hold.
    noSuchFolder,
    // The catalogue window's commands.
    addingLists,
    refreshingLists,
    removingLists,
    removeListsQuestion, // %1: the number of lists
    listsNotAdded,       // %1: one line per list, its path and why
    chooseListFolder,
    nothingToRefresh,
    selectList,
    // Browsing a list from the catalogue.
    readingFromCatalogue,
    listFileMissing,        // %1: the path
    listFileMissingOffered, // %1: the path
    // Opening a list (a row added after the others kept their numbers).
    pathTooLong,
};

// The main window's four tables; the accessors look up the current language.
struct StringTables {
    localItems captions, hints, about, messages;
    QString caption(Cap row) const { return captions.text(int(row), languageCode()); }
    QString hint(Hint row) const { return hints.text(int(row), languageCode()); }
    QString aboutText(About row) const { return about.text(int(row), languageCode()); }
    QString message(Msg row) const { return messages.text(int(row), languageCode()); }
};

// Fills the four tables in both languages. Never fails; repeating it yields the same tables.
void buildStringTables(StringTables& t);

// The application title shown in window captions and message boxes.
inline QString applicationTitle() {
    return QStringLiteral("Fentaro.light");
}

} // namespace kx::ui
