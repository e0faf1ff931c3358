#pragma once

#include <cstdint>
#include <string_view>

#include "termsim/GrayImage.h"

namespace termsim {

// A 5 x 7 pixel font for drawing Windows-1252 text into a picture.  A letter with an
// accent is its base letter with the mark drawn above (the cedilla below); a
// character without a glyph is drawn as "?".  Each glyph takes a cell of
// kCellWidth x kCellHeight pixels, times the scale: two rows for marks, seven for the
// glyph, two below it.
class PixelFont {
public:
    static constexpr int kCellWidth = 6;
    static constexpr int kCellHeight = 11;

    static int textWidth(std::string_view text, int scale);
    // `text` with the top-left corner of its first cell at (x, y).
    static void draw(GrayImage& image, int x, int y, std::string_view text, int scale,
                     uint8_t grey);
};

}  // namespace termsim
