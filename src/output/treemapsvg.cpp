// The treemap as SVG text.
#include "output/treemapsvg.h"

#include "listfile/exactname.h"
#include "output/exportfile.h"
#include "query/belowroot.h"
#include "query/filetypes.h"

#include <charconv>
#include <cstdio>

namespace kx::out {

namespace {

// Text that XML takes as it is: valid UTF-8 (what is not becomes U+FFFD), no control characters,
// the markup characters escaped.
std::string xmlText(const std::string& utf8) {
    const QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    std::string out;
    for (const char c : text.toUtf8().toStdString()) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out += "\xEF\xBF\xBD";
            else
                out += c;
        }
    }
    return out;
}

std::string hex(std::uint32_t rgb) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%06x", unsigned(rgb & 0xffffff));
    return buf;
}

// Two decimals with a point whatever the locale.
std::string num(double v) {
    char buf[64];
    const auto end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2).ptr;
    return std::string(buf, end);
}

constexpr double kCharWidth = 6.5;

} // namespace

std::uint32_t typeColour(const Entry& file) {
    std::string lowered;
    return typeGroupColour(typeGroupOf(extensionOf(file, lowered)));
}

std::string fittedName(const std::string& name, double width) {
    const QString text = QString::fromUtf8(name.data(), qsizetype(name.size()));
    const qsizetype fits = qsizetype((width - 4) / kCharWidth);
    if (fits < 1) return {};
    if (text.size() <= fits) return name;
    return (text.left(fits - 1) + QChar(0x2026)).toStdString();
}

std::string sizeTitle(const std::string& path, std::uint64_t bytes) {
    return path + " \xE2\x80\x94 " + std::to_string(bytes) + " B";
}

void describeEntries(TreemapPicture& p, const EntryTree& tree,
                     const std::vector<std::uint64_t>& bytes,
                     std::function<std::uint32_t(const Entry&)> fileColour) {
    const EntryTree* t = &tree;
    const std::vector<std::uint64_t>* b = &bytes;
    p.fill = [t, fileColour](const TreemapCell& c) { return fileColour(*t->at(c.id)); };
    p.name = [t](const TreemapCell& c) { return nameUtf8(*t->at(c.id)); };
    p.title = [t, b](const TreemapCell& c) {
        const Entry* e = t->at(c.id);
        return sizeTitle(pathBelowRoot(e, NameForm::shown, separatorOf(e)), (*b)[c.id]);
    };
}

bool hasRoomForName(const TreemapCell& cell) {
    return cell.folder ? cell.named : cell.rect.w >= 40 && cell.rect.h >= 14;
}

std::string treemapSvg(const TreemapPicture& p) {
    const TreemapColours& c = p.colours;
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      num(p.width) + "\" height=\"" + num(p.height) + "\" viewBox=\"0 0 " +
                      num(p.width) + ' ' + num(p.height) +
                      "\" font-family=\"sans-serif\" font-size=\"11\">\n";
    out += "<rect x=\"0\" y=\"0\" width=\"" + num(p.width) + "\" height=\"" + num(p.height) +
           "\" fill=\"" + hex(c.background) + "\"/>\n";
    if (p.cells && p.fill) {
        for (const TreemapCell& cell : *p.cells) {
            const TreemapRect& r = cell.rect;
            if (r.w * r.h < 0.25) continue; // less than a quarter of a pixel
            const std::uint32_t fill = cell.folder ? c.folder : p.fill(cell);
            out += "<rect x=\"" + num(r.x) + "\" y=\"" + num(r.y) + "\" width=\"" + num(r.w) +
                   "\" height=\"" + num(r.h) + "\" fill=\"" + hex(fill) + "\" stroke=\"" +
                   hex(c.line) + "\" stroke-width=\"0.5\"><title>" + xmlText(p.title(cell)) +
                   "</title></rect>\n";
            const std::string name =
                hasRoomForName(cell) ? fittedName(p.name(cell), r.w) : std::string();
            if (!name.empty())
                out += "<text x=\"" + num(r.x + 3) + "\" y=\"" + num(r.y + 12) + "\" fill=\"" +
                       hex(c.text) + "\">" + xmlText(name) + "</text>\n";
        }
    }
    out += "</svg>\n";
    return out;
}

void writePictureFile(const QString& path, const QString& protectedPath, std::string_view bytes) {
    writeExportFile(path, protectedPath, [&](ByteSink& sink) {
        sink.write(bytes.data(), bytes.size());
        return true;
    });
}

} // namespace kx::out
