#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "termsim/GrayImage.h"

namespace termsim {

// What a terminal shows of JPEG data (the program sends the shop's JPEG files as they
// are): the picture decoded by libjpeg-turbo, each pixel made black or white as in a
// BMP.  Nothing for data it cannot decode, or beyond kMaxPictureSide pixels a side
// (refused from the header, before any pixel memory is taken); a file cut short
// decodes as far as it goes.
std::optional<GrayImage> decodeJpeg(std::span<const uint8_t> data);

}  // namespace termsim
