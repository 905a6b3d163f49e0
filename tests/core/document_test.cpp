// The open list without a window: open, the commands and their notifications, save, and the
// codes of a failed open.
#include "browser/document.h"

#include "common/fixtures.h"
#include "listfile/io/error.h"

#include <gtest/gtest.h>

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
    std::atomic<bool> abort{true};
    WriteProgress cancelled;
    cancelled.abort = &abort;
    EXPECT_FALSE(doc->save(cancelled));
    EXPECT_TRUE(doc->modified());
    EXPECT_EQ(kxtest::readFile(list), before);
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
