// Archives made byte by byte and whole files read and written for tests.
#include "fixtures.h"

#include <zlib.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kxtest {

namespace {
void app16(std::string& s, std::uint32_t v) {
    s.push_back(char(v));
    s.push_back(char(v >> 8));
}
void app32(std::string& s, std::uint32_t v) {
    app16(s, v & 0xFFFF);
    app16(s, v >> 16);
}
} // namespace

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

std::optional<kx::ErrorCode> errorOf(const std::function<void()>& work) {
    try {
        work();
    } catch (const kx::Error& e) {
        return e.code();
    }
    return std::nullopt;
}

} // namespace kxtest
