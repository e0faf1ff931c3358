#include "jpeg/JpegDecode.h"

#include <csetjmp>
#include <vector>

#include <jpeglib.h>

namespace tarifon::jpeg {

namespace {

// Progressive files can hold any number of scans, each a full pass over the picture:
// a known way to make a small file cost minutes.
constexpr int kMaxScans = 1000;
// What libjpeg may allocate for itself (a progressive file keeps every coefficient).
constexpr long kMaxDecoderMemory = 1024L * 1024 * 1024;

struct ErrorManager {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

// Everything a longjmp out of libjpeg must not skip lives here, outside the frame
// that calls setjmp, and is released by the destructor.
struct Decoding {
    jpeg_decompress_struct info{};
    ErrorManager error{};
    jpeg_progress_mgr progress{};
    bool created = false;
    std::vector<JSAMPLE> in;
    std::vector<uint8_t> rgb;
    std::optional<std::string> failure;

    ~Decoding() {
        if (created)
            jpeg_destroy_decompress(&info);
    }
};

[[noreturn]] void leaveDecoder(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Warnings (a file cut short, say) decode on; nothing is printed.
void ignoreMessage(j_common_ptr) {}

void limitScans(j_common_ptr info) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (info->is_decompressor && decompress->input_scan_number > kMaxScans) {
        static_cast<Decoding*>(info->client_data)->failure =
            "JPEG picture has more than " + std::to_string(kMaxScans) + " scans";
        leaveDecoder(info);
    }
}

void toRgb(Decoding& d) {
    const JSAMPLE* in = d.in.data();
    uint8_t* out = d.rgb.data();
    if (d.info.out_color_space == JCS_RGB) {
        std::copy(in, in + d.rgb.size(), out);
        return;
    }
    // CMYK files as Adobe writes them (nearly all) store the inks inverted.
    const bool inverted = d.info.saw_Adobe_marker;
    for (JDIMENSION x = 0; x < d.info.output_width; ++x, in += 4, out += 3) {
        const int k = inverted ? in[3] : 255 - in[3];
        for (int c = 0; c < 3; ++c)
            out[c] = static_cast<uint8_t>((inverted ? in[c] : 255 - in[c]) * k / 255);
    }
}

// False with d.failure empty: libjpeg's own error, in d.error.manager.msg_code.
bool run(Decoding& d, const std::function<void(j_decompress_ptr)>& source, const Sink& sink) {
    d.info.err = jpeg_std_error(&d.error.manager);
    d.error.manager.error_exit = leaveDecoder;
    d.error.manager.output_message = ignoreMessage;
    if (setjmp(d.error.jump))
        return false;

    jpeg_create_decompress(&d.info);
    d.created = true;
    d.info.client_data = &d;
    d.info.mem->max_memory_to_use = kMaxDecoderMemory;
    d.progress.progress_monitor = limitScans;
    d.info.progress = &d.progress;
    source(&d.info);
    jpeg_read_header(&d.info, TRUE);
    if ((d.failure = sink.start(d.info.image_width, d.info.image_height)))
        return false;
    const bool cmyk = d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK;
    d.info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&d.info);

    d.in.resize(size_t{d.info.output_width} * (cmyk ? 4 : 3));
    d.rgb.resize(size_t{d.info.output_width} * 3);
    while (d.info.output_scanline < d.info.output_height) {
        const uint32_t y = d.info.output_scanline;
        JSAMPROW target = d.in.data();
        jpeg_read_scanlines(&d.info, &target, 1);
        toRgb(d);
        sink.row(y, d.rgb.data());
    }
    jpeg_finish_decompress(&d.info);
    return true;
}

std::optional<std::string> decodeFrom(const std::function<void(j_decompress_ptr)>& source,
                                      const Sink& sink) {
    Decoding d;
    if (run(d, source, sink))
        return std::nullopt;
    if (!d.failure)
        d.failure = "JPEG error #" + std::to_string(d.error.manager.msg_code);
    return d.failure;
}

}  // namespace

std::optional<std::string> decode(std::FILE* file, const Sink& sink) {
    return decodeFrom([file](j_decompress_ptr info) { jpeg_stdio_src(info, file); }, sink);
}

std::optional<std::string> decode(std::span<const uint8_t> data, const Sink& sink) {
    return decodeFrom(
        [data](j_decompress_ptr info) {
            jpeg_mem_src(info, data.data(), static_cast<unsigned long>(data.size()));
        },
        sink);
}

}  // namespace tarifon::jpeg
