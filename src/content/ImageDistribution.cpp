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

QStringList distributePictures(TerminalLibrary& library, int32_t socket, const ImageTable& table,
                               const QString& programDir, const std::atomic<bool>& stop) {
    QStringList skipped;
    if (library.iTypeTerm(socket) < kFirstPictureModel)
        return skipped;

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
            return skipped;
        const QString name = table.cell(row, 0);
        const QString loopText = table.cell(row, 1);
        const QString pauseText = table.cell(row, 2);
        const QString file = rowPicturePath(programDir, table, row);
        const QFileInfo info(file);
        const std::optional<int32_t> loop = strToInt(loopText);
        const std::optional<int32_t> pause = strToInt(pauseText);
        const std::optional<LibraryPath> path = libraryPath(file);
        QString why;
        if (name.isEmpty())
            why = QStringLiteral("no file name");
        else if (!info.exists())
            why = QStringLiteral("no file \"images/%1\"").arg(name);
        else if (!info.isFile())
            why = QStringLiteral("\"images/%1\" is not a file").arg(name);
        else if (!loop)
            why = QStringLiteral("Loop \"%1\" is not a whole number").arg(loopText);
        else if (!pause)
            why = QStringLiteral("Pause \"%1\" is not a whole number").arg(pauseText);
        else if (!path)
            why = pathTooLongMessage(file);
        if (why.isEmpty())
            send(*path, kPictureWidth, kPictureHeight, row, *loop, *pause, 1);
        else if (!name.isEmpty() || !loopText.isEmpty() || !pauseText.isEmpty())
            skipped << QStringLiteral("Images for socket %1: row %2 skipped, %3")
                           .arg(socket)
                           .arg(row)
                           .arg(why);
    }

    send(marker, kPictureWidth, kPictureHeight, 0, 0, 0, 1);
    return skipped;
}

}  // namespace tarifon
