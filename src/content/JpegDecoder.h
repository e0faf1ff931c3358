#pragma once

#include <QString>

#include "content/PictureFile.h"

namespace tarifon {

// Decodes a JPEG file with libjpeg-turbo into an RGB picture.  libjpeg's own errors
// come back as "JPEG error #n" (n its message number); a picture beyond the picture
// limits is refused after its header is read, before any pixel memory is taken.
DecodedPicture decodeJpegFile(const QString& path);

}  // namespace tarifon
