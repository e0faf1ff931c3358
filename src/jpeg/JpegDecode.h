#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace tarifon::jpeg {

// Where a decoded picture goes.  `start` is told the size read from the header, before
// any pixel memory is taken, and refuses the picture by returning the reason; `row`
// then receives each row top down as red, green and blue bytes.
struct Sink {
    std::function<std::optional<std::string>(uint32_t width, uint32_t height)> start;
    std::function<void(uint32_t y, const uint8_t* rgb)> row;
};

// Decodes with libjpeg-turbo: grey, RGB and CMYK files (Adobe's inverted inks too), at most
// 1000 progressive scans and 1 GiB of decoder memory.  Nothing on success; otherwise the
// reason, libjpeg's own errors as "JPEG error #n" (n its message number).  A file cut
// short decodes as far as it goes.
std::optional<std::string> decode(std::FILE* file, const Sink& sink);
std::optional<std::string> decode(std::span<const uint8_t> data, const Sink& sink);

}  // namespace tarifon::jpeg
