// libFuzzer target: any bytes as a .jpg picture file, decoded by libjpeg-turbo through the
// program's decoder: a failure is a message, a picture keeps within the picture limits.
#include <cstddef>
#include <cstdint>

#include "FuzzFile.h"
#include "content/JpegDecoder.h"

using namespace tarifon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const DecodedPicture decoded = decodeJpegFile(writeFuzzFile("picture.jpg", data, size));
    check(decoded.image.isNull() != decoded.error.isEmpty());
    check(decoded.image.isNull() ||
          int64_t{decoded.image.width()} * decoded.image.height() <= kMaxPicturePixels);
    return 0;
}
