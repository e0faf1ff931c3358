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
// Data that is not a BMP the terminal can read is shown as a crossed-out screen
// saying what it is.  Only the most recent kMaxPictures are kept.
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
    };
    void drawPicture(GrayImage& sheet, int x, int y, const Received& received) const;
    void drawMessage(GrayImage& sheet, int x, int y) const;

    std::optional<wire::DisplayMsg> m_message;
    std::deque<Received> m_pictures;
    unsigned m_received = 0;
};

}  // namespace termsim
