// The list file's ZIP container: what the pack writes, what the open accepts and refuses (and
// with which error code), and that opening never writes to the list file.
#include "common/fixtures.h"
#include "listfile/codepage.h"
#include "listfile/container.h"
#include "listfile/listfile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/stat.h>
#include <zlib.h>

using namespace kxtest;

namespace {

std::uint32_t u32(const std::string& s, std::size_t off) {
    return std::uint32_t(std::uint8_t(s[off])) | std::uint32_t(std::uint8_t(s[off + 1])) << 8 |
           std::uint32_t(std::uint8_t(s[off + 2])) << 16 |
           std::uint32_t(std::uint8_t(s[off + 3])) << 24;
}
std::uint16_t u16(const std::string& s, std::size_t off) {
    return std::uint16_t(std::uint8_t(s[off]) | std::uint8_t(s[off + 1]) << 8);
}
// Runs `f` and expects it to throw kx::Error with `code`.
template <class F> void expectError(kx::ErrorCode code, F&& f) {
    try {
        f();
        ADD_FAILURE() << "no error";
    } catch (const kx::Error& e) {
        EXPECT_EQ(e.code(), code) << e.what();
    }
}

void set32(std::string& s, std::size_t off, std::uint32_t v, int width = 4) {
    char bytes[4];
    for (int i = 0; i < width; ++i)
        bytes[i] = char(v >> (8 * i));
    s.replace(off, std::size_t(width), bytes, std::size_t(width));
}
// A copy of `s` with the `width` bytes at `off` set to `v`.
std::string patch(std::string s, std::size_t off, std::uint32_t v, int width = 4) {
    set32(s, off, v, width);
    return s;
}
// The bytes after the end record (a writer's padding).
std::size_t bytesAfterEnd(const std::string& zip) {
    return zip.size() - zip.rfind(std::string("PK\5\6", 4)) - 22;
}

// Python's zipfile writing "disk" deflated into `out` (a file name or a stream) through
// ZipFile.open with `openArgs`; into a stream that cannot seek it writes a data descriptor.
std::string pythonZip(const std::string& out, const std::string& openArgs) {
    return "python3 -c \"import sys, zipfile\n"
           "with zipfile.ZipFile(" +
           out +
           ", 'w', zipfile.ZIP_DEFLATED) as z:\n"
           "    with z.open('disk', 'w'" +
           openArgs + ") as f:\n        f.write(open('disk', 'rb').read())\"";
}

// C:\Data holding a.txt (10 bytes) and Sub\x.txt (5000 bytes).
TreeBuilder sampleTree() {
    TreeBuilder b{"C:\\Data"};
    b.file(b.root(), "a.txt", 10);
    b.file(b.folder(b.root(), "Sub"), "x.txt", 5000);
    return b;
}

struct ContainerTest : ::testing::Test {
    QTemporaryDir dir;
    std::string path(const std::string& name) const {
        return dir.path().toStdString() + "/" + name;
    }
    const TreeBuilder built = sampleTree();
    const kx::EntryTree& sample = built.tree();

    // The archive that the shell `command` of a ZIP tool writes to x.kx, run in a folder that
    // holds `inner` as the file "disk".
    std::string madeBy(const std::string& command, const std::string& inner) const {
        const std::string folder = path("tool");
        QDir().mkpath(QString::fromStdString(folder));
        writeFile(folder + "/disk", inner);
        QFile::remove(QString::fromStdString(folder + "/x.kx"));
        EXPECT_EQ(std::system(("cd '" + folder + "' && " + command).c_str()), 0) << command;
        return readFile(folder + "/x.kx");
    }
};

} // namespace

