// Small lists for tests.
#include "fixtures.h"

#include "listfile/innerlist.h"
#include "listfile/listfile.h"
#include "listfile/scan.h"

#include <zlib.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kxtest {

namespace {
void put32(std::string& s, std::size_t off, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[off + i] = char(v >> (8 * i));
}
void app16(std::string& s, std::uint32_t v) {
    s.push_back(char(v));
    s.push_back(char(v >> 8));
}
void app32(std::string& s, std::uint32_t v) {
    app16(s, v & 0xFFFF);
    app16(s, v >> 16);
}

void appendNode(std::string& out, const Node& n, std::int32_t depth) {
    std::string r = record(n.name, n.kind, std::int32_t(n.children.size()) - 1, n.attributes,
                           n.size, n.comment, n.mark, n.crossedOut);
    put32(r, kx::rec::depth, std::uint32_t(depth));
    out += r;
    for (const auto& c : n.children)
        appendNode(out, c, depth + 1);
}
} // namespace

std::string record(std::string_view name, char kind, std::int32_t lastChild,
                   std::uint8_t attributes, std::uint64_t size, std::string_view comment,
                   std::uint8_t mark, std::uint8_t crossedOut, std::string_view created,
                   std::string_view changed) {
    std::string r(kx::kRecordSize, '\0');
    r.replace(kx::rec::name, std::min<std::size_t>(name.size(), 255), name.substr(0, 255));
    r.replace(kx::rec::comment, std::min<std::size_t>(comment.size(), 254), comment.substr(0, 254));
    r.replace(kx::rec::created, std::min<std::size_t>(created.size(), 27), created.substr(0, 27));
    r.replace(kx::rec::changed, std::min<std::size_t>(changed.size(), 27), changed.substr(0, 27));
    r[kx::rec::kind] = kind;
    r[kx::rec::attributes] = char(attributes);
    std::uint8_t ext[10];
    kx::uint64ToExtended(size, ext);
    r.replace(kx::rec::size, 10, reinterpret_cast<const char*>(ext), 10);
    r[kx::rec::crossedOut] = char(crossedOut);
    r[kx::rec::mark] = char(mark);
    put32(r, kx::rec::lastChild, std::uint32_t(lastChild));
    return r;
}

std::string header(std::string_view text) {
    std::string h(kx::kHeaderSize, '\0');
    h.replace(0, text.size(), text);
    return h;
}

Node folder(std::string name, std::vector<Node> children) {
    Node n;
    n.name = std::move(name);
    n.kind = 'D';
    n.children = std::move(children);
    return n;
}

Node file(std::string name, std::uint64_t size, std::uint8_t attributes) {
    Node n;
    n.name = std::move(name);
    n.size = size;
    n.attributes = attributes;
    return n;
}

std::string innerList(const Node& root, std::string_view headerText) {
    std::string out = header(headerText);
    appendNode(out, root, 0);
    return out;
}

std::unique_ptr<kx::EntryTree> tree(const Node& root, std::string_view headerText) {
    const std::string bytes = innerList(root, headerText);
    kx::MemorySource src(bytes.data(), bytes.size());
    return kx::readInnerList(src);
}

void writeListFile(const std::string& path, const Node& root, std::string_view headerText,
                   bool keepRootName) {
    auto t = tree(root, headerText);
    std::remove(path.c_str());
    kx::writeNewListFile(*t, path, keepRootName);
}

std::string zipOf(std::string_view name, std::string_view data, int method) {
    std::string payload(data);
    if (method == 8) {
        z_stream z{};
        deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        std::string out(deflateBound(&z, uLong(data.size())) + 16, '\0');
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        z.avail_in = uInt(data.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = uInt(out.size());
        deflate(&z, Z_FINISH);
        out.resize(z.total_out);
        deflateEnd(&z);
        payload = out;
    }
    const std::uint32_t crc =
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size()));
    std::string z;
    app32(z, 0x04034B50);
    app16(z, 20);
    app16(z, 0);
    app16(z, std::uint32_t(method));
    app16(z, 0x6000); // 12:00:00
    app16(z, 0x5A21); // 2025-01-01
    app32(z, crc);
    app32(z, std::uint32_t(payload.size()));
    app32(z, std::uint32_t(data.size()));
    app16(z, std::uint32_t(name.size()));
    app16(z, 0);
    z += name;
    z += payload;
    const std::size_t cdOffset = z.size();
    app32(z, 0x02014B50);
    app16(z, 20);
    app16(z, 20);
    app16(z, 0);
    app16(z, std::uint32_t(method));
    app16(z, 0x6000);
    app16(z, 0x5A21);
    app32(z, crc);
    app32(z, std::uint32_t(payload.size()));
    app32(z, std::uint32_t(data.size()));
    app16(z, std::uint32_t(name.size()));
    app16(z, 0);
    app16(z, 0);
    app16(z, 0);
    app16(z, 0);
    app32(z, 0x20);
    app32(z, 0);
    z += name;
    const std::size_t cdSize = z.size() - cdOffset;
    app32(z, 0x06054B50);
    app16(z, 0);
    app16(z, 0);
    app16(z, 1);
    app16(z, 1);
    app32(z, std::uint32_t(cdSize));
    app32(z, std::uint32_t(cdOffset));
    app16(z, 0);
    return z;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

} // namespace kxtest
