#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Byte helpers shared by the termlink tests.
inline int32_t readLe32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}

// Distinct, non-repeating-looking bytes so that a shifted or cut copy is noticed.
inline std::vector<uint8_t> pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<uint8_t>(seed + i * 13);
    return b;
}
