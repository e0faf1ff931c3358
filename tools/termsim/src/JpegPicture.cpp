#include "termsim/JpegPicture.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace termsim {

namespace {

// A progressive file may hold any number of scans, each a pass over the whole picture.
constexpr int kMaxScans = 1000;

struct ErrorManager {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

// What a longjmp out of libjpeg must not skip lives outside the frame that calls setjmp.
struct Decoding {
    jpeg_decompress_struct info{};
    ErrorManager error{};
    jpeg_progress_mgr progress{};
    bool created = false;
    std::vector<JSAMPLE> row;
    std::optional<GrayImage> image;

    ~Decoding() {
        if (created)
            jpeg_destroy_decompress(&info);
    }
};

[[noreturn]] void leave(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void quiet(j_common_ptr) {}

void limitScans(j_common_ptr info) {
    if (info->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans)
        leave(info);
}

// One pixel of an RGB or CMYK row as red, green and blue.
void colour(const Decoding& d, const JSAMPLE* in, uint32_t rgb[3]) {
    if (d.info.out_color_space == JCS_RGB) {
        rgb[0] = in[0], rgb[1] = in[1], rgb[2] = in[2];
        return;
    }
    // Inks as Adobe writes them (nearly every CMYK file) are stored inverted.
    const bool inverted = d.info.saw_Adobe_marker;
    const uint32_t k = inverted ? in[3] : 255u - in[3];
    for (int c = 0; c < 3; ++c)
        rgb[c] = (inverted ? in[c] : 255u - in[c]) * k / 255;
}

bool decode(Decoding& d, std::span<const uint8_t> data) {
    d.info.err = jpeg_std_error(&d.error.manager);
    d.error.manager.error_exit = leave;
    d.error.manager.output_message = quiet;
    if (setjmp(d.error.jump))
        return false;

    jpeg_create_decompress(&d.info);
    d.created = true;
    d.progress.progress_monitor = limitScans;
    d.info.progress = &d.progress;
    jpeg_mem_src(&d.info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&d.info, TRUE);
    if (d.info.image_width > kMaxPictureSide || d.info.image_height > kMaxPictureSide)
        return false;
    const bool cmyk = d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK;
    d.info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&d.info);

    const auto width = static_cast<int>(d.info.output_width);
    const size_t channels = cmyk ? 4 : 3;
    d.row.resize(static_cast<size_t>(width) * channels);
    d.image.emplace(width, static_cast<int>(d.info.output_height), 255);
    while (d.info.output_scanline < d.info.output_height) {
        const auto y = static_cast<int>(d.info.output_scanline);
        JSAMPROW row = d.row.data();
        jpeg_read_scanlines(&d.info, &row, 1);
        for (int x = 0; x < width; ++x) {
            uint32_t rgb[3];
            colour(d, d.row.data() + static_cast<size_t>(x) * channels, rgb);
            d.image->set(x, y, blackOrWhite(rgb[0], rgb[1], rgb[2]));
        }
    }
    jpeg_finish_decompress(&d.info);
    return true;
}

}  // namespace

std::optional<GrayImage> decodeJpeg(std::span<const uint8_t> data) {
    Decoding d;
    if (data.empty() || !decode(d, data))
        return std::nullopt;
    return std::move(d.image);
}

}  // namespace termsim
