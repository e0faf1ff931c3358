// libFuzzer target: any bytes as images.txt, a file operators edit by hand.  Reading must
// not crash, and what the program writes must read back to the same file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "content/ImageTable.h"
#include "content/ImageTableFile.h"

using namespace tarifon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ImageTable table;
    readImageTable(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
                   table);
    const QByteArray written = imageTableBytes(table);
    ImageTable again;
    readImageTable(written, again);
    if (imageTableBytes(again) != written)
        std::abort();
    return 0;
}
