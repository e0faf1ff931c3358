#include "content/TerminalPicture.h"

#include <QColor>
#include <QList>

namespace tarifon {

namespace {

constexpr int kBlack = 0;
constexpr int kWhite = 1;

QImage monoPicture(QSize size) {
    QImage picture(size, QImage::Format_Mono);
    picture.setColorTable(QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)});
    picture.fill(kWhite);
    return picture;
}

}  // namespace

bool isNearerBlack(QRgb colour) {
    const int alpha = qAlpha(colour);
    const auto overWhite = [alpha](int channel) {
        return (channel * alpha + 255 * (255 - alpha) + 127) / 255;
    };
    const int sum = overWhite(qRed(colour)) + overWhite(qGreen(colour)) + overWhite(qBlue(colour));
    // |c|^2 < |white - c|^2  <=>  2 * sum < 3 * 255
    return 2 * sum < 3 * 255;
}

QImage whitePicture() {
    return monoPicture(kPictureSize);
}

QImage blackAndWhite(const QImage& source, QSize size) {
    QImage picture = monoPicture(size);
    if (source.isNull())
        return picture;
    const int64_t sourceWidth = source.width();
    const int64_t sourceHeight = source.height();
    for (int y = 0; y < size.height(); ++y) {
        const int sourceY = static_cast<int>(y * sourceHeight / size.height());
        for (int x = 0; x < size.width(); ++x) {
            const int sourceX = static_cast<int>(x * sourceWidth / size.width());
            // pixelColor, unlike pixel, never hands out premultiplied values.
            if (isNearerBlack(source.pixelColor(sourceX, sourceY).rgba()))
                picture.setPixel(x, y, kBlack);
        }
    }
    return picture;
}

}  // namespace tarifon
