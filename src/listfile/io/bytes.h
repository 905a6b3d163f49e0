// Where readers get their bytes and writers put them: a file, an archive's entry, memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kx {

// read() returns how many bytes it gave (0 at the end).
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::size_t read(void* into, std::size_t n) = 0;
    // Bytes that are still to come, when known; reading never allocates beyond what they allow.
    virtual std::uint64_t remaining() const = 0;
};

// write() takes all `n` bytes or throws Error.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(const void* data, std::size_t n) = 0;
};

} // namespace kx
