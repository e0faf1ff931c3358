#include "content/PictureFile.h"

#include <jerror.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "content/BmpFile.h"
#include "content/TerminalPicture.h"

using namespace tarifon;

namespace {

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// Left half black, right half white.
QImage halves(int width = 16, int height = 8) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).fillRect(0, 0, width / 2, height, Qt::black);
    return image;
}

bool black(const QImage& picture, int x, int y) {
    return picture.pixelIndex(x, y) == 0;
}

}  // namespace

TEST(TerminalPicture, AClearedPictureIsThe1086ByteWhiteBmp) {
    QImage picture = whitePicture();
    QByteArray bytes = bmpBytes(picture);
    EXPECT_EQ(bytes.left(62).toHex(),
              "424d3e040000000000003e000000"
              "2800000080000000400000000100010000000000000400000000000000000000"
              "0200000002000000"
              "00000000ffffff00");
    EXPECT_EQ(bytes.mid(62), QByteArray(1024, '\xFF'));
    // The shipped upload marker is such a picture.
    QFile upd(QStringLiteral(TARIFON_SOURCE_DIR "/data/upd.bmp"));
    ASSERT_TRUE(upd.open(QIODevice::ReadOnly));
    EXPECT_EQ(upd.size(), bytes.size());
    EXPECT_EQ(upd.readAll().left(62), bytes.left(62));

    // Rows bottom first, the leftmost pixel in the high bit.
    picture.setPixel(0, 0, 0);
    picture.setPixel(127, 63, 0);
    bytes = bmpBytes(picture);
    EXPECT_EQ(static_cast<uint8_t>(bytes[62 + 15]), 0xFE);
    EXPECT_EQ(static_cast<uint8_t>(bytes[62 + 63 * 16]), 0x7F);
}

TEST(TerminalPicture, StretchTakesTheNearestPixelAndThresholds) {
    // 256 x 128 with black only where x and y are even: every pixel taken is black.
    QImage grid(256, 128, QImage::Format_RGB32);
    for (int y = 0; y < grid.height(); ++y)
        for (int x = 0; x < grid.width(); ++x)
            grid.setPixel(x, y, x % 2 == 0 && y % 2 == 0 ? 0xFF000000 : 0xFFFFFFFF);
    EXPECT_EQ(bmpBytes(blackAndWhite(grid)).mid(62), QByteArray(1024, '\0'));

    // 100 x 100, black left of x = 50: black up to column 63, stretched and distorted.
    const QImage stretched = blackAndWhite(halves(100, 100));
    EXPECT_TRUE(black(stretched, 63, 63) && !black(stretched, 64, 0));

    for (const auto& [colour, isBlack] : {std::pair{qRgb(128, 128, 128), false},
                                          {qRgb(127, 127, 127), true},
                                          {qRgb(255, 0, 0), true},
                                          {qRgb(255, 255, 0), false},
                                          {qRgba(0, 0, 0, 0), false}})
        EXPECT_EQ(isNearerBlack(colour), isBlack) << std::hex << colour;
}

TEST(PictureFile, DecodesByExtensionWithinTheLimits) {
    const QByteArray jpeg = encoded(halves(), "JPG");
    QByteArray hugeJpeg = jpeg;
    hugeJpeg.replace(hugeJpeg.indexOf("\xFF\xC0") + 5, 4, QByteArray::fromHex("ea60ea60"));
    QByteArray hugeBmp = bmpBytes(whitePicture());
    hugeBmp.replace(18, 8, QByteArray::fromHex("a0860100a0860100"));  // 100000 x 100000
    // One black pixel.
    const QByteArray gif = QByteArray::fromHex(
        "47494638396101000100800000000000ffffff21f90400000000002c00000000010001000002024401"
        "003b");

    const struct {
        const char* name;
        QByteArray bytes;
        QString error{};
        bool rightBlack = false;
    } cases[] = {
        {"a.bmp", bmpBytes(halves())},
        {"b.BMP", encoded(halves(), "BMP")},
        {"c.JPG", jpeg},
        {"d.jpeg", jpeg},
        {"e.tif", encoded(halves(), "TIFF")},
        {"f.tiff", encoded(halves(), "TIFF")},
        {"g.ico", encoded(halves(), "ICO")},
        {"h.gif", gif, {}, true},
        {"i.wmf", "x", QStringLiteral("Windows metafile pictures (.wmf) cannot be read")},
        {"j.png", encoded(halves(), "PNG"),
         QStringLiteral("Unknown picture file extension (.png)")},
        {"k.bmp", jpeg, QStringLiteral("Bitmap image is not valid")},
        {"l.bmp", bmpBytes(halves()).left(70), QStringLiteral("Bitmap image is not valid")},
        {"m.bmp", hugeBmp, pictureTooLargeMessage(100000, 100000)},
        {"n.jpg", "not a picture", QStringLiteral("JPEG error #%1").arg(JERR_NO_SOI)},
        {"o.jpg", hugeJpeg, pictureTooLargeMessage(60000, 60000)},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(c.bytes) == c.bytes.size());
        file.close();
        const PictureLoad load = loadPictureFile(path);
        EXPECT_EQ(load.error, c.error) << c.name;
        if (c.error.isEmpty()) {
            ASSERT_EQ(load.outcome, PictureLoad::Outcome::Loaded) << c.name;
            EXPECT_TRUE(black(load.picture, 0, 0)) << c.name;
            EXPECT_EQ(black(load.picture, 127, 63), c.rightBlack) << c.name;
        }
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.bmp")));
    for (const char* name : {"missing.bmp", "folder.bmp"})
        EXPECT_EQ(loadPictureFile(dir.filePath(QString::fromLatin1(name))).outcome,
                  PictureLoad::Outcome::Missing);
}
