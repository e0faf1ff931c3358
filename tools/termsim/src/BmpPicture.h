#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "termsim/GrayImage.h"

namespace termsim {

// What a terminal shows of a picture's data: an uncompressed BMP (1, 4, 8, 16, 24 or
// 32 bits per pixel, colour masks included, up to kMaxPictureSide pixels a side) with
// each pixel made black or white, whichever is nearer.  Nothing for any other data.
std::optional<GrayImage> decodeBmp(std::span<const uint8_t> data);

}  // namespace termsim
