#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Fixed-layout records and frames are little-endian byte arrays, read and written
// field by field so the layout never depends on how the compiler packs a struct.
namespace tarifon::le {

inline uint16_t read16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline uint32_t read32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

inline int32_t readI32(const uint8_t* p) {
    return static_cast<int32_t>(read32(p));
}

inline void write16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void write32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// The field at `offset` of a span; a field past the end is a programming error
// (checked in debug builds).
inline uint32_t read32(std::span<const uint8_t> bytes, size_t offset) {
    return read32(bytes.subspan(offset, 4).data());
}

inline void write32(std::span<uint8_t> bytes, size_t offset, uint32_t v) {
    write32(bytes.subspan(offset, 4).data(), v);
}

inline void append16(std::vector<uint8_t>& out, uint16_t v) {
    out.resize(out.size() + 2);
    write16(out.data() + out.size() - 2, v);
}

inline void append32(std::vector<uint8_t>& out, uint32_t v) {
    out.resize(out.size() + 4);
    write32(out.data() + out.size() - 4, v);
}

}  // namespace tarifon::le
