#include "content/ImageDistribution.h"

#include <optional>

#include <QDir>
#include <QFileInfo>

#include "content/LibraryPath.h"
#include "content/PictureFile.h"
#include "content/TerminalPicture.h"
#include "platform/IntText.h"

namespace tarifon {

namespace {

constexpr int32_t kOpeningMarker = 254;
constexpr int32_t kControlIndex = 255;

}  // namespace

void distributePictures(TerminalLibrary& library, int32_t socket, const ImageTable& table,
                        const QString& programDir, const std::atomic<bool>& stop) {
    if (library.iTypeTerm(socket) < kFirstPictureModel)
        return;

    const LibraryPath marker =
        libraryPath(QDir(programDir).filePath(QStringLiteral("upd.bmp"))).value_or(LibraryPath{});
    const auto send = [&](const LibraryPath& path, int32_t width, int32_t height, int32_t index,
                          int32_t loop, int32_t pause, int32_t flag) {
        if (!stop.load(std::memory_order_relaxed))
            library.bSendImageFromFile(socket, path.data(), width, height, index, loop, pause,
                                       flag);
    };
    send(marker, kPictureWidth, kPictureHeight, 0, 0, kOpeningMarker, 1);
    send(marker, 0, 0, kControlIndex, 0, 0, 0);

    for (int row = 1; row < table.rowCount(); ++row) {
        if (stop.load(std::memory_order_relaxed))
            return;
        const QString file = rowPicturePath(programDir, table, row);
        const std::optional<int32_t> loop = strToInt(table.cell(row, 1));
        const std::optional<int32_t> pause = strToInt(table.cell(row, 2));
        const std::optional<LibraryPath> path = libraryPath(file);
        if (loop && pause && path && QFileInfo(file).isFile())
            send(*path, kPictureWidth, kPictureHeight, row, *loop, *pause, 1);
    }

    send(marker, kPictureWidth, kPictureHeight, 0, 0, 0, 1);
}

}  // namespace tarifon
