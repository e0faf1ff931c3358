#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Distinct, non-repeating-looking bytes so that a shifted or cut copy is noticed.
inline std::vector<uint8_t> pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<uint8_t>(seed + i * 13);
    return b;
}
