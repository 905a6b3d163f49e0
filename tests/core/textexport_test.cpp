// Tests of the text export: the lines, the progress and abort, the export file and its name.
#include "common/fixtures.h"
#include "common/qstringprint.h"
#include "common/treebuilder.h"
#include "output/textexport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

using kx::ErrorCode;
using kxtest::TreeBuilder;

namespace {

std::string exportText(const kx::Entry* root) {
    kx::StringSink sink;
    EXPECT_TRUE(kx::out::writeExportLines(root, sink, {}));
    return sink.data();
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// a.txt; Sub\x.txt; b.txt
struct ExampleTree : TreeBuilder {
    ExampleTree() {
        file(root(), "a.txt");
        file(folder(root(), "Sub"), "x.txt");
        file(root(), "b.txt");
    }
};

} // namespace

TEST(ExportLines, ExampleTreeGivesFiveLinesByteForByte) {
    ExampleTree t;
    EXPECT_EQ(exportText(t.root()), "a.txt\r\n\r\nSub\\x.txt\r\n\r\nb.txt\r\n");
}

TEST(ExportLines, Cases) {
    {
        TreeBuilder t; // empty tree: empty file
        EXPECT_EQ(exportText(t.root()), "");
    }
    {
        TreeBuilder t; // first child a folder; a folder without files adds nothing; deep paths
        kx::Entry* a = t.folder(t.root(), "A");
        t.folder(a, "Empty");
        t.file(t.folder(a, "B"), "f");
        t.file(a, "g");
        EXPECT_EQ(exportText(t.root()), "\r\nA\\B\\f\r\n\r\nA\\g\r\n");
    }
    {
        TreeBuilder t; // flags: damaged, crossedOut exactly 1, both; crossedOut 2 gives none
        t.file(t.root(), "d").attributes(kx::damaged);
        t.file(t.root(), "c").crossedOut(1);
        t.file(t.root(), "dc").attributes(kx::damaged | kx::readOnly).crossedOut(1);
        t.file(t.root(), "c2").crossedOut(2);
        t.file(t.root(), "h").attributes(kx::hidden);
        EXPECT_EQ(exportText(t.root()), "*d\r\n*c\r\n**dc\r\nc2\r\nh\r\n");
    }
    {
        TreeBuilder t; // names are written as stored, not re-encoded (cp1251 "Папка\файл")
        t.file(t.folder(t.root(), "\xCF\xE0\xEF\xEA\xE0"), "\xF4\xE0\xE9\xEB");
        EXPECT_EQ(exportText(t.root()), "\r\n\xCF\xE0\xEF\xEA\xE0\\\xF4\xE0\xE9\xEB\r\n");
        // The same lines in UTF-8, an exact name as it is shown; the flags and the "\\" stay.
        t.file(t.root(), "x").systemName("☃").attributes(kx::damaged);
        kx::StringSink utf8;
        EXPECT_TRUE(kx::out::writeExportLines(t.root(), utf8, {}, kx::NameForm::shown));
        EXPECT_EQ(utf8.data(), "\r\nПапка\\файл\r\n\r\n*☃\r\n");
    }
}

TEST(ExportLines, ReportsEachEntryAndStopsWhenTold) {
    ExampleTree t;
    kxtest::ProgressLog log;
    kx::StringSink all;
    EXPECT_TRUE(kx::out::writeExportLines(t.root(), all, log.callback()));
    EXPECT_EQ(log.done, (std::vector<std::uint64_t>{1, 2, 3, 4})); // a.txt, Sub, x.txt, b.txt
    EXPECT_EQ(log.total, 4u);

    kxtest::ProgressLog stop{{}, 0, 3}; // told before x.txt
    kx::StringSink part;
    EXPECT_FALSE(kx::out::writeExportLines(t.root(), part, stop.callback()));
    EXPECT_EQ(stop.done.size(), 3u);
    EXPECT_EQ(part.data(), "a.txt\r\n");
}

TEST(ExportFile, TruncatesAnExistingFileAndAppendsNothingElse) {
    QTemporaryDir dir;
    const QString path = dir.filePath("out.txt");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'z'));
    old.close();

    ExampleTree t;
    EXPECT_TRUE(kx::out::exportToFile(t.root(), path, {}));
    EXPECT_EQ(readAll(path), QByteArray("a.txt\r\n\r\nSub\\x.txt\r\n\r\nb.txt\r\n"));
}

TEST(ExportFile, AbortedExportLeavesThePartialFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("part.txt");
    ExampleTree t;
    kxtest::ProgressLog stop{{}, 0, 2};
    EXPECT_FALSE(kx::out::exportToFile(t.root(), path, stop.callback()));
    EXPECT_EQ(readAll(path), QByteArray("a.txt\r\n"));
}

TEST(ExportFile, FailuresAreReportedAndWhatIsNoRegularFileIsLeftAlone) {
    ExampleTree t;
    QTemporaryDir dir;
    struct Case {
        QString path;
        ErrorCode code;
    };
    std::vector<Case> cases = {
        {dir.filePath("no/such/folder/x.txt"), ErrorCode::exportCreateFailed},
        {dir.path(), ErrorCode::exportNotRegularFile},
    };
    if (QFile::exists("/dev/full")) // a device is never written to
        cases.push_back({"/dev/full", ErrorCode::exportNotRegularFile});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        try {
            kx::out::exportToFile(t.root(), c.path, {});
            ADD_FAILURE() << "no error";
        } catch (const kx::Error& e) {
            EXPECT_EQ(e.code(), c.code);
            EXPECT_EQ(e.path(), c.path.toStdString()); // the file chosen is named
        }
    }
}

TEST(ExportFile, ExportLargerThanTheBufferIsWrittenWhole) {
    TreeBuilder t;
    kx::Entry* sub = t.folder(t.root(), "folder with a longer name");
    for (int i = 0; i < 5000; ++i)
        t.file(i % 2 ? sub : t.root(), "file number " + std::to_string(i) + ".dat");
    QTemporaryDir dir;
    const QString path = dir.filePath("big.txt");
    EXPECT_TRUE(kx::out::exportToFile(t.root(), path, {}));
    const std::string expected = exportText(t.root());
    ASSERT_GT(expected.size(), 150000u); // more than two buffers full
    EXPECT_EQ(readAll(path).toStdString(), expected);
}

TEST(ExportNames, ProposedNameAndTxtExtension) {
    const struct {
        const char* in;
        const char* proposed;
        const char* chosen;
    } cases[] = {
        {"disk.kx", "disk.txt", "disk.kx"},
        {"my.list.kx", "my.list.txt", "my.list.kx"},
        {"disk", "disk.txt", "disk.txt"},
        {"report.csv", "report.txt", "report.csv"},
        {"report.", "report.txt", "report.txt"},
        {".kx", ".kx.txt", ".kx.txt"},
        {"/home/u/v1.2/disk", "/home/u/v1.2/disk.txt", "/home/u/v1.2/disk.txt"},
        {"/home/u/v1.2/disk.kx", "/home/u/v1.2/disk.txt", "/home/u/v1.2/disk.kx"},
        {"Диск.kx", "Диск.txt", "Диск.kx"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(kx::out::proposedExportName(QString::fromUtf8(c.in)),
                  QString::fromUtf8(c.proposed));
        EXPECT_EQ(kx::out::withTxtExtension(QString::fromUtf8(c.in)), QString::fromUtf8(c.chosen));
    }
}
