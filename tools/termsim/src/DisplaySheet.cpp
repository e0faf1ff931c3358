#include "termsim/DisplaySheet.h"

#include <algorithm>
#include <string_view>

#include "base/AtomicWrite.h"
#include "termsim/BmpPicture.h"
#include "termsim/JpegPicture.h"
#include "termsim/PictureStore.h"
#include "termsim/PixelFont.h"
#include "termsim/Png.h"

namespace termsim {

namespace {

constexpr int kScale = 2;
constexpr int kScreenWidth = 128 * kScale;
constexpr int kScreenHeight = 64 * kScale;
constexpr int kCaptionLines = 2;
constexpr int kTileWidth = kScreenWidth + 2;  // a one-pixel frame
constexpr int kTileHeight = kScreenHeight + 2 + 4 + kCaptionLines * PixelFont::kCellHeight;
constexpr int kColumns = 2;
constexpr int kMargin = 12;
constexpr uint8_t kBackground = 224;
constexpr uint8_t kFrame = 128;
constexpr uint8_t kNothingShown = 192;

// What a picture's data is, for one that cannot be shown.
std::string_view dataKind(const wire::Bytes& data) {
    const auto startsWith = [&data](std::string_view magic) {
        return data.size() >= magic.size() &&
               std::equal(magic.begin(), magic.end(), data.begin(),
                          [](char m, uint8_t d) { return static_cast<uint8_t>(m) == d; });
    };
    if (data.empty())
        return "no picture data";
    if (startsWith("\xFF\xD8"))
        return "JPEG it cannot read";
    if (startsWith("GIF8"))
        return "GIF data";
    if (startsWith("II*") || startsWith(std::string_view("MM\0*", 4)))
        return "TIFF data";
    if (startsWith("BM"))
        return "BMP it cannot read";
    return "not a picture";
}

// The 128 x 64 screen a picture's data gives, or nothing.
std::optional<GrayImage> screenOf(const wire::Bytes& data) {
    GrayImage screen(128, 64, 255);
    if (const std::optional<GrayImage> bmp = decodeBmp(data)) {
        for (int y = 0; y < std::min(bmp->height(), 64); ++y)
            for (int x = 0; x < std::min(bmp->width(), 128); ++x)
                screen.set(x, y, bmp->at(x, y));
        return screen;
    }
    if (const std::optional<GrayImage> jpeg = decodeJpeg(data)) {
        // Each screen pixel takes the picture's pixel at x * width / 128, y * height / 64.
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 128; ++x)
                screen.set(x, y, jpeg->at(x * jpeg->width() / 128, y * jpeg->height() / 64));
        return screen;
    }
    return std::nullopt;
}

void centred(GrayImage& sheet, int centreX, int centreY, std::string_view text, int scale) {
    PixelFont::draw(sheet, centreX - PixelFont::textWidth(text, scale) / 2,
                    centreY - PixelFont::kCellHeight * scale / 2, text, scale, 0);
}

void caption(GrayImage& sheet, int x, int y, int line, const std::string& text) {
    PixelFont::draw(sheet, x, y + kScreenHeight + 6 + line * PixelFont::kCellHeight, text, 1, 0);
}

}  // namespace

void DisplaySheet::showMessage(const wire::DisplayMsg& message) {
    m_message = message;
}

void DisplaySheet::addPicture(const wire::Picture& picture) {
    m_pictures.push_back({++m_received, picture, false, std::nullopt});
    if (m_pictures.size() > kMaxPictures)
        m_pictures.pop_front();
}

GrayImage DisplaySheet::render() const {
    const int tiles = 1 + static_cast<int>(m_pictures.size());
    const int rows = (tiles + kColumns - 1) / kColumns;
    GrayImage sheet(kMargin + kColumns * (kTileWidth + kMargin),
                    kMargin + rows * (kTileHeight + kMargin), kBackground);
    const auto place = [](int tile, int& x, int& y) {
        x = kMargin + (tile % kColumns) * (kTileWidth + kMargin);
        y = kMargin + (tile / kColumns) * (kTileHeight + kMargin);
    };
    int x = 0, y = 0;
    place(0, x, y);
    drawMessage(sheet, x, y);
    for (int tile = 1; tile < tiles; ++tile) {
        place(tile, x, y);
        drawPicture(sheet, x, y, m_pictures[static_cast<size_t>(tile - 1)]);
    }
    return sheet;
}

tarifon::Result<void> DisplaySheet::writePng(const std::filesystem::path& path) const {
    const std::vector<uint8_t> png = encodePng(render());
    if (png.empty())
        return tarifon::fail("cannot compress the picture of " + path.string());
    return tarifon::writeFileAtomically(
        path, std::string_view(reinterpret_cast<const char*>(png.data()), png.size()));
}

void DisplaySheet::drawMessage(GrayImage& sheet, int x, int y) const {
    sheet.fill(x, y, kTileWidth, kScreenHeight + 2, kFrame);
    sheet.fill(x + 1, y + 1, kScreenWidth, kScreenHeight, 255);
    if (!m_message) {
        caption(sheet, x, y, 0, "no message yet");
        return;
    }
    // The lines centred on y = 16 and y = 48 of the terminal's 64 rows.
    centred(sheet, x + 1 + kScreenWidth / 2, y + 1 + 16 * kScale, m_message->line1, kScale);
    centred(sheet, x + 1 + kScreenWidth / 2, y + 1 + 48 * kScale, m_message->line2, kScale);
    caption(sheet, x, y, 0, "message, time " + std::to_string(m_message->time));
}

void DisplaySheet::drawPicture(GrayImage& sheet, int x, int y, const Received& received) const {
    const wire::Picture& p = received.picture;
    sheet.fill(x, y, kTileWidth, kScreenHeight + 2, kFrame);
    if (!received.decoded) {
        received.screen = screenOf(p.data);
        received.decoded = true;
    }
    if (const std::optional<GrayImage>& shown = received.screen) {
        for (int row = 0; row < shown->height(); ++row)
            for (int column = 0; column < shown->width(); ++column)
                sheet.fill(x + 1 + column * kScale, y + 1 + row * kScale, kScale, kScale,
                           shown->at(column, row));
    } else {
        sheet.fill(x + 1, y + 1, kScreenWidth, kScreenHeight, kNothingShown);
        centred(sheet, x + 1 + kScreenWidth / 2, y + 1 + kScreenHeight / 2,
                std::string(dataKind(p.data)), 1);
    }
    caption(sheet, x, y, 0,
            std::to_string(received.number) + " " + pictureKindName(p.kind) + ", " +
                std::to_string(p.data.size()) + " bytes");
    caption(sheet, x, y, 1,
            "w" + std::to_string(p.width) + " h" + std::to_string(p.height) + " index " +
                std::to_string(p.index) + " loop " + std::to_string(p.loop) + " pause " +
                std::to_string(p.pause) + " flag " + std::to_string(p.flag));
}

}  // namespace termsim
