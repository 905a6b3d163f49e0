// kxtool types and kxtool treemap: the rows by type, and the SVG picture whose rectangles hold
// the bytes in proportion.
#include "common/fixtures.h"
#include "common/qstringprint.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <map>

using namespace kxtest;

namespace {

struct ToolRun {
    int status;
    QString out, err;
};

ToolRun kxtool(const QStringList& args) {
    QProcess p;
    p.start(KXTOOL_PATH, args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// root > Фото > (a.JPG 3000, b.jpg 1000, Raw > c.nef 4000), film.mkv 8000, README 10, x.TXT 0
struct SpaceTool : ::testing::Test {
    QTemporaryDir dir;
    QString list = dir.path() + "/disk.kx";
    void SetUp() override {
        TreeBuilder b{"D:\\"};
        kx::Entry* photos = b.folder(b.root(), "\xD4\xEE\xF2\xEE");
        b.file(photos, "a.JPG", 3000).mark(1);
        b.file(photos, "b.jpg", 1000);
        b.file(b.folder(photos, "Raw"), "c.nef", 4000);
        b.file(b.root(), "film.mkv", 8000).mark(2);
        b.file(b.root(), "README", 10);
        b.file(b.root(), "x.TXT", 0);
        writeListFile(list.toStdString(), b.tree(), true);
    }
};

TEST_F(SpaceTool, TypesPrintsRowsByExtensionLargestFirst) {
    const ToolRun all = kxtool({"types", list});
    ASSERT_EQ(all.status, 0) << all.err.toStdString();
    // Equal bytes: more files first.
    EXPECT_EQ(all.out, "video\tmkv\t1\t8000\n"
                       "pictures\tjpg\t2\t4000\n"
                       "pictures\tnef\t1\t4000\n"
                       "other\t\t1\t10\n"
                       "documents\ttxt\t1\t0\n");
    const ToolRun below = kxtool({"types", list, QString::fromUtf8("Фото/Raw")});
    EXPECT_EQ(below.out, "pictures\tnef\t1\t4000\n");
    EXPECT_EQ(kxtool({"types", list, "Nowhere"}).status, 1);
}

struct SvgRect {
    double x, y, w, h;
    QString fill, title;
};

std::vector<SvgRect> rectsOf(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&f);
    std::vector<SvgRect> rects;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QStringLiteral("rect")) {
            const auto a = xml.attributes();
            rects.push_back({a.value("x").toDouble(),
                             a.value("y").toDouble(),
                             a.value("width").toDouble(),
                             a.value("height").toDouble(),
                             a.value("fill").toString(),
                             {}});
        } else if (xml.isStartElement() && xml.name() == QStringLiteral("title")) {
            rects.back().title = xml.readElementText();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return rects;
}

TEST_F(SpaceTool, TreemapWritesRectanglesInProportionToTheBytes) {
    const QString svg = dir.path() + "/map.svg";
    const ToolRun run = kxtool({"treemap", list, svg, "--width", "600", "--height", "400"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const std::vector<SvgRect> rects = rectsOf(svg);
    // The background, then one rectangle per Entry with bytes: Фото, film.mkv, README, and
    // inside Фото a.JPG, b.jpg, Raw, c.nef (README a sliver of half a pixel); x.TXT has none.
    ASSERT_EQ(rects.size(), 8u);
    std::map<QString, SvgRect> byName;
    for (std::size_t i = 1; i < rects.size(); ++i)
        byName[rects[i].title.section(QString::fromUtf8(" — "), 0, 0)] = rects[i];
    const struct {
        const char* path;
        double bytes;
    } top[] = {{"Фото", 8000}, {"film.mkv", 8000}, {"README", 10}};
    for (const auto& t : top) {
        SCOPED_TRACE(t.path);
        const SvgRect& r = byName.at(QString::fromUtf8(t.path));
        EXPECT_NEAR(r.w * r.h, 600.0 * 400.0 * t.bytes / 16010,
                    600.0 * 400.0 * t.bytes / 16010 * 0.01);
    }
    EXPECT_EQ(byName.at(QString::fromUtf8("Фото\\Raw\\c.nef")).title,
              QString::fromUtf8("Фото\\Raw\\c.nef — 4000 B"));
    EXPECT_EQ(byName.at("film.mkv").fill, "#e05050"); // video

    // Coloured by marks: film.mkv is marked not needed, a.JPG needed.
    ASSERT_EQ(kxtool({"treemap", list, svg, "--marks"}).status, 0);
    std::map<QString, QString> fills;
    for (const SvgRect& r : rectsOf(svg))
        fills[r.title.section(QString::fromUtf8(" — "), 0, 0)] = r.fill;
    EXPECT_EQ(fills["film.mkv"], "#dbd9d5");
    EXPECT_EQ(fills[QString::fromUtf8("Фото\\a.JPG")], "#c9f9cc");

    // A folder: only what is below it.
    ASSERT_EQ(kxtool({"treemap", list, svg, QString::fromUtf8("Фото\\Raw")}).status, 0);
    ASSERT_EQ(rectsOf(svg).size(), 2u);
}

TEST_F(SpaceTool, TreemapRefusesBadSizesAndTheListItself) {
    const QByteArray before = [&] {
        QFile f(list);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    for (const char* width : {"0", "15", "20001", "wide", "100px", "+100", " 100"})
        EXPECT_EQ(kxtool({"treemap", list, dir.path() + "/m.svg", "--width", width}).status, 2)
            << width;
    EXPECT_EQ(kxtool({"treemap", list, list}).status, 1);
    QFile f(list);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

} // namespace
