#include "content/BmpFile.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "content/PictureFile.h"
#include "content/TerminalPicture.h"

namespace tarifon {

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr int kCoreHeaderSize = 12;  // the oldest variant, 16-bit dimensions
constexpr int kColourTableSize = 2 * 4;
constexpr std::array kKnownInfoSizes{40, 52, 56, 64, 108, 124};

void putLe(QByteArray& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>(value >> (8 * i)));
}

uint32_t le(const QByteArray& in, int offset, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(in[offset + i]);
    return value;
}

int64_t rowBytes(int64_t width, int bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

}  // namespace

QByteArray bmpBytes(const QImage& picture) {
    const QImage mono = picture.isNull() ? whitePicture() : blackAndWhite(picture, picture.size());
    const int width = mono.width();
    const int height = mono.height();
    const auto stride = static_cast<uint32_t>(rowBytes(width, 1));
    const uint32_t dataOffset = kFileHeaderSize + kInfoHeaderSize + kColourTableSize;
    const uint32_t dataSize = stride * static_cast<uint32_t>(height);

    QByteArray out;
    out.reserve(static_cast<qsizetype>(dataOffset + dataSize));
    out.append("BM");
    putLe(out, dataOffset + dataSize, 4);
    putLe(out, 0, 4);  // two reserved words
    putLe(out, dataOffset, 4);

    putLe(out, kInfoHeaderSize, 4);
    putLe(out, static_cast<uint32_t>(width), 4);
    putLe(out, static_cast<uint32_t>(height), 4);  // positive: bottom row first
    putLe(out, 1, 2);                              // planes
    putLe(out, 1, 2);                              // bits per pixel
    putLe(out, 0, 4);                              // uncompressed
    putLe(out, dataSize, 4);
    putLe(out, 0, 4);  // no resolution given
    putLe(out, 0, 4);
    putLe(out, 2, 4);  // colours used
    putLe(out, 2, 4);  // colours important

    putLe(out, 0x00000000, 4);  // colour 0 black (blue, green, red, reserved)
    putLe(out, 0x00FFFFFF, 4);  // colour 1 white

    // Format_Mono keeps the leftmost pixel in the high bit, as BMP does.
    const int usedBytes = (width + 7) / 8;
    const auto lastMask = static_cast<uint8_t>(0xFF << ((8 - width % 8) % 8));
    for (int y = height - 1; y >= 0; --y) {
        QByteArray row(static_cast<qsizetype>(stride), '\0');
        std::copy_n(reinterpret_cast<const char*>(mono.constScanLine(y)), usedBytes, row.data());
        row[usedBytes - 1] = static_cast<char>(static_cast<uint8_t>(row[usedBytes - 1]) & lastMask);
        out.append(row);
    }
    return out;
}

BmpHeader checkBmpHeader(const QByteArray& head, int64_t fileSize) {
    BmpHeader header;
    if (head.size() < kFileHeaderSize + kCoreHeaderSize || !head.startsWith("BM"))
        return header;
    const uint32_t dataOffset = le(head, 10, 4);
    const auto infoSize = static_cast<int>(le(head, 14, 4));

    int64_t width = 0;
    int64_t height = 0;
    uint32_t planes = 0;
    int bitsPerPixel = 0;
    uint32_t compression = 0;
    if (infoSize == kCoreHeaderSize) {
        width = le(head, 18, 2);
        height = le(head, 20, 2);
        planes = le(head, 22, 2);
        bitsPerPixel = static_cast<int>(le(head, 24, 2));
    } else if (std::find(kKnownInfoSizes.begin(), kKnownInfoSizes.end(), infoSize) !=
                   kKnownInfoSizes.end() &&
               head.size() >= kFileHeaderSize + kInfoHeaderSize) {
        width = static_cast<int32_t>(le(head, 18, 4));
        height = std::abs(static_cast<int64_t>(static_cast<int32_t>(le(head, 22, 4))));
        planes = le(head, 26, 2);
        bitsPerPixel = static_cast<int>(le(head, 28, 2));
        compression = le(head, 30, 4);
    } else {
        return header;
    }

    constexpr std::array kDepths{1, 4, 8, 16, 24, 32};
    if (planes != 1 || width <= 0 || height <= 0 || compression > 3 ||
        std::find(kDepths.begin(), kDepths.end(), bitsPerPixel) == kDepths.end() ||
        dataOffset < static_cast<uint32_t>(kFileHeaderSize + infoSize))
        return header;
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels) {
        header.verdict = BmpHeader::Verdict::TooLarge;
        header.size = QSize(static_cast<int>(std::min<int64_t>(width, INT32_MAX)),
                            static_cast<int>(std::min<int64_t>(height, INT32_MAX)));
        return header;
    }
    // Uncompressed rows have a known size: a file cut short is damaged.
    const bool uncompressed = compression == 0 || compression == 3;
    if (uncompressed && dataOffset + rowBytes(width, bitsPerPixel) * height > fileSize)
        return header;
    header.verdict = BmpHeader::Verdict::Valid;
    header.size = QSize(static_cast<int>(width), static_cast<int>(height));
    return header;
}

}  // namespace tarifon
