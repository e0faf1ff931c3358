#pragma once

#include <cstdint>
#include <vector>

#include "termsim/GrayImage.h"

namespace termsim {

// The picture as a PNG file: 8-bit greyscale, one compressed data chunk.  Empty
// when zlib cannot compress it (out of memory).
std::vector<uint8_t> encodePng(const GrayImage& image);

}  // namespace termsim