TEST_F(ContainerTest, PackWritesTheDocumentedLayoutThatOtherReadersAccept) {
    const std::string list = path("disk.kx");
    writeListFile(list, sample);
    // Open, then save as the viewer does: the entry is named after the temporary list file.
    kx::ListContainer c;
    auto t = kx::openListFile(c, list);
    ASSERT_TRUE(kx::saveListFile(c, *t, list));
    const std::string zip = readFile(list);
    ASSERT_GT(zip.size(), 30u + 22u);
    EXPECT_EQ(u32(zip, 0), 0x04034B50u);
    EXPECT_EQ(u16(zip, 4), 20); // version needed
    EXPECT_EQ(u16(zip, 6), 0);  // flags: no data descriptor
    EXPECT_EQ(u16(zip, 8), 8);  // deflate
    const std::string name = zip.substr(30, u16(zip, 26));
    EXPECT_EQ(name, "~tmp~disk");
    const std::size_t n = name.size();
    EXPECT_EQ(u16(zip, 28), 2 * n + 12);
    EXPECT_EQ(u16(zip, 30 + n), 0x554E);
    EXPECT_EQ(zip.substr(30 + n + 4, 4), "NUCX");
    const std::size_t end = zip.size() - 22;
    EXPECT_EQ(u32(zip, end), 0x06054B50u);
    const std::size_t cd = u32(zip, end + 16);
    EXPECT_EQ(u32(zip, cd), 0x02014B50u);
    EXPECT_EQ(u16(zip, cd + 4), 20); // made by MS-DOS, 2.0
    EXPECT_EQ(u32(zip, cd + 38) & 0x20, 0x20u);

    // Real readers that no one here wrote.
    const std::string q = "'" + list + "'";
    EXPECT_EQ(std::system(("unzip -tq " + q + " >/dev/null").c_str()), 0);
    const std::string py = "python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); "
                           "assert z.testzip() is None; i=z.infolist(); assert len(i)==1; "
                           "assert len(z.read(i[0]))==256+4*600\" " +
                           q;
    EXPECT_EQ(std::system(py.c_str()), 0);
    // No temporary or working file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(ContainerTest, CyrillicEntryNameGoesThroughTheOemNameAndTheExtraField) {
    const QString cyr = QString::fromUtf8("Диск");
    const std::string list = path(cyr.toStdString() + ".kx");
    writeListFile(list, sample);
    kx::ListContainer c;
    auto t = kx::openListFile(c, list);
    ASSERT_TRUE(kx::saveListFile(c, *t, list));
    const std::string zip = readFile(list);
    const std::string expectedOem = kx::toOem(QString::fromUtf8("~tmp~Диск"));
    EXPECT_EQ(zip.substr(30, u16(zip, 26)), expectedOem);
    EXPECT_EQ(std::uint8_t(zip[30 + 5]), 0x84); // Д in IBM866
    const std::size_t extra = 30 + expectedOem.size();
    EXPECT_EQ(u32(zip, extra + 8), 9u); // nine UTF-16 units
    EXPECT_EQ(u16(zip, extra + 12 + 2 * 5), 0x0414);
    // Python reads the name through its own decoding of the archive.
    EXPECT_EQ(std::system(("unzip -tq '" + list + "' >/dev/null").c_str()), 0);
}

TEST_F(ContainerTest, OpeningNeverWritesTheListFileAndReadOnlyListsOpen) {
    const std::string list = path("ro.kx");
    writeListFile(list, sample);
    const std::string before = readFile(list);
    ::chmod(list.c_str(), 0444);
    ::chmod(dir.path().toLocal8Bit().constData(), 0555);
    kx::ListContainer c;
    auto t = kx::openListFile(c, list);
    ::chmod(dir.path().toLocal8Bit().constData(), 0755);
    EXPECT_EQ(kx::countTree(t->root()).entries, 4u);
    EXPECT_EQ(readFile(list), before);
}

TEST_F(ContainerTest, AFolderNamedLikeTheBaseNameNamesTheEntryRelativeToTmp) {
    // The entry is named relative to TMP (else TEMP) when a folder named like the list's base
    // name lies beside it: the name is then the whole path of "~tmp~disk1" beside the list. With
    // neither set, the list's own folder names it.
    const std::string list = path("disk1.kx");
    QDir(dir.path()).mkdir("disk1");
    QTemporaryDir tmp;
    const std::string tmpPath = tmp.path().toStdString();
    struct Case {
        const char* env;
        std::string tmp, temp, name;
    };
    const Case cases[] = {
        {"TMP set", tmpPath, "", path("~tmp~disk1").substr(1)},
        {"TEMP set", "", tmpPath, path("~tmp~disk1").substr(1)},
        {"neither set", "", "", "~tmp~disk1"},
    };
    auto setEnv = [](const char* name, const QByteArray& value) {
        value.isEmpty() ? qunsetenv(name) : qputenv(name, value);
    };
    const QByteArray oldTmp = qgetenv("TMP"), oldTemp = qgetenv("TEMP");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.env);
        writeListFile(list, sample);
        setEnv("TMP", QByteArray::fromStdString(c.tmp));
        setEnv("TEMP", QByteArray::fromStdString(c.temp));
        kx::ListContainer container;
        auto t = kx::openListFile(container, list);
        ASSERT_TRUE(kx::saveListFile(container, *t, list));
        const std::string zip = readFile(list);
        EXPECT_EQ(zip.substr(30, u16(zip, 26)), c.name);
        EXPECT_TRUE(tmp.isValid() && QDir(tmp.path()).isEmpty());
    }
    setEnv("TMP", oldTmp);
    setEnv("TEMP", oldTemp);
}

