#pragma once

#include <cstdint>
#include <optional>

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringView>

#include "base/Result.h"
#include "terminal/TerminalLibrary.h"

namespace tarifon {

// The instant image: a 128 x 64 picture the operator composes from a picture file and
// the two quick-message lines, and sends to the selected terminal through "temp.bmp".

inline constexpr QStringView kInstantImageFileName = u"temp.bmp";

// The text font before the operator chooses one: "MS Sans Serif", 11 pixels high,
// regular; where that family is missing the platform's sans-serif stands in.
QFont defaultTextFont();

// The two quick-message lines that a ">" button writes into the instant image.
enum class TextLine { First, Second };

// Where a line's text is centred: y = 16 for the first, 48 for the second.
int textLineCentre(TextLine line);

// Where a text of `textSize` starts so that it is centred on x = 64 and `centreY`:
// (64 - w div 2, centreY - h div 2).
QPoint textTopLeft(QSize textSize, int centreY);

// Draws `text` centred on `centreY` into `picture`: an opaque white box of the text's
// size, the text over it in `colour` made black or white, no smoothing, cut at the
// picture's edges.  The picture comes back black and white at its own size.
void drawTextLine(QImage& picture, const QString& text, int centreY, const QFont& font,
                  const QColor& colour = Qt::black);

// The instant image to a selected terminal: writes the picture to
// `tempPath` as a BMP, then sends that file with 128, 64, 0, 0, the display time, 1.
// Fails with the error box's text when the file cannot be written, its path does not
// fit the library's buffer, or the display time is not a whole number (the file is
// written by then); nothing is sent in those cases.
[[nodiscard]] Result<void, QString> sendInstantImage(TerminalLibrary& library, int32_t socket,
                                                     const QImage& picture, const QString& tempPath,
                                                     const QString& displayTime);

}  // namespace tarifon
