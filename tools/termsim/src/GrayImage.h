#pragma once

#include <cstdint>
#include <vector>

namespace termsim {

// Pictures are decoded up to this many pixels a side, whatever a header claims.
inline constexpr int kMaxPictureSide = 4096;

// A colour as the terminal's black-and-white screen shows it: whichever is nearer.
inline uint8_t blackOrWhite(uint32_t red, uint32_t green, uint32_t blue) {
    return red + green + blue < 383 ? 0 : 255;  // nearer black: below 382.5
}

// An 8-bit grey picture, row after row from the top: 0 is black, 255 white.
class GrayImage {
public:
    GrayImage(int width, int height, uint8_t grey);

    int width() const { return m_width; }
    int height() const { return m_height; }
    const std::vector<uint8_t>& pixels() const { return m_pixels; }
    uint8_t at(int x, int y) const;

    // Points outside the picture are left out, so drawings are cut at its edges.
    void set(int x, int y, uint8_t grey);
    void fill(int x, int y, int width, int height, uint8_t grey);

private:
    int m_width;
    int m_height;
    std::vector<uint8_t> m_pixels;
};

}  // namespace termsim
