#include "content/JpegDecoder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include <QFile>

#include "jpeg/JpegDecode.h"

namespace tarifon {

DecodedPicture decodeJpegFile(const QString& path) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
        std::fopen(QFile::encodeName(path).constData(), "rb"), &std::fclose);
    if (!file)
        return {{},
                cannotOpenMessage(path,
                                  QString::fromStdString(std::generic_category().message(errno)))};
    QImage image;
    const jpeg::Sink sink{
        [&image](uint32_t width, uint32_t height) -> std::optional<std::string> {
            if (width > kMaxPictureSide || height > kMaxPictureSide ||
                int64_t{width} * height > kMaxPicturePixels)
                return pictureTooLargeMessage(static_cast<int>(width), static_cast<int>(height))
                    .toStdString();
            image =
                QImage(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB888);
            if (image.isNull())
                return QStringLiteral("Not enough memory for a %1 x %2 picture")
                    .arg(width)
                    .arg(height)
                    .toStdString();
            return std::nullopt;
        },
        [&image](uint32_t y, const uint8_t* rgb) {
            std::memcpy(image.scanLine(static_cast<int>(y)), rgb,
                        static_cast<size_t>(image.width()) * 3);
        }};
    if (const std::optional<std::string> failure = jpeg::decode(file.get(), sink))
        return {{}, QString::fromStdString(*failure)};
    return {image, {}};
}

}  // namespace tarifon