TEST_F(ContainerTest, BaseNameAndEntryNameRules) {
    EXPECT_EQ(kx::baseName("/x/disk1.kx"), "disk1");
    EXPECT_EQ(kx::baseName("/x/a.kx.kx"), "a");
    EXPECT_EQ(kx::baseName("/x/noext"), "noext");
    EXPECT_EQ(kx::entryNameFor("/l/~tmp~disk", "/l/"), "~tmp~disk");
    EXPECT_EQ(kx::entryNameFor("/t/~tmp~disk", "/l/"), "t/~tmp~disk");
    EXPECT_EQ(kx::temporaryListPath(path("disk.kx")), path("~tmp~disk"));
}

TEST_F(ContainerTest, ArchivesOfOtherWritersAreRead) {
    const std::string inner = innerList(sample);
    for (int method : {0, 8}) {
        const std::string list = path("m" + std::to_string(method) + ".kx");
        writeFile(list, zipOf("whatever/name/../../etc", inner, method));
        kx::ListContainer c;
        auto t = kx::openListFile(c, list);
        EXPECT_EQ(kx::countTree(t->root()).entries, 4u);
    }
}

TEST_F(ContainerTest, ArchivesOfOtherZipToolsOpenWithTheirEntries) {
    // One row per layout these tools write. The central directory is the truth; the local header
    // may leave the CRC and sizes to a data descriptor after the data (zero, or ZIP64 zero), or
    // give them as ZIP64 values.
    struct Layout {
        const char* tool;
        std::string command;
        bool descriptor, localZip64, padded;
    };
    const Layout layouts[] = {
        {"bsdtar to a file: the local header holds the size only",
         "bsdtar -a -cf x.zip disk && "
         "mv x.zip x.kx",
         true, false, false},
        {"bsdtar to a pipe: the same, zero bytes up to 10,240",
         "bsdtar --format zip -cf - disk | "
         "cat > x.kx",
         true, false, true},
        {"Info-ZIP from a pipe to a pipe: ZIP64 zero sizes, ZIP64 descriptor",
         "cat disk | zip -q | cat > x.kx", true, true, false},
        {"Python streaming: CRC and sizes zero",
         pythonZip("sys.stdout.buffer", "") + " | cat > x.kx", true, false, false},
        {"Python force_zip64: ZIP64 sizes with their values",
         pythonZip("'x.kx'", ", force_zip64=True"), false, true, false},
    };
    const std::string inner = innerList(sample);
    for (const Layout& l : layouts) {
        SCOPED_TRACE(l.tool);
        const std::string zip = madeBy(l.command, inner);
        ASSERT_GT(zip.size(), 30u);
        EXPECT_EQ((u16(zip, 6) & 8) != 0, l.descriptor);
        EXPECT_EQ(u32(zip, 22) == 0xFFFFFFFF, l.localZip64);
        EXPECT_EQ(bytesAfterEnd(zip) > 0, l.padded);
        const std::string list = path("tool.kx");
        writeFile(list, zip);
        kx::ListContainer c;
        auto t = kx::openListFile(c, list);
        EXPECT_EQ(innerList(*t), inner);
        EXPECT_EQ(readFile(list), zip);
    }
}

