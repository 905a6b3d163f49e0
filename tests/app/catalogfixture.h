// The catalogue's tests through kxtool: kxtool run as a program, and two lists of two disks.
#pragma once

#include "common/fixtures.h"
#include "listfile/entry.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace kxtest {

struct ToolRun {
    int status;
    QString out, err;
};

inline ToolRun kxtool(const QStringList& args, const QProcessEnvironment& env = {}) {
    QProcess p;
    if (!env.isEmpty()) p.setProcessEnvironment(env);
    p.start(KXTOOL_PATH, args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// 1.5 as an 80-bit extended float: no whole number of bytes.
inline void oddSize(kx::Entry* e) {
    const std::uint8_t bytes[10] = {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F};
    e->patchRecord(kx::rec::size, bytes, sizeof bytes);
}

struct KxtoolCatalogTest : ::testing::Test {
    QTemporaryDir dir;
    QString db = dir.path() + "/cat.sqlite";
    QString a = dir.path() + "/a.kx", b = dir.path() + "/b.kx";

    void SetUp() override {
        // Files before folders at the root and below it (the search brings folders forward),
        // Cyrillic names for the code page's case folding, odd dates and sizes, marks, comments.
        TreeBuilder ta{"D:\\"};
        kx::Entry* const top = ta.root();
        ta.file(top, "readme.txt", 100);
        kx::Entry* photos = ta.folder(top, "\xD4\xEE\xF2\xEE"); // "Фото"
        ta.file(photos, "b.jpg", 2048).mark(1).comment("keep this");
        ta.file(photos, "\xF4\xEE\xF2\xEE.JPG", 4096).dates("", "yesterday");
        kx::Entry* deep = ta.folder(photos, "jpg album");
        ta.file(deep, "c.jpg", 2048).attributes(kx::damaged);
        oddSize(ta.file(deep, "half.bin", 1));
        ta.folder(top, "Empty");
        ta.tree().headerText = "disk A";
        writeListFile(a.toStdString(), ta.tree(), true);

        TreeBuilder tb{"E:\\"};
        tb.tree().headerText = "disk B";
        kx::Entry* backup = tb.folder(tb.root(), "backup");
        tb.file(backup, "b.jpg", 2048);
        tb.file(backup, "readme.txt", 99);
        tb.folder(backup, "\xF4\xEE\xF2\xEE"); // "фото"
        tb.file(tb.root(), "big.iso", 5000000).mark(2);
        writeListFile(b.toStdString(), tb.tree(), true);
    }
    ToolRun cat(const QStringList& args) {
        return kxtool(QStringList{"catalog", "--db", db} + args);
    }
};

} // namespace kxtest
