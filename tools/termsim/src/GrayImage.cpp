#include "termsim/GrayImage.h"

#include <algorithm>

namespace termsim {

GrayImage::GrayImage(int width, int height, uint8_t grey)
    : m_width(std::max(width, 0)),
      m_height(std::max(height, 0)),
      m_pixels(static_cast<size_t>(m_width) * static_cast<size_t>(m_height), grey) {}

uint8_t GrayImage::at(int x, int y) const {
    return m_pixels[static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)];
}

void GrayImage::set(int x, int y, uint8_t grey) {
    if (x >= 0 && y >= 0 && x < m_width && y < m_height)
        m_pixels[static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)] =
            grey;
}

void GrayImage::fill(int x, int y, int width, int height, uint8_t grey) {
    for (int row = std::max(y, 0); row < std::min(y + height, m_height); ++row)
        for (int column = std::max(x, 0); column < std::min(x + width, m_width); ++column)
            set(column, row, grey);
}

}  // namespace termsim
