#include "termsim/BmpPicture.h"

#include <bit>
#include <cstdlib>

namespace termsim {

namespace {

uint32_t le(std::span<const uint8_t> data, size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | data[at + static_cast<size_t>(i)];
    return value;
}

// One colour channel of a 16- or 32-bit pixel, scaled to 0..255.
uint32_t channel(uint32_t pixel, uint32_t mask) {
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const uint32_t top = mask >> shift;
    return ((pixel & mask) >> shift) * 255 / top;
}

}  // namespace

std::optional<GrayImage> decodeBmp(std::span<const uint8_t> data) {
    constexpr size_t kHeaders = 14 + 40;
    if (data.size() < kHeaders || data[0] != 'B' || data[1] != 'M')
        return std::nullopt;
    const uint32_t pixelsAt = le(data, 10, 4);
    const uint32_t infoSize = le(data, 14, 4);
    const auto width = static_cast<int32_t>(le(data, 18, 4));
    const auto rawHeight = static_cast<int32_t>(le(data, 22, 4));
    const uint32_t bits = le(data, 28, 2);
    const uint32_t compression = le(data, 30, 4);
    const bool topDown = rawHeight < 0;
    const int64_t height = std::llabs(static_cast<int64_t>(rawHeight));
    // Bit fields (the colour masks after the 40-byte header) only for 16 and 32 bits.
    const bool masked = bits == 16 || bits == 32;
    if (infoSize < 40 || width <= 0 || width > kMaxPictureSide || height == 0 ||
        height > kMaxPictureSide || (compression != 0 && !(compression == 3 && masked)) ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) ||
        data.size() < kHeaders + 12)
        return std::nullopt;
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};  // red, green, blue of plain 16 bits
    if (compression == 3)
        masks[0] = le(data, 54, 4), masks[1] = le(data, 58, 4), masks[2] = le(data, 62, 4);
    else if (bits == 32)
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    const size_t paletteAt = 14 + size_t{infoSize};
    // A palette may list fewer colours than the depth allows; an index past it is black.
    const uint32_t used = le(data, 46, 4);
    const size_t paletteSize = bits > 8                           ? 0
                               : used != 0 && used < (1u << bits) ? size_t{used}
                                                                  : size_t{1} << bits;
    if (pixelsAt > data.size() || stride * static_cast<size_t>(height) > data.size() - pixelsAt ||
        paletteAt + paletteSize * 4 > data.size())
        return std::nullopt;

    GrayImage image(width, static_cast<int>(height), 255);
    for (int y = 0; y < image.height(); ++y) {
        const size_t row = pixelsAt + stride * static_cast<size_t>(topDown ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const auto bit = static_cast<size_t>(x) * bits;
            uint32_t blue, green, red;
            if (bits <= 8) {
                const uint32_t index =
                    (data[row + bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                if (index >= paletteSize) {
                    image.set(x, y, 0);
                    continue;
                }
                const size_t colour = paletteAt + index * 4;
                blue = data[colour], green = data[colour + 1], red = data[colour + 2];
            } else if (masked) {
                const uint32_t pixel = le(data, row + bit / 8, static_cast<int>(bits / 8));
                red = channel(pixel, masks[0]);
                green = channel(pixel, masks[1]);
                blue = channel(pixel, masks[2]);
            } else {
                const size_t pixel = row + bit / 8;
                blue = data[pixel], green = data[pixel + 1], red = data[pixel + 2];
            }
            image.set(x, y, blackOrWhite(red, green, blue));
        }
    }
    return image;
}

}  // namespace termsim
