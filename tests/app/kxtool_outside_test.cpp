// What kxtool writes for programs outside: whole paths in the root's own style, the text export
// in UTF-8.
#include "app/catalogfixture.h"
#include "listfile/codepage.h"

#include <gtest/gtest.h>

using namespace kxtest;

namespace {

struct KxtoolOutsideTest : KxtoolCatalogTest {
    QString p(const QString& name) const { return dir.path() + "/" + name; }
};

} // namespace

// find --paths prints whole paths a shell or a file manager takes: "/" below a POSIX root, "\"
// below a drive (escaped as every cell is). The CSV's paths follow the same style.
TEST_F(KxtoolOutsideTest, WholePathsInTheRootsStyle) {
    TreeBuilder t{"/home/me/disks/usbA"};
    kx::Entry* music = t.folder(t.root(), "My Music");
    t.file(music, "Song.mp3", 10).dates("10.12.2026 20:52:30", "");
    const QString posix = p("usbA.kx");
    writeListFile(posix.toStdString(), t.tree(), true);
    const struct {
        QStringList args;
        QString out;
    } cases[] = {
        {{"find", posix, "song", "--paths"}, "/home/me/disks/usbA/My Music/Song.mp3\n"},
        {{"find", posix, "--mark", "0", "--paths", "--limit", "1"},
         "/home/me/disks/usbA/My Music\n"},
        {{"find", a, "b.jpg", "--paths"}, QString::fromUtf8("D:\\\\Фото\\\\b.jpg\n")},
    };
    for (const auto& c : cases) {
        const ToolRun r = kxtool(c.args);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, c.out) << c.args.join(' ').toStdString();
    }
    ASSERT_EQ(kxtool({"export", posix, p("usbA.csv"), "--csv"}).status, 0);
    EXPECT_EQ(readFile(p("usbA.csv").toStdString()),
              "path,kind,size,created,changed,attributes,mark,comment\r\n"
              "My Music,D,0,2003-02-01 04:05:06,2009-08-07 10:11:12,,0,\r\n"
              "My Music/Song.mp3,F,10,2026-12-10 20:52:30,,,0,\r\n");
}

// export --utf8 writes the text export's very lines, converted from the list's code page.
TEST_F(KxtoolOutsideTest, TextExportInUtf8) {
    ASSERT_EQ(kxtool({"export", a, p("a.txt")}).status, 0);
    ASSERT_EQ(kxtool({"export", a, p("a8.txt"), "--utf8"}).status, 0);
    const std::string codePage = readFile(p("a.txt").toStdString());
    const std::string utf8 = readFile(p("a8.txt").toStdString());
    EXPECT_EQ(QString::fromStdString(utf8), kx::fromAnsi(codePage));
    EXPECT_NE(utf8.find("Фото\\b.jpg\r\n"), std::string::npos) << utf8;
    EXPECT_EQ(kxtool({"export", a, p("x.csv"), "--csv", "--utf8"}).status, 2);
}
