#include "content/JpegDecoder.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <system_error>
#include <vector>

#include <jpeglib.h>

#include <QFile>

namespace tarifon {

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
    std::FILE* file = nullptr;
    std::vector<JSAMPLE> row;
    QImage image;
    QString failure;

    ~Decoding() {
        if (created)
            jpeg_destroy_decompress(&info);
        if (file != nullptr)
            std::fclose(file);
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
        auto* decoding = static_cast<Decoding*>(info->client_data);
        decoding->failure = QStringLiteral("JPEG picture has more than %1 scans").arg(kMaxScans);
        leaveDecoder(info);
    }
}

void convertRow(Decoding& d, uchar* out) {
    const JSAMPLE* in = d.row.data();
    // CMYK files as Adobe writes them (nearly all) store the inks inverted.
    const bool inverted = d.info.saw_Adobe_marker;
    for (JDIMENSION x = 0; x < d.info.output_width; ++x, in += 4, out += 3) {
        const int k = inverted ? in[3] : 255 - in[3];
        for (int c = 0; c < 3; ++c)
            out[c] = static_cast<uchar>((inverted ? in[c] : 255 - in[c]) * k / 255);
    }
}

// False with d.failure empty: libjpeg's own error, in d.error.manager.msg_code.
bool decode(Decoding& d) {
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
    jpeg_stdio_src(&d.info, d.file);
    jpeg_read_header(&d.info, TRUE);

    const JDIMENSION width = d.info.image_width;
    const JDIMENSION height = d.info.image_height;
    if (width > kMaxPictureSide || height > kMaxPictureSide ||
        int64_t{width} * height > kMaxPicturePixels) {
        d.failure = pictureTooLargeMessage(static_cast<int>(width), static_cast<int>(height));
        return false;
    }
    const bool cmyk = d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK;
    d.info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&d.info);

    d.image = QImage(static_cast<int>(d.info.output_width), static_cast<int>(d.info.output_height),
                     QImage::Format_RGB888);
    if (d.image.isNull()) {
        d.failure =
            QStringLiteral("Not enough memory for a %1 x %2 picture").arg(width).arg(height);
        return false;
    }
    if (cmyk)
        d.row.resize(size_t{d.info.output_width} * 4);
    while (d.info.output_scanline < d.info.output_height) {
        uchar* line = d.image.scanLine(static_cast<int>(d.info.output_scanline));
        JSAMPROW target = cmyk ? d.row.data() : line;
        jpeg_read_scanlines(&d.info, &target, 1);
        if (cmyk)
            convertRow(d, line);
    }
    jpeg_finish_decompress(&d.info);
    return true;
}

}  // namespace

DecodedPicture decodeJpegFile(const QString& path) {
    Decoding d;
    d.file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (d.file == nullptr)
        return {{},
                cannotOpenMessage(path,
                                  QString::fromStdString(std::generic_category().message(errno)))};
    if (decode(d))
        return {d.image, {}};
    if (d.failure.isEmpty())
        d.failure = QStringLiteral("JPEG error #%1").arg(d.error.manager.msg_code);
    return {{}, d.failure};
}

}  // namespace tarifon
