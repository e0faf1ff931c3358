#pragma once

#include <cstdint>
#include <vector>

namespace termsim {

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
