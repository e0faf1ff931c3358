#pragma once

#include <cstdint>

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace tarifon {

// Windows BMP files: the writer of terminal pictures and the check that every BMP
// passes before it is decoded.

// A 1-bit uncompressed BMP of `picture` at its own size: the 14-byte file header, the
// 40-byte information header, colour 0 black and colour 1 white, then the rows bottom
// row first, each padded to 4 bytes.  Each pixel becomes the nearer of black and
// white.  A 128 x 64 picture gives the 1086-byte terminal picture file.
QByteArray bmpBytes(const QImage& picture);

// What a BMP file's headers say, read from its first bytes and its size.
struct BmpHeader {
    enum class Verdict { Valid, Invalid, TooLarge };
    Verdict verdict = Verdict::Invalid;
    QSize size;  // width and height (a top-down file's height made positive)
};

// Checks the headers before anything is allocated: the signature, a known header
// size, plausible dimensions and colour depth, and for uncompressed files that the
// pixel data the headers promise fits inside `fileSize`.  `head` holds the file's
// first bytes (at least 54 when the file has them).
BmpHeader checkBmpHeader(const QByteArray& head, int64_t fileSize);

}  // namespace tarifon
