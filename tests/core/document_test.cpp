// The open list without a window: open, the commands and their notifications, save, and the
// codes of a failed open.
#include "browser/document.h"

#include "common/fixtures.h"
#include "listfile/innerlist.h"
#include "listfile/io/error.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

namespace kx {
namespace {

std::string path(const QTemporaryDir& dir, const char* name) {
    return dir.filePath(QString::fromLatin1(name)).toStdString();
}

TEST(DocumentTest, OpenRegroupsTheRootAndCommandsNotifyAndMarkModified) {
    QTemporaryDir dir;
    kxtest::TreeBuilder t{"C:\\"};
    t.file(t.root(), "a.txt");
    Entry* docs = t.folder(t.root(), "Docs");
    t.file(docs, "x.txt");
    const std::string list = path(dir, "disk.kx");
    kxtest::writeListFile(list, t.tree());

    auto doc = Document::open(list);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->path(), list);
    EXPECT_EQ(doc->headerText(), "test list");
    EXPECT_FALSE(doc->modified());
    ASSERT_EQ(doc->root()->children().size(), 2u);
    EXPECT_EQ(doc->root()->children()[0]->name(), "Docs"); // folders first once shown

    int changed = 0;
    std::vector<bool> flags;
    QObject::connect(doc.get(), &Document::changed, [&] { ++changed; });
    QObject::connect(doc.get(), &Document::modifiedChanged, [&](bool m) { flags.push_back(m); });
    EXPECT_FALSE(doc->mark({}, MarkCommand::Needed)); // nothing selected: nothing changes
    EXPECT_EQ(changed, 0);
    Entry* a = doc->root()->children()[1];
    Entry* folder = doc->root()->children()[0];
    EXPECT_TRUE(doc->mark({a, folder}, MarkCommand::Needed));
    EXPECT_EQ(a->mark(), 1);
    EXPECT_EQ(folder->children()[0]->mark(), 1); // a folder's mark covers its subtree
    doc->setComment(a, "note");
    EXPECT_EQ(changed, 2);
    EXPECT_EQ(flags, std::vector<bool>{true});
    EXPECT_TRUE(doc->modified());

