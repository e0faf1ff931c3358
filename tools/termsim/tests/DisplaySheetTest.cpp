#include "termsim/DisplaySheet.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>
#include <zlib.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include "termsim/BmpPicture.h"
#include "termsim/Png.h"
#include "termsim/Terminal.h"
#include "support/TempDir.h"

using namespace termsim;

namespace {

wire::Bytes readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t bigEndian(const wire::Bytes& bytes, size_t at) {
    return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 | bytes[at + 2] << 8 |
           bytes[at + 3];
}

}  // namespace

TEST(Png, GreyRowsBehindTheSignatureWithCheckedChunks) {
    GrayImage image(3, 2, 255);
    image.set(1, 0, 0);
    image.set(2, 1, 128);
    image.set(5, 5, 0);  // outside: left out
    const wire::Bytes png = encodePng(image);
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(wire::Bytes(png.begin(), png.begin() + 8),
              (wire::Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    EXPECT_EQ(bigEndian(png, 16) * 10 + bigEndian(png, 20), 32u);  // IHDR: 3 x 2
    EXPECT_EQ(bigEndian(png, 29), crc32(0, png.data() + 12, 17));

    const uint32_t packed = bigEndian(png, 33);
    wire::Bytes rows(8);
    uLongf size = rows.size();
    ASSERT_EQ(uncompress(rows.data(), &size, png.data() + 41, packed), Z_OK);
    EXPECT_EQ(rows, (wire::Bytes{0, 255, 0, 255, 0, 255, 255, 128}));  // filter 0 per row
}

TEST(DisplaySheet, ShowsTheMessageAndEachPictureOrWhatItIs) {
    const wire::Bytes upd = readBytes(TARIFON_SOURCE_DIR "/data/upd.bmp");
    const QImage updShown(QStringLiteral(TARIFON_SOURCE_DIR "/data/upd.bmp"));
    wire::Bytes huge = upd;
    huge[19] = 0x7F;  // 32 640 pixels wide, data for 128
    for (const wire::Bytes& bad : {huge, wire::Bytes(upd.begin(), upd.end() - 1)})
        EXPECT_FALSE(decodeBmp(bad));

    DisplaySheet sheet;
    sheet.showMessage({"Promo\xE7\xE3o", "", 4, 1});
    sheet.addPicture({128, 64, 0, 0, 254, 1, upd, wire::PictureKind::UploadBegin});
    sheet.addPicture({128, 64, 1, 2, 5, 1, {0xFF, 0xD8, 0xFF}, wire::PictureKind::UploadPicture});
    QImage halves(256, 100, QImage::Format_RGB32);  // a shop's JPEG: white, then black
    halves.fill(Qt::white);
    QPainter(&halves).fillRect(128, 0, 128, 100, Qt::black);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    ASSERT_TRUE(halves.save(&buffer, "JPG"));
    sheet.addPicture({128, 64, 2, 1, 5, 1, wire::Bytes(jpeg.begin(), jpeg.end()),
                      wire::PictureKind::UploadPicture});
    const GrayImage shown = sheet.render();
    const auto line1 = shown.pixels().begin() + shown.width() * (13 + 32);  // its row 16
    EXPECT_GT(std::count(line1 + 13, line1 + 269, 0), 20);
    for (int y = 0; y < 64; ++y)  // upd.bmp at twice its size, right of the message
        for (int x = 0; x < 128; ++x)
            ASSERT_EQ(shown.at(282 + 1 + 2 * x, 13 + 2 * y), qGray(updShown.pixel(x, y)))
                << x << "," << y;
    EXPECT_EQ(shown.at(13, 12 + 168 + 1), 192);  // a broken JPEG: a grey screen, not its bytes
    for (int x = 0; x < 128; x += 9)             // the real one stretched over the screen, not cut
        ASSERT_EQ(shown.at(282 + 1 + 2 * x, 180 + 1 + 2 * 32), x < 64 ? 255 : 0) << x;

    TempDir dir;
    Terminal terminal(defaultState(1));
    EXPECT_FALSE(terminal.setRenderFile(dir.path() / "missing" / "shown.png"));
    ASSERT_TRUE(terminal.setRenderFile(dir.path() / "shown.png"));
    const auto before = readBytes(dir.path() / "shown.png");
    terminal.handle(wire::Picture{128, 64, 0, 0, 4, 1, upd, wire::PictureKind::Instant});
    EXPECT_GT(readBytes(dir.path() / "shown.png").size(), before.size());
}
