// libFuzzer target: any bytes as a .bmp picture file.  The header check must not read
// past the bytes it is given, and a decoded picture must keep within the picture limits.
#include <cstddef>
#include <cstdint>

#include <QByteArray>

#include "FuzzFile.h"
#include "content/BmpFile.h"
#include "content/PictureFile.h"

using namespace tarifon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const BmpHeader header = checkBmpHeader(bytes.left(64), bytes.size());
    const DecodedPicture decoded = decodePictureFile(writeFuzzFile("picture.bmp", data, size));
    check(decoded.image.isNull() != decoded.error.isEmpty());
    if (!decoded.image.isNull()) {
        check(header.verdict == BmpHeader::Verdict::Valid);
        check(decoded.image.width() <= kMaxPictureSide &&
              decoded.image.height() <= kMaxPictureSide);
    }
    return 0;
}
