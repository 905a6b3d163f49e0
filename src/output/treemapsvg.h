// The treemap as a picture in SVG: what the treemap window paints, written as text, so that the
// window's export and kxtool give the same file.
#pragma once

#include "listfile/entry.h"
#include "query/treemap.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kx::out {

// The colours of a treemap, each 0xRRGGBB.
struct TreemapColours {
    std::uint32_t background = 0xffffff;
    std::uint32_t folder = 0xe8e8e8; // a folder's frame and name strip
    std::uint32_t line = 0x606060;   // the edges of the cells
    std::uint32_t text = 0x000000;
    static TreemapColours light() { return {}; }
    static TreemapColours dark() { return {0x202020, 0x3a3a3a, 0x101010, 0xf0f0f0}; }
};

// A file's colour by its type group (query/filetypes.h).
std::uint32_t typeColour(const Entry& file);

// What a treemap shows, for the window and the SVG alike: the cells, and per cell its fill (a
// folder's is colours.folder), its name and its hover text.
struct TreemapPicture {
    const std::vector<TreemapCell>* cells = nullptr;
    double width = 0, height = 0;
    TreemapColours colours;
    std::function<std::uint32_t(const TreemapCell&)> fill;
    std::function<std::string(const TreemapCell&)> name, title;
};

// The fill, names and titles of cells that layoutTreemap made over `tree` with `bytes`: the names
// as shown, the titles the path below the root and the bytes, files filled by `fileColour`. The
// tree and the bytes must outlive the picture.
void describeEntries(TreemapPicture& p, const EntryTree& tree,
                     const std::vector<std::uint64_t>& bytes,
                     std::function<std::uint32_t(const Entry&)> fileColour = typeColour);

// Whether a cell shows its name: a folder with a name strip, a file of 40 by 14 pixels or more.
bool hasRoomForName(const TreemapCell& cell);
// What the picture writes in a cell of `width` pixels: the name, cut to what fits (about 6.5
// pixels per character), with "…" where it was cut; empty when not even one character fits.
std::string fittedName(const std::string& name, double width);
// A hover text: the path and the bytes.
std::string sizeTitle(const std::string& path, std::uint64_t bytes);

// The SVG document: the background, one rectangle per cell of a quarter of a pixel or more (with
// its title), and the names that fit.
std::string treemapSvg(const TreemapPicture& picture);

// Writes a picture's bytes (SVG text, a PNG image) to a file as the exports write theirs
// (writeExportFile), never over `protectedPath`.
void writePictureFile(const QString& path, const QString& protectedPath, std::string_view bytes);

} // namespace kx::out
