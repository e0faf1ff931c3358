#include "termsim/JpegPicture.h"

#include "jpeg/JpegDecode.h"

namespace termsim {

std::optional<GrayImage> decodeJpeg(std::span<const uint8_t> data) {
    if (data.empty())
        return std::nullopt;
    std::optional<GrayImage> image;
    const tarifon::jpeg::Sink sink{
        [&image](uint32_t width, uint32_t height) -> std::optional<std::string> {
            if (width > kMaxPictureSide || height > kMaxPictureSide)
                return "too large";
            image.emplace(static_cast<int>(width), static_cast<int>(height), 255);
            return std::nullopt;
        },
        [&image](uint32_t y, const uint8_t* rgb) {
            for (int x = 0; x < image->width(); ++x, rgb += 3)
                image->set(x, static_cast<int>(y), blackOrWhite(rgb[0], rgb[1], rgb[2]));
        }};
    if (tarifon::jpeg::decode(data, sink))
        return std::nullopt;
    return image;
}

}  // namespace termsim
