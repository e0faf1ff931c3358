#pragma once

#include <cstdint>
#include <optional>

#include <QImage>
#include <QString>
#include <QStringList>

#include "base/Result.h"
#include "content/ImageTable.h"

namespace tarifon {

// Reading picture files, chosen by the extension of their name (any letter case):
// bmp; jpg and jpeg (libjpeg-turbo); gif, tif, tiff and ico (Qt's image plug-ins).
// Windows metafiles (wmf, emf) have no decoder here and are refused with a message.
// Every decoder learns a picture's size before it allocates its pixels and refuses
// pictures beyond these limits, so a hostile header cannot exhaust memory.
inline constexpr int kMaxPictureSide = 32767;
inline constexpr int64_t kMaxPicturePixels = 64 * 1024 * 1024;  // 256 MiB as 32-bit pixels

// The extensions that have a decoder here, in lower case (the file dialog's "all pictures").
QStringList readablePictureExtensions();

// The error for a picture beyond the limits.
QString pictureTooLargeMessage(int width, int height);
// The error for a picture file that exists but cannot be opened, with the system's reason.
QString cannotOpenMessage(const QString& path, const QString& reason);

// A decoded picture or the decoder's message.
struct DecodedPicture {
    QImage image;  // null on failure
    QString error;
};

// Decodes the file at `path` by its extension, as it is (any size and depth).
DecodedPicture decodePictureFile(const QString& path);

// Loading a picture file into one of the window's pictures.
struct PictureLoad {
    enum class Outcome {
        Loaded,   // `picture` is the new picture
        Missing,  // no such file (a folder does not count): the picture stays as it was
        Failed,   // `error` is the box's text; the picture stays as it was
    };
    Outcome outcome = Outcome::Missing;
    QImage picture;
    QString error;
};

// "Load picture file": decoded, stretched to 128 x 64 and made black and white.
PictureLoad loadPictureFile(const QString& path);

// "temp.bmp" at start-up: decoded as it is, without preparation (still within the limits).
PictureLoad loadPictureUnchanged(const QString& path);

// The picture file a table row names: `programDir`/images/ and the row's column 0.
// When nothing has exactly that name, a file in the same folder whose name differs
// only in letter case (names typed on Windows, where PROMO.JPG is promo.jpg); of
// several such files the name first in character-code order ("PROMO.JPG", then
// "Promo.jpg", then "promo.jpg"), so the choice never depends on the folder's order.
// Without either, the path as named.
QString rowPicturePath(const QString& programDir, const ImageTable& table, int row);

// "Refresh preview from a row": the row's picture, or a white picture when its file
// does not exist.  A picture that cannot be decoded is Failed (preview unchanged).
PictureLoad previewFromRow(const QString& programDir, const ImageTable& table, int row);

// Writes `picture` as a 1-bit BMP (see bmpBytes) to `path`, atomically, whatever the
// name's extension.  The error box's text "Cannot create file "path". reason" when it
// cannot be written.
[[nodiscard]] Result<void, QString> savePictureBmp(const QImage& picture, const QString& path);

}  // namespace tarifon
