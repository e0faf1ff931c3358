#include "termsim/Png.h"

#include <array>
#include <string_view>

#include <zlib.h>

namespace termsim {

namespace {

void putBigEndian(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

// Length, type, data and the CRC of type and data.
void putChunk(std::vector<uint8_t>& out, std::string_view type, const std::vector<uint8_t>& data) {
    putBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
    putBigEndian(out, static_cast<uint32_t>(crc));
}

}  // namespace

std::vector<uint8_t> encodePng(const GrayImage& image) {
    const auto width = static_cast<size_t>(image.width());
    // Each row starts with its filter type, 0: the bytes as they are.
    std::vector<uint8_t> rows;
    rows.reserve((width + 1) * static_cast<size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y) {
        rows.push_back(0);
        const auto begin = image.pixels().begin() + static_cast<std::ptrdiff_t>(width) * y;
        rows.insert(rows.end(), begin, begin + static_cast<std::ptrdiff_t>(width));
    }
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size()), 9) !=
        Z_OK)
        return {};
    packed.resize(packedSize);

    std::vector<uint8_t> header;
    putBigEndian(header, static_cast<uint32_t>(image.width()));
    putBigEndian(header, static_cast<uint32_t>(image.height()));
    header.insert(header.end(), {8, 0, 0, 0, 0});  // 8-bit grey, deflate, no interlace

    constexpr std::array<uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> png(kSignature.begin(), kSignature.end());
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", packed);
    putChunk(png, "IEND", {});
    return png;
}

}  // namespace termsim
