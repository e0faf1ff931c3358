#pragma once

#include <QImage>
#include <QRgb>
#include <QSize>

namespace tarifon {

// The terminals' picture format: 128 x 64 pixels, 1 bit per pixel, colour 0 black and
// colour 1 white.  In memory a QImage::Format_Mono with that two-entry colour table.
inline constexpr int kPictureWidth = 128;
inline constexpr int kPictureHeight = 64;
inline constexpr QSize kPictureSize{kPictureWidth, kPictureHeight};

// Whether a colour is nearer to black than to white.  The distance is the Euclidean
// one in RGB, which comes down to the sum of the three channels below 382.5: mid grey
// (128, 128, 128) becomes white, (127, 127, 127) black, pure red black.  A colour that
// is not opaque is first laid over white, as it would be drawn on a cleared picture.
bool isNearerBlack(QRgb colour);

// "Clear": a white picture of the terminal format.
QImage whitePicture();

// `source` stretched to `size`, width and height independently, each target pixel
// taking the nearest source pixel at or before its own position (no smoothing: from
// 256 x 128 to 128 x 64 every second pixel of every second row, starting at the
// first), each pixel then made black or white.  The result is Format_Mono, colour 0
// black, colour 1 white.  A null source gives a white picture.
QImage blackAndWhite(const QImage& source, QSize size = kPictureSize);

}  // namespace tarifon