TEST_F(ContainerTest, BadArchivesGiveTheirCodeAndLeaveTheFileAlone) {
    const std::string inner = innerList(sample);
    const std::string good = zipOf("e", inner, 8);
    const std::size_t cd = u32(good, good.size() - 22 + 16);
    const std::size_t end = good.size() - 22;
    using kx::ErrorCode;
    struct Case {
        const char* what;
        std::string bytes;
        ErrorCode code;
    };
    auto patched = [&](std::size_t off, std::uint32_t v, int width = 4) {
        return patch(good, off, v, width);
    };
    std::string two = good;
    two[end + 8] = 2;
    two[end + 10] = 2;
    std::string none = good;
    none[end + 8] = 0;
    none[end + 10] = 0;
    std::string crc = patched(14, 0xDEADBEEF);
    set32(crc, cd + 16, 0xDEADBEEF);
    std::string truncated = patched(18, u32(good, 18) / 2); // compressed data declared half as long
    set32(truncated, cd + 20, u32(good, 18) / 2);
    std::string bigSize = patched(22, 0x10000000);
    set32(bigSize, cd + 24, 0x10000000);
    // Layouts of other tools with one fault each. Python's ZIP64 local header holds the extra
    // field (id, length, size, compressed size) right after the four-byte name.
    const std::string zip64Local = madeBy(pythonZip("'x.kx'", ", force_zip64=True"), inner);
    const std::size_t zip64Size = 30 + 4 + 4;
    const std::string streamed = madeBy("bsdtar -a -cf x.zip disk && mv x.zip x.kx", inner);
    std::string padded = madeBy("bsdtar --format zip -cf - disk | cat > x.kx", inner);
    padded.back() = 1;
    const std::vector<Case> cases = {
        {"not a ZIP", "hello, this is not an archive at all", ErrorCode::notZip},
        {"empty file", "", ErrorCode::notZip},
        {"no entry", none, ErrorCode::notOneEntry},
        {"two entries", two, ErrorCode::notOneEntry},
        {"encrypted",
         [&] {
             auto s = patched(6, 1, 2);
             s[cd + 8] = 1;
             return s;
         }(),
         ErrorCode::encrypted},
        {"method 12",
         [&] {
             auto s = patched(8, 12, 2);
             s[cd + 10] = 12;
             return s;
         }(),
         ErrorCode::unsupportedMethod},
        {"truncated data", truncated, ErrorCode::damagedArchive},
        {"CRC mismatch", crc, ErrorCode::crcMismatch},
        {"declared size larger than the data", bigSize, ErrorCode::damagedArchive},
        {"comment length does not end the file", patched(end + 20, 5, 2), ErrorCode::notZip},
        {"a byte after the end record", good + "x", ErrorCode::notZip},
        {"padding that is not all zero", padded, ErrorCode::notZip},
        {"central directory larger than the file", patched(end + 12, 0x7FFFFFF0),
         ErrorCode::damagedArchive},
        {"local sizes zero without the descriptor flag", patch(patched(18, 0), 22, 0),
         ErrorCode::damagedArchive},
        {"descriptor flag, local size given but wrong", patch(streamed, 22, u32(streamed, 22) + 1),
         ErrorCode::damagedArchive},
        {"local ZIP64 size that disagrees",
         patch(zip64Local, zip64Size, u32(zip64Local, zip64Size) + 1), ErrorCode::damagedArchive},
        {"local ZIP64 size beyond 32 bits", patch(zip64Local, zip64Size + 4, 1), ErrorCode::zip64},
        {"local ZIP64 marker without the ZIP64 field", patch(zip64Local, 34, 0x9999, 2),
         ErrorCode::damagedArchive},
        {"Info-ZIP with -fz: ZIP64 directory and end record", madeBy("zip -q -fz x.kx disk", inner),
         ErrorCode::zip64},
        {"local header disagrees on method", patched(8, 0, 2), ErrorCode::damagedArchive},
        {"local header disagrees on CRC", patched(14, 1), ErrorCode::damagedArchive},
        {"ZIP64 marker", patched(end + 16, 0xFFFFFFFF), ErrorCode::zip64},
        {"disk number", patched(end + 4, 1, 2), ErrorCode::multiDisk},
        {"empty entry", zipOf("e", "", 8), ErrorCode::emptyList},
        {"inner list cut inside a record", zipOf("e", inner.substr(0, inner.size() - 1), 8),
         ErrorCode::brokenList},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string list = path("bad.kx");
        writeFile(list, c.bytes);
        kx::ListContainer container;
        try {
            kx::openListFile(container, list);
            ADD_FAILURE() << "opened";
        } catch (const kx::Error& e) {
            EXPECT_EQ(e.code(), c.code) << e.what();
            EXPECT_EQ(e.path(), list);
        }
        EXPECT_EQ(readFile(list), c.bytes);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1)
            << "no working file left";
    }
}

