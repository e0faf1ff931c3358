#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>

#include "base/Result.h"
#include "termsim/GrayImage.h"
#include "wire/Wire.h"

namespace termsim {

namespace wire = termlink::wire;

// What a terminal was given to show, drawn as one picture a person can look at: the
// last display message as its two lines on a 128 x 64 screen, then each picture in
// the order it came with its six numbers and kind, every screen at twice its size.
// A BMP shows its top-left 128 x 64 pixels (the program's own pictures are that size);
// a JPEG, which the program sends as the shop's file of any size, is stretched over
// the screen as the program's preview stretches it.  Other data is shown as a grey
// screen saying what it is.  Only the most recent kMaxPictures are kept.
class DisplaySheet {
public:
    static constexpr size_t kMaxPictures = 64;

    // Texts in Windows-1252, as on the wire.
    void showMessage(const wire::DisplayMsg& message);
    void addPicture(const wire::Picture& picture);
    GrayImage render() const;
    // render() as a PNG file, replaced atomically so a viewer never sees half of it.
    tarifon::Result<void> writePng(const std::filesystem::path& path) const;

private:
    struct Received {
        unsigned number;
        wire::Picture picture;
        // The screen it gives, decoded at its first render: a sheet is drawn again for
        // every picture that comes.
        mutable bool decoded = false;
        mutable std::optional<GrayImage> screen;
    };
    void drawPicture(GrayImage& sheet, int x, int y, const Received& received) const;
    void drawMessage(GrayImage& sheet, int x, int y) const;

    std::optional<wire::DisplayMsg> m_message;
    std::deque<Received> m_pictures;
    unsigned m_received = 0;
};

}  // namespace termsim
