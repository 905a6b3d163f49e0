// The main window opening a 1,000,000-entry list against the bare open of the same list, the
// detail list showing a folder of 100,000 files, and the catalogue window's search as you type:
// from the last key of a mask to the first screen of rows shown.
#include "browser/gui/infofileform.h"
#include "browser/gui/userdialogs.h"
#include "catalog/gui/catalogform.h"
#include "listfile/listfile.h"
#include "listfile/scan.h"
#include "listgen.h"
#include "query/rowformat.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

void ensureApplication() {
    static int argc = 1;
    static char name[] = "window_bench";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);
}

// Answers the Open dialog with one file and says nothing else.
class FixedDialogs : public kx::UserDialogs {
public:
    QString file;
    QString getOpenFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return file;
    }
    Answer question(QWidget*, const QString&, const QString&, bool) override { return Answer::No; }
    void message(QWidget*, Icon, const QString&, const QString&) override {}
};

std::string bigList() {
    return kxbench::ensureListFile(QDir::temp().filePath("fentaro-bench-1000000.kx").toStdString(),
                                   1000000);
}

std::string wideList() {
    const std::string path = QDir::temp().filePath("fentaro-bench-wide-100000.kx").toStdString();
    if (!QFileInfo::exists(QString::fromStdString(path))) {
        auto tree = kxbench::wideFolderTree(100000);
        kx::writeNewListFile(*tree, path);
    }
    return path;
}

struct ShownWindow {
    FixedDialogs* dialogs = nullptr;
    std::unique_ptr<kx::TInfoFileForm> form;
    ShownWindow() {
        ensureApplication();
        auto d = std::make_unique<FixedDialogs>();
        dialogs = d.get();
        form = std::make_unique<kx::TInfoFileForm>(QStringList(), std::move(d));
        form->show();
        QApplication::processEvents();
    }
    void open(const std::string& path) {
        dialogs->file = QString::fromStdString(path);
        form->spbtOpenClick(form->spbtOpen);
        // The list is read on the window's worker thread; it shows when its job has ended.
        while (form->busy())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
};

// What a list open costs without any window: unpack, read, delete the working file, regroup the
// root folder, and free the previous tree.
void BM_BareOpen(benchmark::State& state) {
    const std::string path = bigList();
    std::unique_ptr<kx::EntryTree> held;
    for (auto _ : state) {
        held.reset();
        kx::ListContainer container;
        held = kx::openListFile(container, path);
        kx::regroupRootFolder(*held);
        benchmark::DoNotOptimize(held->root());
    }
}
BENCHMARK(BM_BareOpen)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same list opened in the window until its root folder is shown and painted.
void BM_WindowOpen(benchmark::State& state) {
    const std::string path = bigList();
    ShownWindow w;
    for (auto _ : state) {
        w.open(path);
        w.form->lvInfo->viewport()->repaint();
        w.form->tvTreeOfFile->viewport()->repaint();
        if (!w.form->root()) state.SkipWithError("the list did not open");
    }
}
BENCHMARK(BM_WindowOpen)->Unit(benchmark::kMillisecond)->Iterations(3);

// A folder of 100,000 files shown in the detail list and painted.
void BM_ShowWideFolder(benchmark::State& state) {
    ShownWindow w;
    w.open(wideList());
    const kx::Entry* folder = nullptr;
    for (const kx::Entry* e : w.form->root()->children())
        if (e->name() == "wide") folder = e;
    if (!folder) state.SkipWithError("no such folder");
    for (auto _ : state) {
        w.form->showFolder(folder);
        w.form->lvInfo->viewport()->repaint();
    }
    state.counters["rows"] = w.form->model()->rowCount();
}
BENCHMARK(BM_ShowWideFolder)->Unit(benchmark::kMillisecond);

// The catalogue of 8 lists of 500,000 entries that catalog_bench makes (it is made there).
std::string benchCatalogue() {
    const char* d = std::getenv("FENTARO_BENCH_DIR");
    return std::string(d && *d ? d : "/tmp") + "/fentaro-bench-catalog.sqlite";
}

// A key typed into a field as the user types it.
void typeKey(QWidget* field, char c) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (c - 'a'), Qt::NoModifier, QString(QChar(c)));
    QApplication::sendEvent(field, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + (c - 'a'), Qt::NoModifier, QString(QChar(c)));
    QApplication::sendEvent(field, &release);
}

// Masks of one, two and three letters typed into the catalogue window; the time from the last
// key until the first rows are in the table (the pause after typing included).
void BM_CatalogueFirstScreen(benchmark::State& state) {
    ensureApplication();
    const std::string db = benchCatalogue();
    if (!QFileInfo::exists(QString::fromStdString(db))) {
        state.SkipWithError("no catalogue: run catalog_bench first");
        return;
    }
    kx::ui::StringTables tables;
    kx::ui::buildStringTables(tables);
    kx::TCatalogForm form;
    form.applyTexts(tables);
    form.setCatalogPath(db);
    form.show();
    const std::string mask = std::string("abc").substr(0, std::size_t(state.range(0)));
    QLineEdit* field = form.fields->ledMask;
    std::size_t shown = 0;
    for (auto _ : state) {
        field->clear();
        for (const char c : mask)
            typeKey(field, c);
        const auto lastKey = std::chrono::steady_clock::now();
        while (form.rows->rowCount() == 0 && form.searching())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        form.lvFound->viewport()->repaint();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - lastKey).count());
        shown = std::size_t(form.rows->rowCount());
    }
    state.counters["rows"] = double(shown);
}
BENCHMARK(BM_CatalogueFirstScreen)
    ->DenseRange(1, 3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

} // namespace

BENCHMARK_MAIN();