TEST_F(ContainerTest, ACentralDirectoryTooLargeForOneEntryIsRefusedBeforeItIsRead) {
    // 1 GiB, all a hole but for the end record, whose directory claims 768 MiB of it.
    const std::string good = zipOf("e", innerList(sample), 8);
    const std::string end = patch(patch(good.substr(good.size() - 22), 12, 0x30000000), 16, 0);
    const std::string list = path("huge.kx");
    QFile f(QString::fromStdString(list));
    const qint64 size = qint64(1) << 30;
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(size) && f.seek(size - 22) &&
                f.write(end.data(), 22) == 22);
    f.close();
    rusage before{}, after{};
    ::getrusage(RUSAGE_SELF, &before);
    kx::ListContainer c;
    expectError(kx::ErrorCode::damagedArchive, [&] { kx::openListFile(c, list); });
    ::getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "KiB more at the peak";
}

TEST_F(ContainerTest, ASaveIntoAFolderThatIsGoneFailsToCreate) {
    const std::string list = path("keep.kx");
    writeListFile(list, sample);
    kx::ListContainer c;
    auto t = kx::openListFile(c, list);
    expectError(kx::ErrorCode::createFailed,
                [&] { kx::saveListFile(c, *t, path("missing-folder/x.kx")); });
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(ContainerTest, WhatIsNotAListFileIsRefusedByCode) {
    const std::string fifo = path("fifo.kx");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    QDir(dir.path()).mkdir("folder.kx");
    const std::pair<std::string, kx::ErrorCode> cases[] = {
        {path("missing.kx"), kx::ErrorCode::notFound},
        {path("missing-folder/x.kx"), kx::ErrorCode::notFound},
        {path("folder.kx"), kx::ErrorCode::notRegularFile},
        {fifo, kx::ErrorCode::notRegularFile}, // refused at once, never waiting for a writer
    };
    for (const auto& [file, code] : cases) {
        SCOPED_TRACE(file);
        kx::ListContainer c;
        expectError(code, [&] { kx::openListFile(c, file); });
    }
}

TEST_F(ContainerTest, LargeListsReadOnAProducerThreadWithTheSameChecks) {
    // 40,000 files: a 24 MB inner list, inflated on the producer thread while the tree is built.
    TreeBuilder big{"D:\\big"};
    for (int i = 0; i < 40000; ++i)
        big.file(big.root(), "f" + std::to_string(i), std::uint64_t(i));
    const std::string inner = innerList(big.tree());
    const std::string list = path("big.kx");
    writeFile(list, zipOf("big", inner, 8));
    {
        kx::ListContainer c;
        auto t = kx::openListFile(c, list);
        EXPECT_EQ(t->entryCount(), 40001u);
        EXPECT_EQ(t->root()->children().back()->size(), 39999u);
        // Saved in pieces deflated side by side: one valid stream that others read too.
        ASSERT_TRUE(kx::saveListFile(c, *t, list));
        EXPECT_EQ(std::system(("unzip -tq '" + list + "' >/dev/null").c_str()), 0);
        kx::ListContainer again;
        EXPECT_EQ(kx::openListFile(again, list)->entryCount(), 40001u);

        // Cancelled at the last record, every round but the last packed: the list file keeps
        // its bytes and nothing is left beside it.
        const std::string before = readFile(list);
        ProgressLog cancel{{}, 0, 40001};
        EXPECT_FALSE(kx::saveListFile(c, *t, list, cancel.callback()));
        EXPECT_EQ(cancel.done.size(), 40001u);
        EXPECT_EQ(cancel.total, 40001u);
        EXPECT_EQ(readFile(list), before);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
    // A CRC that does not match, an inner list that breaks off, data cut short: each an error,
    // raised on the reading side, with the producer thread stopped cleanly.
    const std::string good = readFile(list);
    const std::size_t cd = u32(good, good.size() - 22 + 16);
    std::string badCrc = good;
    set32(badCrc, 14, u32(good, 14) ^ 1);
    set32(badCrc, cd + 16, u32(good, 14) ^ 1);
    std::string brokenTree = zipOf("big", inner.substr(0, inner.size() - 300), 8);
    std::string cut = good;
    set32(cut, 18, u32(good, 18) / 2);
    set32(cut, cd + 20, u32(good, 18) / 2);
    const std::pair<const std::string*, kx::ErrorCode> cases[] = {
        {&badCrc, kx::ErrorCode::crcMismatch},
        {&brokenTree, kx::ErrorCode::brokenList},
        {&cut, kx::ErrorCode::damagedArchive},
    };
    for (const auto& [bytes, code] : cases) {
        writeFile(list, *bytes);
        kx::ListContainer c;
        expectError(code, [&] { kx::openListFile(c, list); });
    }
}
