// kxtool's commands on where the space goes: treemap (the picture as SVG) and types (files and
// bytes by type).
#include "kxtool_commands.h"
#include "kxtool_output.h"

#include "browser/document.h"
#include "browser/marks.h"
#include "output/treemapsvg.h"
#include "query/filetypes.h"

#include <QString>

#include <iostream>

namespace kxtool {

namespace {

const char* const kFolderHelp = "names below the root, separated by \"/\" or \"\\\"";

// The picture's side given to `option`, else `fallback`: 16 to 20000 pixels.
double sideOf(const CommandLine& line, const char* option, double fallback) {
    const char* const takes = "a whole number of pixels from 16 to 20000";
    const std::optional<std::uint64_t> side = numberOption(line, option, 20000, takes);
    if (side && *side < 16)
        line.usageError(std::string("--") + option + " takes " + takes + ", not \"" +
                        std::to_string(*side) + "\".");
    return side ? double(*side) : fallback;
}

} // namespace

// treemap LIST OUT [FOLDER] [--width W] [--height H] [--marks]
const Handler treemapCommand = {
    [](CommandLine& line) {
        line.about("Writes the treemap of the root folder or of FOLDER to OUT as SVG, as the "
                   "viewer's treemap\nwindow exports it: each file a rectangle whose area is its "
                   "share of the bytes, coloured\nby its type, each folder a frame with its name "
                   "where it fits.");
        line.argument("LIST", kListHelp);
        line.argument("OUT", "the SVG file to write");
        line.argument("FOLDER", kFolderHelp, Arity::optional);
        line.option("width", "W", "the picture's width in pixels (1200 when not given)");
        line.option("height", "H", "the picture's height in pixels (800 when not given)");
        line.flag("marks", "colours the files by their mark instead of their type");
    },
    [](const CommandLine& line) {
        const Words& args = line.arguments();
        const double width = sideOf(line, "width", 1200), height = sideOf(line, "height", 800);
        auto doc = kx::Document::open(args[0]);
        const kx::Entry* folder = folderNamed(*doc, args.size() == 3 ? &args[2] : nullptr);
        const std::vector<std::uint64_t> bytes = kx::subtreeBytes(folder->tree());
        const std::vector<kx::TreemapCell> cells =
            kx::layoutTreemap(folder, bytes, {0, 0, width, height});
        kx::out::TreemapPicture picture;
        picture.cells = &cells;
        picture.width = width;
        picture.height = height;
        kx::out::describeEntries(picture, folder->tree(), bytes,
                                 line.has("marks") ? kx::markFill : kx::out::typeColour);
        kx::out::writePictureFile(QString::fromStdString(args[1]), QString::fromStdString(args[0]),
                                  kx::out::treemapSvg(picture));
        return 0;
    },
};

// types LIST [FOLDER]
const Handler typesCommand = {
    [](CommandLine& line) {
        line.about("Prints rows GROUP, EXT, FILES, BYTES: the files below the root folder or "
                   "FOLDER and their\nbytes by extension (lower-cased; empty for none), most "
                   "bytes first. GROUP is one of\npictures, video, audio, documents, archives, "
                   "programs, other.");
        line.argument("LIST", kListHelp);
        line.argument("FOLDER", kFolderHelp, Arity::optional);
    },
    [](const CommandLine& line) {
        const Words& args = line.arguments();
        auto doc = kx::Document::open(args[0]);
        const kx::Entry* folder = folderNamed(*doc, args.size() == 2 ? &args[1] : nullptr);
        for (const kx::TypeRow& row : kx::sizesByType(folder).rows())
            std::cout << kx::typeGroupName(row.group) << '\t' << escaped(row.extension) << '\t'
                      << row.files.entries << '\t' << row.files.bytes << '\n';
        return 0;
    },
};

} // namespace kxtool
