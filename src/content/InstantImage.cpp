#include "content/InstantImage.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QRect>

#include "content/LibraryPath.h"
#include "content/PictureFile.h"
#include "content/TerminalPicture.h"
#include "platform/IntText.h"

namespace tarifon {

namespace {

constexpr int kCentreX = kPictureWidth / 2;
constexpr int kFirstLineCentre = 16;
constexpr int kSecondLineCentre = 48;
constexpr int kDefaultFontPixels = 11;

}  // namespace

QFont defaultTextFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(kDefaultFontPixels);
    return font;
}

int textLineCentre(TextLine line) {
    return line == TextLine::First ? kFirstLineCentre : kSecondLineCentre;
}

QPoint textTopLeft(QSize textSize, int centreY) {
    return {kCentreX - textSize.width() / 2, centreY - textSize.height() / 2};
}

void drawTextLine(QImage& picture, const QString& text, int centreY, const QFont& font,
                  const QColor& colour) {
    // QPainter cannot draw on a 1-bit picture: draw on a full-colour copy.
    QImage canvas =
        (picture.isNull() ? whitePicture() : picture).convertToFormat(QImage::Format_RGB32);
    QFont sharp(font);
    sharp.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(sharp, &canvas);
    const QSize size(metrics.horizontalAdvance(text), metrics.height());
    const QPoint topLeft = textTopLeft(size, centreY);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setFont(sharp);
        painter.fillRect(QRect(topLeft, size), Qt::white);
        painter.setPen(isNearerBlack(colour.rgba()) ? Qt::black : Qt::white);
        painter.drawText(topLeft + QPoint(0, metrics.ascent()), text);
    }
    picture = blackAndWhite(canvas, canvas.size());
}

Result<void, QString> sendInstantImage(TerminalLibrary& library, int32_t socket,
                                       const QImage& picture, const QString& tempPath,
                                       const QString& displayTime) {
    if (Result<void, QString> saved = savePictureBmp(picture, tempPath); !saved)
        return saved;
    const std::optional<LibraryPath> path = libraryPath(tempPath);
    if (!path)
        return pathTooLongMessage(tempPath);
    if (!QFileInfo(tempPath).isFile())
        return {};
    const Result<int32_t, QString> time = typedInteger(displayTime);
    if (!time)
        return time.error();
    library.bSendImageFromFile(socket, path->data(), kPictureWidth, kPictureHeight, 0, 0, *time, 1);
    return {};
}

}  // namespace tarifon