    ASSERT_TRUE(doc->save({}));
    EXPECT_FALSE(doc->modified());
    EXPECT_EQ(flags, (std::vector<bool>{true, false}));
    auto again = Document::open(list);
    EXPECT_EQ(again->root()->children()[1]->mark(), 1);
    EXPECT_EQ(again->root()->children()[1]->comment(), "note");
}

TEST(DocumentTest, SaveCancelledKeepsTheFlagAndTheFile) {
    QTemporaryDir dir;
    kxtest::TreeBuilder t{"C:\\"};
    t.file(t.root(), "a.txt");
    const std::string list = path(dir, "disk.kx");
    kxtest::writeListFile(list, t.tree());
    const std::string before = kxtest::readFile(list);
    auto doc = Document::open(list);
    doc->mark({doc->root()->children()[0]}, MarkCommand::NotNeeded);
    EXPECT_FALSE(doc->save([](std::uint64_t, std::uint64_t) { return false; }));
    EXPECT_TRUE(doc->modified());
    EXPECT_EQ(kxtest::readFile(list), before);
}

// A save run as a job on a worker thread only reads the tree while the document's thread goes on
// reading it, as the window paints. The root's path, cleared in the file, is cleared in the tree
// on the document's thread once the file is written, just before the flag.
TEST(DocumentTest, ASaveOnAWorkerLeavesTheChangesToTheDocumentsThread) {
    int argc = 1;
    char name[] = "document_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    kxtest::TreeBuilder t{"C:\\"};
    for (int i = 0; i < 3000; ++i)
        t.file(t.root(), "file" + std::to_string(i));
    const std::string list = path(dir, "disk.kx");
    kxtest::writeListFile(list, t.tree(), true); // the root's path as a scan writes it
    auto doc = Document::open(list);
    ASSERT_EQ(doc->root()->name(), "C:\\");
    doc->mark({doc->root()->children()[0]}, MarkCommand::Needed);

    std::atomic<QThread*> flagThread{nullptr};
    std::string nameAtFlag;
    QObject::connect(doc.get(), &Document::modifiedChanged, [&] {
        flagThread = QThread::currentThread();
        nameAtFlag = doc->root()->name();
    });
    bool changedBeforeTheFlag = false;
    QTimer reader;
    QObject::connect(&reader, &QTimer::timeout, [&] {
        if (!flagThread && doc->root()->name() != "C:\\") changedBeforeTheFlag = true;
    });
    reader.start(0);
    QEventLoop loop;
    bool saved = false;
    std::thread job([&] {
        saved = doc->save({});
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    job.join();

    EXPECT_TRUE(saved);
    EXPECT_FALSE(changedBeforeTheFlag);
    EXPECT_EQ(flagThread.load(), QThread::currentThread());
    EXPECT_EQ(nameAtFlag, "");
    EXPECT_FALSE(doc->modified());
    EXPECT_EQ(Document::open(list)->root()->name(), "");
}

// disk > Docs (a.txt, Deep > x.txt), b.txt, read from bytes as a list file holds them: a.txt's
// comment field has bytes after the NUL that ends its text, Docs a mark count of 7. (A root name
// without a backslash is one that a save leaves as it is.)
std::unique_ptr<Document> undoFixture(const std::string& path) {
    std::string a = kxtest::record("a.txt", kFile, -1, 0, 0, "old");
    a.replace(rec::comment + 4, 4, "tail");
    std::string docs = kxtest::record("Docs", kFolder, 1);
    docs[rec::markCount] = 7;
    const std::string bytes = kxtest::header("h") + kxtest::record("disk", kFolder, 1) + docs + a +
                              kxtest::record("Deep", kFolder, 0) +
                              kxtest::record("x.txt", kFile, -1) +
                              kxtest::record("b.txt", kFile, -1);
    MemorySource source(bytes.data(), bytes.size());
    return std::make_unique<Document>(readInnerList(source), path);
}

// Every step goes back and comes again byte for byte, marks, counts and whole comment fields;
// the modified flag is clear exactly at the state on disk.
TEST(DocumentTest, UndoAndRedoRestoreTheExactBytesAndFollowTheSavePoint) {
    QTemporaryDir dir;
    auto doc = undoFixture(path(dir, "disk.kx"));
    Entry* docs = doc->root()->children()[0];
    Entry* a = docs->children()[0];
    Entry* b = doc->root()->children()[1];
    const auto bytes = [&] { return kxtest::innerList(doc->tree()); };
    const auto undo = [&] { doc->undo(); };
    const auto redo = [&] { doc->redo(); };
    std::vector<std::string> states{bytes()}; // 0: as read
    ASSERT_NE(states[0].find(std::string("old\0tail", 8)), std::string::npos);
    const struct {
        const char* what;
        std::function<void()> run;
        std::size_t state; // a new state when it is the next number
        bool modified;
    } steps[] = {
        {"mark a file", [&] { doc->mark({a}, MarkCommand::Needed); }, 1, true},
        {"mark a folder and its subtree",
         [&] {
             doc->mark({docs, b}, MarkCommand::NotNeeded);
         },
         2, true},
        {"comment", [&] { doc->setComment(a, "new"); }, 3, true},
        {"clear an unmarked folder: no step", [&] { doc->mark({doc->root()}, MarkCommand::Clear); },
         3, true},
        {"undo the comment: its old field whole", undo, 2, true},
        {"undo the subtree in one step", undo, 1, true},
        {"undo to the state read", undo, 0, false},
        {"nothing left to undo", undo, 0, false},
        {"redo", redo, 1, true},
        {"redo", redo, 2, true},
        {"save", [&] { ASSERT_TRUE(doc->save({})); }, 2, false},
        {"undo below the save", undo, 1, true},
        {"redo to the saved state", redo, 2, false},
        {"redo past it", redo, 3, true},
        {"nothing left to redo", redo, 3, true},
        {"undo twice", [&] { undo(), undo(); }, 1, true},
        {"a new step drops the ones after it, the saved state too",
         [&] { doc->setComment(b, "b"); }, 4, true},
        {"undo", undo, 1, true},
        {"redo", redo, 4, true},
        {"undo all: the saved state is out of reach", [&] { undo(), undo(), undo(); }, 0, true},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        s.run();
        if (s.state == states.size()) {
            EXPECT_EQ(std::count(states.begin(), states.end(), bytes()), 0);
            states.push_back(bytes());
        } else {
            ASSERT_LT(s.state, states.size());
            EXPECT_TRUE(bytes() == states[s.state]); // (their dump would be thousands of NULs)
        }
        EXPECT_EQ(doc->modified(), s.modified);
    }
}

// Each way an open fails has its code; `readStarted` tells a refused archive from a list whose
// reading had begun.
TEST(DocumentTest, FailedOpensSayWhy) {
    QTemporaryDir dir;
    const std::string notZip = path(dir, "text.kx");
    kxtest::writeFile(notZip, "just some text, not an archive");
    const std::string empty = path(dir, "empty.kx");
    kxtest::writeFile(empty, kxtest::zipOf("empty", ""));
    const std::string broken = path(dir, "broken.kx");
    kxtest::writeFile(broken, kxtest::zipOf("broken", kxtest::header("h") + std::string(44, 'x')));
    struct Case {
        std::string path;
        ErrorCode code;
        bool readStarted;
    } cases[] = {
        {notZip, ErrorCode::notZip, false},
        {empty, ErrorCode::emptyList, false},
        {broken, ErrorCode::brokenList, true},
        {path(dir, "missing.kx"), ErrorCode::notFound, false},
        {dir.path().toStdString(), ErrorCode::notRegularFile, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        bool readStarted = false;
        try {
            Document::open(c.path, &readStarted);
            ADD_FAILURE() << "opened";
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), c.code) << e.what();
            EXPECT_EQ(readStarted, c.readStarted);
        }
    }
}

} // namespace
} // namespace kx
